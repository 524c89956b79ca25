#include "CliProcess.h"
#include "MainWindowFixture.h"
#include "ScriptedHttpServer.h"
#include "create/frmCreate.h"

#include <QApplication>

using namespace Qt::StringLiterals;

// The client sends the window's bytes: each command beside the window's button for the same
// inputs, both to one scripted server.
class tst_CliWire final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sameBytes_data()
    {
        QTest::addColumn<QString>("typed"); // the address as typed; @: the server's host:port
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<QString>("id"); // in the selected grid row
        QTest::addColumn<QStringList>("arguments");
        const QString odd = u"a/b?c#d%e f\u00e9"_s;
        const auto row = [](const char *name, const QString &typed, const char *button,
                            const QString &id, const QStringList &arguments) {
            QTest::newRow(name) << typed << QByteArray(button) << id << arguments;
        };
        row("list, spaces and a path prefix", u"  @/prefix "_s, "cmd1", {}, {u"list"_s});
        row("get, an identifier to encode", u"@"_s, "cmdGetJob", odd, {u"get"_s, odd});
        row("stop", u"@"_s, "cmdStopJob", odd, {u"stop"_s, odd});
        row("delete", u"@"_s, "cmdDeleteJob", odd, {u"delete"_s, odd});
        row("create", u"@"_s, "cmdCreate", {}, workedExampleArguments());
    }

    void sameBytes()
    {
        QFETCH(QString, typed);
        QFETCH(QByteArray, button);
        QFETCH(QString, id);
        QFETCH(QStringList, arguments);
        ScriptedHttpServer server;
        server.setResponse(ScriptedHttpServer::okResponse("[]"));
        const QString address = typed.replace(u'@', server.authority());

        MainWindowFixture f;
        QVERIFY(f.start(address));
        if (button == "cmdCreate") {
            f.click("cmd2");
            frmCreate *window = nullptr;
            QTRY_VERIFY((window = qobject_cast<frmCreate *>(QApplication::activeWindow())));
            for (const auto &[name, value] : CreateExampleFields)
                window->findChild<QLineEdit *>(QLatin1String(name))->setText(QLatin1String(value));
            QTest::mouseClick(window->findChild<QPushButton *>(u"cmdCreate"_s), Qt::LeftButton);
        } else {
            f.grid()->setTextMatrix(f.grid()->Row(), 0, id);
            f.click(button.constData());
        }
        QVERIFY(f.waitIdle());
        QCOMPARE(server.connectionCount(), 1);

        QTemporaryDir home;
        const CliResult result =
            runCli(arguments << u"--address"_s << address, cliEnvironment(home.path()));
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(server.connectionCount(), 2);
        QVERIFY(!server.received(0).isEmpty());
        QCOMPARE(server.received(1), server.received(0));
    }
};

QTEST_MAIN(tst_CliWire)
#include "tst_cliwire.moc"

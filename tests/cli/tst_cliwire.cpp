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
        QTest::newRow("list, spaces and a path prefix")
            << u"  @/prefix "_s << QByteArray("cmd1") << QString() << QStringList{u"list"_s};
        QTest::newRow("get, an identifier to encode")
            << u"@"_s << QByteArray("cmdGetJob") << odd << QStringList{u"get"_s, odd};
        QTest::newRow("stop") << u"@"_s << QByteArray("cmdStopJob") << odd
                              << QStringList{u"stop"_s, odd};
        QTest::newRow("delete") << u"@"_s << QByteArray("cmdDeleteJob") << odd
                                << QStringList{u"delete"_s, odd};
        QTest::newRow("create") << u"@"_s << QByteArray("cmdCreate") << QString()
                                << workedExampleArguments();
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
            for (QWidget *top : QApplication::topLevelWidgets())
                window = window ? window : qobject_cast<frmCreate *>(top);
            QVERIFY(window);
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

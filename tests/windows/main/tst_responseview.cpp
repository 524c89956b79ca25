#include "MainWindowFixture.h"
#include "ScriptedHttpServer.h"
#include "settings/Settings.h"

#include <QAction>
#include <QClipboard>
#include <QFileDialog>
#include <QMimeData>
#include <QRegularExpression>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kIpSection = "; kept as it is\r\n[IP]\r\nAddress = 10.0.0.5:8080 \r\n\r\n";

QAction *showResponseHead(const MainWindowFixture &f)
{
    return f.window->findChild<QAction *>(u"showResponseHead"_s);
}

// Ctrl+S in the pane, then the file dialog's answer: this file.
bool saveWithKeys(TrafficView *pane, const QString &fileName, QString *offered)
{
    pane->setFocus();
    QTest::keyClick(pane, Qt::Key_S, Qt::ControlModifier);
    QFileDialog *dialog = nullptr;
    for (QFileDialog *open : pane->window()->findChildren<QFileDialog *>(u"saveDialog"_s)) {
        if (open->isVisible())
            dialog = open;
    }
    if (!dialog)
        return false;
    *offered = dialog->selectedFiles().value(0);
    // The overwrite question would wait for a click.
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    dialog->selectFile(fileName);
    static_cast<QDialog *>(dialog)->accept(); // QFileDialog::accept, which checks the name
    return true;
}

// An answer of 270 body bytes with CR LF, lone LF and bytes that are not UTF-8.
const QByteArray kAnswer = "HTTP/1.1 200 OK\r\nContent-Length: 270\r\n\r\n"
    + QByteArray("line\r\n\xff\xfe bytes\n").repeated(18);

// A window that has received kAnswer and shows it with its head.
bool startWithAnswerShown(ScriptedHttpServer &server, MainWindowFixture &f)
{
    server.setResponse(kAnswer);
    if (!f.start(server.authority()))
        return false;
    showResponseHead(f)->trigger();
    return f.send("cmd1") && f.txtRx()->shownBytes() == kAnswer;
}

} // namespace

class tst_ResponseView final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A home of the test's own, with its documents folder.
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("HOME", QFile::encodeName(m_home.path()));
        qunsetenv("XDG_CONFIG_HOME");
        QVERIFY(QDir(m_home.path()).mkpath(u"Documents"_s));
    }

    // The head as it arrived, in front of the body as the pane shows it: hidden, shown,
    // remembered in [View], copied as shown; the log keeps the body alone.
    void head_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<QByteArray>("body");
        const QByteArray created = "HTTP/1.1 201 Created\r\nLocation: /api/videocompare/tracking/"
                                   "j1\r\nContent-Type: application/json\r\nContent-Length: 9\r\n"
                                   "\r\n";
        QTest::newRow("sized") << created + "{\"a\":\"\xff\"}" << created
                               << QByteArray("{\"a\":\"\xff\"}");
        const QByteArray chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
        QTest::newRow("chunked: decoded, the head says it was chunked")
            << chunked + "5\r\nhello\r\n7\r\n\r\nworld\r\n0\r\n\r\n"
            << chunked << QByteArray("hello\r\nworld");
        const QByteArray closing = "HTTP/1.0 200 OK\nConnection: close\n\n";
        QTest::newRow("close-delimited, bare LF kept") << closing + "to the end\n"
                                                       << closing << QByteArray("to the end\n");
    }

    void head()
    {
        QFETCH(QByteArray, response);
        QFETCH(QByteArray, head);
        QFETCH(QByteArray, body);
        ScriptedHttpServer server;
        server.setResponse(response);
        server.setPieceSize(7);
        MainWindowFixture f;
        QVERIFY(writeFileBytes(f.path(u"ORVA_Test_Application.ini"_s), kIpSection));
        QVERIFY(f.start());
        f.txtIP()->setText(server.authority());
        QAction *toggle = showResponseHead(f);
        QVERIFY(toggle && toggle->isCheckable() && !toggle->isChecked());
        QVERIFY(f.send("cmd1"));
        QCOMPARE(f.txtRx()->shownBytes(), body);

        const void *bodyBytes = f.txtRx()->bytes().constData();
        toggle->trigger();
        QCOMPARE(f.txtRx()->shownBytes(), head + body);
        // The head goes in front of the body the pane holds, not of a copy.
        QCOMPARE(static_cast<const void *>(f.txtRx()->bytes().constData()), bodyBytes);
        QVERIFY(f.log().endsWith("---Data Received---\r\n" + body + "\r\n"));
        f.txtRx()->setFocus();
        QTest::keyClick(f.txtRx(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(f.txtRx(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->mimeData()->data(u"application/octet-stream"_s),
                 head + body);
        QCOMPARE(fileBytes(f.path(u"ORVA_Test_Application.ini"_s)),
                 kIpSection + "[View]\r\nShowResponseHead=1\r\n");

        // A failed transfer leaves the pane as it was.
        f.txtIP()->setText(ScriptedHttpServer::refusingAuthority());
        QVERIFY(f.send("cmd1"));
        QCOMPARE(f.lblStat()->text(), u"Error"_s);
        QCOMPARE(f.txtRx()->shownBytes(), head + body);

        // The next start remembers it; unchecked, the file says so and the pane shows the body.
        f.window.reset();
        MainWindowFixture again;
        again.folder.remove();
        QVERIFY(QDir().mkpath(again.folder.path()));
        QVERIFY(QFile::copy(f.path(u"ORVA_Test_Application.ini"_s),
                            again.path(u"ORVA_Test_Application.ini"_s)));
        QVERIFY(again.start(server.authority()));
        QVERIFY(showResponseHead(again)->isChecked());
        QVERIFY(again.send("cmd1"));
        QCOMPARE(again.txtRx()->shownBytes(), head + body);
        showResponseHead(again)->trigger();
        QCOMPARE(again.txtRx()->shownBytes(), body);
        QVERIFY(fileBytes(again.path(u"ORVA_Test_Application.ini"_s))
                    .endsWith("[View]\r\nShowResponseHead=0\r\n"));
    }

    // Ctrl+S in either pane: the dialog offers the pane's name in the documents folder, and the
    // file gets exactly what is shown, head, CR LF and bytes that are not UTF-8 included.
    void save_data()
    {
        QTest::addColumn<QString>("target"); // in the test's folder
        QTest::newRow("a new file") << u"saved.txt"_s;
        QTest::newRow("over an old file") << u"old.txt"_s;
    }

    void save()
    {
        QFETCH(QString, target);
        ScriptedHttpServer server;
        MainWindowFixture f;
        QVERIFY(startWithAnswerShown(server, f));
        QString offered;
        QVERIFY(saveWithKeys(f.txtRx(), f.path(target), &offered));
        QCOMPARE(offered, m_home.filePath(u"Documents/response.txt"_s));
        QCOMPARE(fileBytes(f.path(target)), kAnswer);
        QVERIFY(saveWithKeys(f.txtTx(), f.path(u"request.txt"_s), &offered));
        QCOMPARE(offered, m_home.filePath(u"Documents/request.txt"_s));
        QCOMPARE(fileBytes(f.path(u"request.txt"_s)), f.txtTx()->shownBytes());
        QCOMPARE(f.boxes->shown, QStringList());
    }

    // A save that fails says which file and why, and the old file stays whole.
    void saveFails_data()
    {
        QTest::addColumn<QString>("target");   // an old file in the test's folder
        QTest::addColumn<qint64>("sizeLimit"); // RLIMIT_FSIZE for the write; -1: none
        QTest::addColumn<QString>("reason");
        QTest::newRow("a folder that cannot be written")
            << u"locked/old.txt"_s << qint64(-1) << u"Permission denied"_s;
        // Root may write in any folder; a size limit fails the write halfway for anyone.
        QTest::newRow("the write fails halfway")
            << u"old.txt"_s << qint64(100) << u"File too large"_s;
    }

    void saveFails()
    {
        QFETCH(QString, target);
        QFETCH(qint64, sizeLimit);
        QFETCH(QString, reason);
        if (target.startsWith(u"locked/"_s) && geteuid() == 0)
            QSKIP("root may write in any folder");
        ScriptedHttpServer server;
        MainWindowFixture f;
        QVERIFY(startWithAnswerShown(server, f));
        const QByteArray old = "the good old file\r\n";
        QVERIFY(QDir(f.folder.path()).mkpath(u"locked"_s));
        QVERIFY(writeFileBytes(f.path(target), old));
        QVERIFY(QFile::setPermissions(f.path(u"locked"_s), QFile::ReadOwner | QFile::ExeOwner));
        rlimit before{};
        if (sizeLimit >= 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            getrlimit(RLIMIT_FSIZE, &before);
            rlimit limited = before;
            limited.rlim_cur = rlim_t(sizeLimit);
            setrlimit(RLIMIT_FSIZE, &limited);
        }
        QString offered;
        const bool opened = saveWithKeys(f.txtRx(), f.path(target), &offered);
        if (sizeLimit >= 0)
            setrlimit(RLIMIT_FSIZE, &before);
        QVERIFY(opened);
        QCOMPARE(f.boxes->shown,
                 QStringList{u"Error|Cannot save %1: %2"_s.arg(f.path(target), reason)});
        QCOMPARE(fileBytes(f.path(target)), old);
    }

    // The status tooltip's second line: where the time went.
    void timing_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("pattern");
        const QString rest = u"connect \\d+ ms · first byte (\\d+) ms · body \\d+ ms"_s;
        QTest::newRow("an address") << u"127.0.0.1"_s << rest;
        QTest::newRow("a host name") << u"localhost"_s << u"name lookup \\d+ ms · "_s + rest;
    }

    void timing()
    {
        QFETCH(QString, host);
        QFETCH(QString, pattern);
        constexpr int delayMs = 120;
        ScriptedHttpServer server;
        server.setResponse(ScriptedHttpServer::okResponse("[]"));
        server.setFirstByteDelay(delayMs);
        MainWindowFixture f;
        QVERIFY(f.start(host + u':' + QString::number(server.port())));
        QVERIFY(f.send("cmd1"));
        const QStringList lines = f.lblStat()->toolTip().split(u'\n');
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines.at(0).startsWith(u"HTTP 200 OK · 2 bytes · "_s));
        const QRegularExpressionMatch match =
            QRegularExpression(u"^"_s + pattern + u"$"_s).match(lines.at(1));
        QVERIFY2(match.hasMatch(), qPrintable(lines.at(1)));
        QVERIFY2(match.captured(1).toInt() >= delayMs, qPrintable(lines.at(1)));
    }

private:
    QTemporaryDir m_home;
};

QTEST_MAIN(tst_ResponseView)
#include "tst_responseview.moc"

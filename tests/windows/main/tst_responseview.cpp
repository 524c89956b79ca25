#include "MainWindowFixture.h"

#include <QAction>
#include <QClipboard>
#include <QFileDialog>
#include <QMimeData>
#include <QRegularExpression>

#include <csignal>
#include <sys/resource.h>

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
    for (QFileDialog *open : pane->window()->findChildren<QFileDialog *>(u"saveDialog"_s))
        dialog = open->isVisible() ? open : dialog;
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
    // remembered in [View], copied as shown; the log keeps the body alone. (What the head holds,
    // interim answers, chunked and close-delimited answers, is tst_inettransfer's.)
    void head()
    {
        const qsizetype bodyAt = kAnswer.indexOf("\r\n\r\n") + 4;
        const QByteArray head = kAnswer.first(bodyAt), body = kAnswer.sliced(bodyAt);
        MainWindowFixture f;
        f.server.setPieceSize(7);
        QVERIFY(writeFileBytes(f.path(u"ORVA_Test_Application.ini"_s), kIpSection));
        QVERIFY(f.serve(kAnswer));
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
        QVERIFY(f.start(f.server.authority()));
        QVERIFY(showResponseHead(f)->isChecked());
        QVERIFY(f.send("cmd1"));
        QCOMPARE(f.txtRx()->shownBytes(), head + body);
        showResponseHead(f)->trigger();
        QCOMPARE(f.txtRx()->shownBytes(), body);
        QVERIFY(fileBytes(f.path(u"ORVA_Test_Application.ini"_s))
                    .endsWith("[View]\r\nShowResponseHead=0\r\n"));
    }

    // Ctrl+S in either pane: the dialog offers the pane's name in the documents folder, and the
    // file, a longer old one, gets exactly what is shown, head, CR LF and bytes that are not
    // UTF-8 included. A save that fails (a size limit fails the write halfway, for root too)
    // says which file and why, and the old file stays whole.
    void save()
    {
        MainWindowFixture f;
        QVERIFY(f.serve(kAnswer));
        showResponseHead(f)->trigger();
        QVERIFY(f.send("cmd1") && f.txtRx()->shownBytes() == kAnswer);
        const QString target = f.path(u"old.txt"_s);
        QVERIFY(writeFileBytes(target, QByteArray(1000, 'o')));
        QString offered;
        QVERIFY(saveWithKeys(f.txtRx(), target, &offered));
        QCOMPARE(offered, m_home.filePath(u"Documents/response.txt"_s));
        QCOMPARE(fileBytes(target), kAnswer);
        QVERIFY(saveWithKeys(f.txtTx(), f.path(u"request.txt"_s), &offered));
        QCOMPARE(offered, m_home.filePath(u"Documents/request.txt"_s));
        QCOMPARE(fileBytes(f.path(u"request.txt"_s)), f.txtTx()->shownBytes());

        std::signal(SIGXFSZ, SIG_IGN);
        rlimit before{};
        getrlimit(RLIMIT_FSIZE, &before);
        const rlimit limited{100, before.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limited);
        const bool opened = saveWithKeys(f.txtRx(), target, &offered);
        setrlimit(RLIMIT_FSIZE, &before);
        QVERIFY(opened);
        QCOMPARE(f.boxes->shown,
                 QStringList{u"Error|Cannot save %1: File too large"_s.arg(target)});
        QCOMPARE(fileBytes(target), kAnswer);
    }

    // The status tooltip's second line: where the time went, a name's lookup first (an address's
    // line is checked with the list's outcomes).
    void timing()
    {
        constexpr int delayMs = 120;
        MainWindowFixture f;
        f.server.setResponse(ScriptedHttpServer::okResponse("[]"));
        f.server.setFirstByteDelay(delayMs);
        QVERIFY(f.start(u"localhost:"_s + QString::number(f.server.port())));
        QVERIFY(f.send("cmd1"));
        const QStringList lines = f.lblStat()->toolTip().split(u'\n');
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines.at(0).startsWith(u"HTTP 200 OK · 2 bytes · "_s));
        QCOMPARE(lines.at(2), u"0 jobs · no change"_s);
        const QRegularExpressionMatch match =
            QRegularExpression(u"^name lookup \\d+ ms · connect \\d+ ms · first byte (\\d+) ms · "
                               "body \\d+ ms$"_s)
                .match(lines.at(1));
        QVERIFY2(match.hasMatch(), qPrintable(lines.at(1)));
        QVERIFY2(match.captured(1).toInt() >= delayMs, qPrintable(lines.at(1)));
    }

private:
    QTemporaryDir m_home;
};

QTEST_MAIN(tst_ResponseView)
#include "tst_responseview.moc"

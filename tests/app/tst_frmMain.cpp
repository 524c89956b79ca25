#include "MainWindowFixture.h"

#include "ScriptedHttpServer.h"

#include "app/StatusText.h"
#include "desktop/CloseOnSignals.h"
#include "desktop/ProgramFolder.h"
#include "settings/Settings.h"
#include "widgets/WrappingButton.h"

#include <QClipboard>
#include <QGroupBox>
#include <QRegularExpression>
#include <QStyleOptionButton>

#include <csignal>

using namespace std::chrono_literals;

class tst_frmMain final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startUp()
    {
        MainWindowFixture f;
        QVERIFY(writeFileBytes(f.path(u"Data_Text.txt"_qs), "left by the previous run\r\n"));
        QVERIFY(f.start());
        QCOMPARE(f.window->windowTitle(),
                 u"Veltrane  TALUS Video Compare Tracking API Test App  Version: 0.0.1"_qs);
        QCOMPARE(f.txtIP()->text(), u"127.0.0.1"_qs);
        QCOMPARE(f.log(), QByteArray());
        QCOMPARE(f.window->focusWidget(), f.txtIP());
        QCOMPARE(f.window->minimumSize(), f.window->maximumSize());
        QVERIFY(!(f.window->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY(!f.control<QPushButton>("cmdJob")->isVisible());
        // A count of ten digits stays whole, inside its frame and clear of its caption.
        for (const char *name : {"lblTXBytes", "lblRXBytes"}) {
            auto *count = f.control<QLabel>(name);
            QVERIFY(count->fontMetrics().horizontalAdvance(u"4294967296"_qs) <= count->contentsRect().width());
            QVERIFY(count->geometry().right() <= count->parentWidget()->contentsRect().right());
        }
    }

    // Texts operators and their scripts know as they stand, read from the live window.
    void fixedTexts_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("state"); // for lblStat: the transfer state shown
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("toolTip");
        const auto caption = [](const char *name, const char *text, const char *tip = "") {
            QTest::newRow(name) << QString::fromLatin1(name) << 0 << QString::fromLatin1(text)
                                << QString::fromLatin1(tip);
        };
        caption("cmd1", "List Tracking Job Statuses");
        caption("cmd2", "Create Tracking Job");
        caption("cmdGetJob", "Get Selected Tracking Job Status");
        caption("cmdStopJob", "Stop Selected Tracking Job");
        caption("cmdDeleteJob", "Delete Selected Tracking Job");
        caption("cmdTxCopy", "Copy", "Copy to clipboard.");
        caption("cmdRxCopy", "Copy", "Copy to clipboard.");
        caption("cmdTxClear", "Clear");
        caption("Label6", "Connection Status");
        caption("Label4_2", "TALUS IP");
        caption("Label2", "Bytes =");
        const QStringList states{u""_qs, u"Resolving Host"_qs, u"Host Resolved"_qs, u"Connecting"_qs,
                                 u"Connected"_qs, u"Requesting"_qs, u"Request Sent"_qs,
                                 u"Receiving Response"_qs, u"Response Received"_qs,
                                 u"Disconecting"_qs, u"Disconnected"_qs, u"Error"_qs};
        for (int state = 0; state < states.size(); ++state) {
            QTest::addRow("state %d", state) << u"lblStat"_qs << state << states[state] << QString();
        }
        QTest::newRow("state 13") << u"lblStat"_qs << 13 << QString() << QString();
    }

    void fixedTexts()
    {
        QFETCH(QString, control);
        QFETCH(int, state);
        QFETCH(QString, text);
        QFETCH(QString, toolTip);
        MainWindowFixture f;
        QVERIFY(f.start());
        if (state != 0)
            Q_EMIT f.window->transfer().StateChanged(qint16(state));
        auto *widget = f.window->findChild<QWidget *>(control);
        QVERIFY(widget);
        if (auto *button = qobject_cast<QPushButton *>(widget))
            QCOMPARE(button->text(), text);
        else
            QCOMPARE(qobject_cast<QLabel *>(widget)->text(), text);
        if (state == 0)
            QCOMPARE(widget->toolTip(), toolTip);
    }

    void programFolder_data()
    {
        QTest::addColumn<QString>("executable");
        QTest::addColumn<QString>("expected");
        const QString bin = QDir::tempPath() + u"/talus-prefix/bin"_qs;
        QTest::newRow("installed") << bin << u"DATA"_qs;
        QTest::newRow("installed, path not clean") << bin + u"/../bin/"_qs << u"DATA"_qs;
        QTest::newRow("build folder") << QDir::tempPath() + u"/build/src"_qs << u"EXE"_qs;
        QTest::newRow("copied elsewhere") << QDir::tempPath() + u"/talus-prefix/bin2"_qs << u"EXE"_qs;
    }

    void programFolder()
    {
        QFETCH(QString, executable);
        QFETCH(QString, expected);
        const QString chosen = ChooseProgramFolder(
            executable, {u"/usr/bin"_qs, QDir::tempPath() + u"/talus-prefix/bin"_qs},
            u"/home/u/.local/share/talus-test-app"_qs);
        QCOMPARE(chosen, expected == u"DATA"_qs ? u"/home/u/.local/share/talus-test-app"_qs : executable);

        // The data folder does not exist before the first start; the window makes it.
        MainWindowFixture f;
        const QString data = f.path(u"share/talus-test-app"_qs);
        f.customize = [&](AppEnvironment &env) { env.programFolder = data; };
        QVERIFY(f.start());
        QVERIFY(QFileInfo::exists(data + u"/Data_Text.txt"_qs));
    }

    void logThatCannotBeCreated()
    {
        MainWindowFixture f;
        ApplyProgramFonts();
        // A folder of that name stands where the log would be created.
        QVERIFY(QDir(f.folder.path()).mkdir(u"Data_Text.txt"_qs));
        frmMain window(testEnvironment(f.folder.path(), f.boxes));
        QString error;
        QVERIFY(!window.Form_Load(&error));
        // Which file, in which folder, and the system's reason.
        QVERIFY2(error.startsWith(u"Cannot create Data_Text.txt in "_qs + f.folder.path() + u": "_qs)
                     && error.size() > 40,
                 qPrintable(error));
    }

    void shutdownSavesAddress()
    {
        MainWindowFixture f;
        QVERIFY(writeFileBytes(f.path(u"ORVA_Test_Application.ini"_qs),
                               "; kept by hand\r\n[IP]\r\nAddress=10.1.2.3:8080\r\n[Other]\r\nA=1\r\n"));
        QVERIFY(f.start());
        QCOMPARE(f.txtIP()->text(), u"10.1.2.3:8080"_qs);
        f.txtIP()->setText(u"10.0.0.5\r\n"_qs);
        QVERIFY(f.window->close());
        QCOMPARE(fileBytes(f.path(u"ORVA_Test_Application.ini"_qs)),
                 "; kept by hand\r\n[IP]\r\nAddress=10.0.0.5  \r\n[Other]\r\nA=1\r\n");

        // A settings file that cannot be written does not keep the window open.
        MainWindowFixture g;
        QVERIFY(g.start());
        QVERIFY(QDir(g.folder.path()).mkdir(u"ORVA_Test_Application.ini"_qs));
        QVERIFY(g.window->close());
        QVERIFY(!g.window->isVisible());
    }

    void signalClosesAsTheCloseBoxDoes()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        CloseOnSignals closeOnSignals(*f.window);
        f.txtIP()->setText(u"10.9.8.7"_qs);
        for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
            f.window->show();
            f.txtIP()->setText(QString::number(number));
            QVERIFY(::raise(number) == 0);
            QTRY_VERIFY(!f.window->isVisible());
            QCOMPARE(LoadSettings(f.folder.path()), QString::number(number));
        }
    }

    // The tooltip and colour of the status line tell how the last transfer ended.
    void outcomeAtAGlance_data()
    {
        QTest::addColumn<QString>("address"); // SERVER: the scripted server, FREE: a closed port
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<QString>("toolTip"); // a pattern
        QTest::addColumn<QColor>("color");
        const QColor green(0, 255, 0), amber(255, 191, 0), red(255, 80, 80);
        const QByteArray ok = "HTTP/1.1 200 OK\r\n";
        const auto row = [](const char *name, const char *address, const QByteArray &response,
                            const QString &toolTip, const QColor &color) {
            QTest::newRow(name) << QString::fromLatin1(address) << response << toolTip << color;
        };
        row("200", "SERVER", ScriptedHttpServer::okResponse("[]"), u"HTTP 200 OK · 2 bytes · \\d+ ms"_qs,
            green);
        row("404", "SERVER", "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nno such j",
            u"HTTP 404 Not Found · 9 bytes · \\d+ ms"_qs, amber);
        row("refused", "FREE", {}, u"Failed: connection refused"_qs, red);
        row("time-out", "SILENT", {}, u"Failed: no answer within 0.3 s"_qs, red);
        row("cut short", "SERVER", ok + "Content-Length: 9\r\n\r\nshort",
            u"Failed: connection closed before the answer was complete"_qs, red);
        row("bad chunk size", "SERVER", ok + "Transfer-Encoding: chunked\r\n\r\nzz\r\n",
            u"Failed: malformed answer: chunk size is not hexadecimal"_qs, red);
        row("over the limit", "SERVER", ok + "Content-Length: 17\r\n\r\n",
            u"Failed: answer larger than the limit"_qs, red);
        row("bad address", "127.0.0.1:99999", {},
            u"Failed: cannot send to this address: the port is not a number from 1 to 65535"_qs, red);
    }

    void outcomeAtAGlance()
    {
        QFETCH(QString, address);
        QFETCH(QByteArray, response);
        QFETCH(QString, toolTip);
        QFETCH(QColor, color);
        ScriptedHttpServer server;
        server.setResponse(response);
        server.setSilent(address == u"SILENT"_qs);
        MainWindowFixture f;
        f.customize = [](AppEnvironment &env) { env.transferTimeout = 300ms; };
        QVERIFY(f.start());
        f.window->transfer().setBodyLimit(16);
        f.txtIP()->setText(address.replace(u"SERVER"_qs, server.authority())
                               .replace(u"SILENT"_qs, server.authority())
                               .replace(u"FREE"_qs, ScriptedHttpServer::refusingAuthority()));
        // A finished transfer's details go away while the next one runs.
        f.lblStat()->setToolTip(u"from before"_qs);
        QStringList whileRunning;
        connect(&f.window->transfer(), &InetTransfer::StateChanged, this, [&](qint16 state) {
            if (state < InetTransfer::Failed)
                whileRunning << f.lblStat()->toolTip();
        });
        QVERIFY(f.send("cmd1"));
        QVERIFY2(QRegularExpression(u"^"_qs + toolTip + u"$"_qs).match(f.lblStat()->toolTip()).hasMatch(),
                 qPrintable(f.lblStat()->toolTip()));
        QCOMPARE(f.lblStat()->accessibleDescription(), f.lblStat()->toolTip());
        QCOMPARE(f.lblStat()->palette().color(QPalette::WindowText), color);
        QCOMPARE(whileRunning.count(QString()), whileRunning.size());
    }

    void enterPressesTheFocusedButton()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
            f.txtTx()->setBytes("sent");
            auto *clear = f.control<QPushButton>("cmdTxClear");
            clear->setFocus();
            QTest::keyClick(clear, key, key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
            QCOMPARE(f.txText(), QString());
        }
    }

    void captionsFit()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        int checked = 0;
        for (QWidget *widget : f.window->findChildren<QWidget *>()) {
            if (!widget->isVisibleTo(f.window.get()))
                continue;
            const QFontMetrics metrics(widget->font());
            const char *name = qPrintable(widget->objectName());
            QString caption;
            QRect area;
            if (auto *wrapping = qobject_cast<WrappingButton *>(widget)) {
                // Too wide for one line: wrapped at spaces, but still inside the button.
                area = wrapping->captionRect();
                QVERIFY2(area.contains(metrics.boundingRect(area, WrappingButton::captionFlags(),
                                                            wrapping->text())), name);
                ++checked;
                continue;
            } else if (auto *button = qobject_cast<QPushButton *>(widget)) {
                QStyleOptionButton option;
                option.initFrom(button);
                area = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
                caption = button->text();
            } else if (auto *label = qobject_cast<QLabel *>(widget)) {
                area = label->contentsRect();
                caption = label == f.lblStat() ? StatusText(InetTransfer::ResponseCompleted)
                                               : label->text();
            } else if (auto *frame = qobject_cast<QGroupBox *>(widget)) {
                area = frame->rect().adjusted(8, 0, -8, 0);
                caption = frame->title();
            }
            if (caption.isEmpty())
                continue;
            QVERIFY2(metrics.horizontalAdvance(caption) <= area.width(), name);
            QVERIFY2(metrics.height() <= area.height() + 2, name);
            ++checked;
        }
        // Nine visible buttons, seven captioned labels and five titled frames.
        QCOMPARE(checked, 9 + 7 + 5);
    }

    void tabOrder()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        QStringList order;
        QWidget *widget = f.txtIP();
        do {
            if ((widget->focusPolicy() & Qt::TabFocus) && widget->isVisibleTo(f.window.get()))
                order << widget->objectName();
            widget = widget->nextInFocusChain();
        } while (widget != f.txtIP());
        QCOMPARE(order.join(u' '), u"txtIP cmdTxClear cmdTxCopy cmdRxClear cmdRxCopy txtTx txtRx "
                                   "gridCon_1 cmd1 cmd2 cmdGetJob cmdStopJob cmdDeleteJob"_qs);
        // Tab leaves the grid instead of moving inside it.
        QVERIFY(!f.window->grid().tabKeyNavigation());
    }

    void clearAndCopy()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        // Copy hands on the traffic exactly: CR LF and a lone CR stay as they were.
        const QByteArray sent = "sent\r\nlines\rmore\r\n";
        f.txtTx()->setBytes(sent);
        f.txtRx()->setBytes("received");
        // Part of the pane selected: the whole pane is copied all the same.
        f.txtTx()->setSelection(1, 3);
        f.click("cmdTxCopy");
        QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromUtf8(sent));

        f.click("cmdTxClear");
        QCOMPARE(f.txText(), QString());
        QCOMPARE(f.rxText(), u"received"_qs);
        QCOMPARE(f.control<QLabel>("lblTXBytes")->text(), u"0"_qs);
        // Copying an empty pane leaves the clipboard empty.
        f.click("cmdTxCopy");
        QCOMPARE(QGuiApplication::clipboard()->text(), QString());
        f.click("cmdRxCopy");
        QCOMPARE(QGuiApplication::clipboard()->text(), u"received"_qs);
        f.click("cmdRxClear");
        QCOMPARE(f.rxText(), QString());
        QCOMPARE(f.log(), QByteArray());
    }
};

QTEST_MAIN(tst_frmMain)
#include "tst_frmMain.moc"

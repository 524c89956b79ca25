#include "MainWindowFixture.h"
#include "WrappingButton.h"
#include "desktop/CloseOnSignals.h"
#include "settings/Settings.h"
#include "traffic/StatusText.h"

#include <QClipboard>
#include <QGroupBox>
#include <QStyleOptionButton>

#include <csignal>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

class tst_frmMain final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // As started, fixed in size with a close box only; Tab visits the controls in the order they
    // stand, and leaves the grid instead of moving inside it.
    void startUp()
    {
        MainWindowFixture f;
        QVERIFY(writeFileBytes(f.path(u"Data_Text.txt"_s), "left by the previous run\r\n"));
        QVERIFY(f.start());
        QCOMPARE(f.window->windowTitle(),
                 u"Veltrane  TALUS Video Compare Tracking API Test App  Version: 0.0.1"_s);
        QCOMPARE(f.txtIP()->text(), u"127.0.0.1"_s);
        QCOMPARE(f.log(), QByteArray());
        QCOMPARE(f.window->focusWidget(), f.txtIP());
        QVERIFY(!f.control<QPushButton>("cmdJob")->isVisible());
        QCOMPARE(f.window->minimumSize(), f.window->maximumSize());
        QVERIFY(!(f.window->windowFlags()
                  & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QStringList order;
        QWidget *next = f.txtIP();
        do {
            if ((next->focusPolicy() & Qt::TabFocus) && next->isVisibleTo(f.window.get()))
                order << next->objectName();
            next = next->nextInFocusChain();
        } while (next != f.txtIP());
        QCOMPARE(order.join(u' '),
                 u"txtIP cmdTxClear cmdTxCopy cmdRxClear cmdRxCopy txtTx txtRx "
                 "gridCon_1 cmd1 cmd2 cmdGetJob cmdStopJob cmdDeleteJob"_s);
        QVERIFY(!f.grid()->tabKeyNavigation());
    }

    // Every visible caption fits its room, and so does a count of ten digits.
    void captionsFit()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        int checked = 0;
        for (QWidget *widget : f.window->findChildren<QWidget *>()) {
            if (!widget->isVisibleTo(f.window.get()))
                continue;
            const QFontMetrics metrics(widget->font());
            const QByteArray name = widget->objectName().toUtf8();
            QString caption;
            QRect area = widget->contentsRect();
            if (auto *wrapping = qobject_cast<WrappingButton *>(widget)) {
                // Too wide for one line: wrapped at spaces, but still inside the button.
                area = wrapping->captionRect();
                const int flags = WrappingButton::captionFlags();
                QVERIFY2(area.contains(metrics.boundingRect(area, flags, wrapping->text())),
                         name.constData());
                ++checked;
            } else if (auto *button = qobject_cast<QPushButton *>(widget)) {
                QStyleOptionButton option;
                option.initFrom(button);
                area =
                    button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
                caption = button->text();
            } else if (auto *label = qobject_cast<QLabel *>(widget)) {
                caption = label == f.lblStat() ? statusText(InetTransfer::ResponseCompleted)
                    : name.endsWith("Bytes")   ? u"4294967296"_s
                                               : label->text();
                QVERIFY2(label->geometry().right() <= label->parentWidget()->contentsRect().right(),
                         name.constData());
            } else if (auto *frame = qobject_cast<QGroupBox *>(widget)) {
                area = frame->rect().adjusted(8, 0, -8, 0);
                caption = frame->title();
            }
            if (caption.isEmpty())
                continue;
            QVERIFY2(metrics.horizontalAdvance(caption) <= area.width(), name.constData());
            QVERIFY2(metrics.height() <= area.height() + 2, name.constData());
            ++checked;
        }
        // Nine visible buttons, seven captioned labels and five titled frames.
        QCOMPARE(checked, 9 + 7 + 5);
    }

    // The program folder is made at the first start. A second copy started from the same folder
    // is refused, naming the log, and empties nothing: the first copy's log goes on. A log that
    // cannot be created names the file, the folder and the system's reason.
    void logFolder()
    {
        MainWindowFixture f;
        const QString data = f.path(u"share/talus-test-app"_s), blocked = f.path(u"blocked"_s);
        const QString log = data + u"/Data_Text.txt"_s;
        f.customize = [&](AppEnvironment &env) { env.programFolder = data; };
        QVERIFY(f.serve());
        QVERIFY(f.send("cmd1"));
        const QByteArray logged = fileBytes(log);
        const Result<> second = frmMain(testEnvironment(data, f.boxes)).Form_Load();
        QCOMPARE(second ? u"loaded"_s : second.reason(),
                 u"The traffic log %1 is in use by another copy of this program"_s.arg(log));
        QCOMPARE(fileBytes(log), logged);
        QVERIFY(f.send("cmd1"));
        QVERIFY(!logged.isEmpty() && fileBytes(log).startsWith(logged)
                && fileBytes(log).size() > logged.size());
        QVERIFY(QDir().mkpath(blocked + u"/Data_Text.txt"_s));
        const Result<> loaded = frmMain(testEnvironment(blocked, f.boxes)).Form_Load();
        QCOMPARE(loaded ? u"loaded"_s : loaded.reason(),
                 u"Cannot create Data_Text.txt in "_s + blocked + u": Is a directory"_s);
    }

    // Texts operators and their scripts know as they stand, read from the live window, the
    // status line's for each transfer state too.
    void fixedTexts()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        QStringList texts;
        for (const char *name :
             {"cmd1", "cmd2", "cmdGetJob", "cmdStopJob", "cmdDeleteJob", "cmdTxCopy", "cmdRxCopy",
              "cmdTxClear", "Label6", "Label4_2", "Label2"}) {
            auto *widget = f.control<QWidget>(name);
            texts << widget->property("text").toString() + u'/' + widget->toolTip();
        }
        QCOMPARE(
            texts.join(u'|'),
            u"List Tracking Job Statuses/|Create Tracking Job/|Get Selected Tracking Job "
            "Status/|Stop Selected Tracking Job/|Delete Selected Tracking Job/|Copy/Copy to "
            "clipboard.|Copy/Copy to clipboard.|Clear/|Connection Status/|TALUS IP/|Bytes =/"_s);
        // Before any transfer, each state to Failed, and one past the known ones.
        QStringList states{f.lblStat()->text()};
        for (const qint16 state : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 13}) {
            Q_EMIT f.transfer()->StateChanged(state);
            states << f.lblStat()->text();
        }
        QCOMPARE(states.join(u'|'),
                 u"|Resolving Host|Host Resolved|Connecting|Connected|Requesting|Request Sent|"
                 "Receiving Response|Response Received|Disconecting|Disconnected|Error|"_s);
    }

    // The close box and the stop signals alike save the typed address; an unwritable settings file
    // does not keep the window open.
    void closingSavesTheAddress()
    {
        MainWindowFixture f;
        const QString ini = f.path(u"ORVA_Test_Application.ini"_s);
        QVERIFY(writeFileBytes(ini, "[IP]\r\nAddress=10.1.2.3:8080\r\n"));
        QVERIFY(f.start());
        QCOMPARE(f.txtIP()->text(), u"10.1.2.3:8080"_s);
        CloseOnSignals closeOnSignals(*f.window);
        for (const int number : {0, SIGTERM, SIGINT, SIGHUP}) {
            f.window->show();
            f.txtIP()->setText(QString::number(number));
            QVERIFY(number ? ::raise(number) == 0 : f.window->close());
            QTRY_VERIFY(!f.window->isVisible());
            QCOMPARE(LoadSettings(f.folder.path()), QString::number(number));
        }
        // A FIFO in the file's place (the settings' own test checks it is left alone).
        QVERIFY(QFile::remove(ini) && ::mkfifo(QFile::encodeName(ini).constData(), 0600) == 0);
        f.window->show();
        QTest::ignoreMessage(QtWarningMsg,
                             qPrintable(u"Cannot save the settings to %1: it is not a regular "
                                        "file but a FIFO; the file is left as it was"_s.arg(ini)));
        QVERIFY(f.window->close());
    }

    // Copy hands on the whole pane exactly, CR LF and lone CR kept; Enter presses the focused
    // button.
    void clearAndCopy()
    {
        MainWindowFixture f;
        QVERIFY(f.start());
        const QByteArray sent = "sent\r\nlines\rmore\r\n";
        f.txtTx()->setBytes(sent);
        f.txtRx()->setBytes("received");
        f.txtTx()->setSelection(1, 3);
        f.click("cmdTxCopy");
        QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromUtf8(sent));
        const auto press = [&f](const char *button, Qt::Key key,
                                Qt::KeyboardModifiers modifiers = {}) {
            f.control<QPushButton>(button)->setFocus();
            QTest::keyClick(f.control<QPushButton>(button), key, modifiers);
        };
        press("cmdTxClear", Qt::Key_Return);
        QCOMPARE(f.txText(), QString());
        QCOMPARE(f.rxText(), u"received"_s);
        // Copying an empty pane leaves the clipboard empty.
        f.click("cmdTxCopy");
        QCOMPARE(QGuiApplication::clipboard()->text(), QString());
        f.click("cmdRxCopy");
        QCOMPARE(QGuiApplication::clipboard()->text(), u"received"_s);
        press("cmdRxClear", Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(f.rxText(), QString());
        QCOMPARE(f.log(), QByteArray());
    }
};

QTEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"

#include "MainWindowFixture.h"

#include "app/StatusText.h"
#include "widgets/WrappingButton.h"

#include <QClipboard>
#include <QGroupBox>
#include <QStyleOptionButton>

class tst_frmMain final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startUp();
    void logThatCannotBeCreated();
    void shutdownSavesAddress();
    void captionsFit();
    void tabOrder();
    void clearAndCopy();
};

void tst_frmMain::startUp()
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
    QCOMPARE(f.control<QPushButton>("cmdJob")->focusPolicy(), Qt::NoFocus);
    QVERIFY(!f.window->StillExecuting());
}

void tst_frmMain::logThatCannotBeCreated()
{
    MainWindowFixture f;
    ApplyProgramFonts();
    // A folder of that name stands where the log would be created.
    QVERIFY(QDir(f.folder.path()).mkdir(u"Data_Text.txt"_qs));
    frmMain window(testEnvironment(f.folder.path(), f.boxes));
    QString error;
    QVERIFY(!window.Form_Load(&error));
    QVERIFY2(!error.isEmpty(), "the system's error text is handed back");
}

void tst_frmMain::shutdownSavesAddress()
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

void tst_frmMain::captionsFit()
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

void tst_frmMain::tabOrder()
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
    // Tab leaves the panes and the grid instead of being typed into them.
    QVERIFY(f.txtTx()->tabChangesFocus() && f.txtRx()->tabChangesFocus());
    QVERIFY(!f.window->grid().tabKeyNavigation());
}

void tst_frmMain::clearAndCopy()
{
    MainWindowFixture f;
    QVERIFY(f.start());
    f.txtTx()->setPlainText(u"sent\nlines"_qs);
    f.txtRx()->setPlainText(u"received"_qs);
    // Part of the pane selected: the whole pane is copied all the same.
    QTextCursor cursor = f.txtTx()->textCursor();
    cursor.setPosition(1);
    cursor.setPosition(3, QTextCursor::KeepAnchor);
    f.txtTx()->setTextCursor(cursor);
    f.click("cmdTxCopy");
    QCOMPARE(QGuiApplication::clipboard()->text(), u"sent\nlines"_qs);

    f.click("cmdTxClear");
    QCOMPARE(f.txtTx()->toPlainText(), QString());
    QCOMPARE(f.txtRx()->toPlainText(), u"received"_qs);
    QCOMPARE(f.control<QLabel>("lblTXBytes")->text(), u"0"_qs);
    // Copying an empty pane leaves the clipboard empty.
    f.click("cmdTxCopy");
    QCOMPARE(QGuiApplication::clipboard()->text(), QString());
    f.click("cmdRxCopy");
    QCOMPARE(QGuiApplication::clipboard()->text(), u"received"_qs);
    f.click("cmdRxClear");
    QCOMPARE(f.txtRx()->toPlainText(), QString());
    QCOMPARE(f.log(), QByteArray());
}

QTEST_MAIN(tst_frmMain)
#include "tst_frmMain.moc"

#include "MainWindowFixture.h"

#include "app/StatusText.h"
#include "app/WrappingButton.h"

#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QStyleOptionButton>

class tst_frmMain final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void titleAndFirstRun();
    void rememberedAddressIsShown();
    void previousLogIsEmptied();
    void logThatCannotBeCreated();
    void shutdownSavesAddress_data();
    void shutdownSavesAddress();
    void shutdownClosesEvenWhenSettingsCannotBeWritten();
    void layout_data();
    void layout();
    void captionsFit();
    void fontsAndColours();
    void tabOrder();
    void hiddenCommandIsUnreachable();
    void clearLeavesByteCounts();
    void copyReplacesClipboardWithWholePane_data();
    void copyReplacesClipboardWithWholePane();
};

void tst_frmMain::titleAndFirstRun()
{
    MainWindowFixture f;
    QVERIFY(f.start());
    QCOMPARE(f.window->windowTitle(),
             u"Veltrane  TALUS Video Compare Tracking API Test App  Version: 0.0.1"_qs);
    QCOMPARE(f.txtIP()->text(), u"127.0.0.1"_qs);
    QVERIFY(QFile::exists(f.path(u"Data_Text.txt"_qs)));
    QCOMPARE(f.log(), QByteArray());
    QCOMPARE(f.lblStat()->text(), QString());
    QCOMPARE(f.window->requestKind(), RequestKind::None);
    QCOMPARE(f.window->jobStatuses().upperBound(), 0);
    // Nothing is sent at start-up.
    QVERIFY(!f.window->StillExecuting());
}

void tst_frmMain::rememberedAddressIsShown()
{
    MainWindowFixture f;
    QVERIFY(writeFileBytes(f.path(u"ORVA_Test_Application.ini"_qs),
                           "; kept by hand\r\n[IP]\r\nAddress=10.1.2.3:8080\r\n"));
    QVERIFY(f.start());
    QCOMPARE(f.txtIP()->text(), u"10.1.2.3:8080"_qs);
}

void tst_frmMain::previousLogIsEmptied()
{
    MainWindowFixture f;
    QVERIFY(writeFileBytes(f.path(u"Data_Text.txt"_qs), "---Data Transmitted---\r\nold\r\n"));
    QVERIFY(f.start());
    QCOMPARE(f.log(), QByteArray());
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
    QVERIFY(!window.isVisible());
}

void tst_frmMain::shutdownSavesAddress_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("nextStart");

    QTest::newRow("address") << u"10.0.0.5"_qs << QByteArray("[IP]\r\nAddress=10.0.0.5\r\n")
                             << u"10.0.0.5"_qs;
    QTest::newRow("CR LF becomes two spaces")
        << u"10.0.0.5\r\n"_qs << QByteArray("[IP]\r\nAddress=10.0.0.5  \r\n") << u"10.0.0.5"_qs;
    QTest::newRow("empty address is kept empty") << QString() << QByteArray("[IP]\r\nAddress=\r\n")
                                                 << QString();
}

void tst_frmMain::shutdownSavesAddress()
{
    QFETCH(QString, typed);
    QFETCH(QByteArray, file);
    QFETCH(QString, nextStart);

    MainWindowFixture f;
    QVERIFY(f.start());
    f.txtIP()->setText(typed);
    QVERIFY(f.window->close());
    QCOMPARE(fileBytes(f.path(u"ORVA_Test_Application.ini"_qs)), file);

    ApplyProgramFonts();
    frmMain again(testEnvironment(f.folder.path()));
    QString error;
    QVERIFY(again.Form_Load(&error));
    QCOMPARE(again.findChild<QLineEdit *>(u"txtIP"_qs)->text(), nextStart);
}

void tst_frmMain::shutdownClosesEvenWhenSettingsCannotBeWritten()
{
    MainWindowFixture f;
    QVERIFY(f.start());
    // A folder in the settings file's place makes the write fail.
    QVERIFY(QDir(f.folder.path()).mkdir(u"ORVA_Test_Application.ini"_qs));
    QVERIFY(f.window->close());
    QVERIFY(!f.window->isVisible());
}

void tst_frmMain::layout_data()
{
    // Positions and sizes in twips, relative to the container, as the window was drawn.
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("twips");

    const auto row = [](const char *name, const char *parent, int l, int t, int w, int h) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(parent)
                            << QRect(l, t, w, h);
    };
    row("Frame3", "frmMain", 180, 150, 3915, 2505);
    row("Picture1", "Frame3", 330, 270, 3165, 675);
    row("Label6", "Picture1", 690, 30, 1725, 255);
    row("lblStat", "Picture1", 90, 270, 2955, 255);
    row("Label4_2", "Frame3", 120, 960, 1215, 315);
    row("txtIP", "Frame3", 1320, 960, 2475, 315);
    row("Frame4", "frmMain", 180, 2700, 3915, 2715);
    row("txtTx", "Frame4", 150, 240, 3645, 2055);
    row("cmdTxClear", "Frame4", 150, 2340, 975, 315);
    row("cmdTxCopy", "Frame4", 1230, 2340, 975, 315);
    row("Label2", "Frame4", 2340, 2400, 495, 225);
    row("lblTXBytes", "Frame4", 2850, 2400, 465, 285);
    row("Frame5", "frmMain", 180, 5490, 3915, 2715);
    row("txtRx", "Frame5", 150, 240, 3645, 2025);
    row("cmdRxClear", "Frame5", 150, 2340, 975, 315);
    row("cmdRxCopy", "Frame5", 1230, 2340, 975, 315);
    row("Label3", "Frame5", 2370, 2400, 495, 225);
    row("lblRXBytes", "Frame5", 2910, 2400, 465, 285);
    row("Frame1", "frmMain", 4200, 150, 10725, 8055);
    row("Frame7", "Frame1", 180, 240, 4695, 855);
    row("cmd1", "Frame7", 840, 240, 2895, 495);
    row("cmdJob", "Frame1", 4770, 480, 1065, 555);
    row("Frame8", "Frame1", 5760, 240, 4695, 855);
    row("cmd2", "Frame8", 840, 240, 2895, 495);
    row("Frame2", "Frame1", 180, 1200, 10335, 6705);
    row("gridCon_1", "Frame2", 120, 240, 10035, 5595);
    row("cmdGetJob", "Frame2", 120, 5940, 2535, 615);
    row("cmdDeleteJob", "Frame2", 2880, 5940, 2535, 615);
    row("cmdStopJob", "Frame2", 5640, 5940, 2535, 615);
}

void tst_frmMain::layout()
{
    QFETCH(QString, name);
    QFETCH(QString, parent);
    QFETCH(QRect, twips);

    MainWindowFixture f;
    QVERIFY(f.start());
    QWidget *widget = f.window->findChild<QWidget *>(name);
    QVERIFY(widget);
    QCOMPARE(widget->parentWidget()->objectName(), parent);
    const QRect pixels(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15);
    QCOMPARE(widget->pos(), pixels.topLeft());
    QCOMPARE(widget->height(), pixels.height());
    // A caption label may grow to the right so its caption is not cut off.
    if (qobject_cast<QLabel *>(widget))
        QVERIFY(widget->width() >= pixels.width() && widget->width() <= pixels.width() + 6);
    else
        QCOMPARE(widget->width(), pixels.width());

    // The client area, fixed.
    QCOMPARE(f.window->size(), QSize(15075 / 15, 8415 / 15));
    QCOMPARE(f.window->minimumSize(), f.window->maximumSize());
    QVERIFY(!(f.window->windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(f.window->windowFlags() & Qt::WindowMaximizeButtonHint));
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
        const QString name = widget->objectName();
        if (auto *wrapping = qobject_cast<WrappingButton *>(widget)) {
            const QRect area = wrapping->captionRect();
            const QRect needed =
                metrics.boundingRect(area, WrappingButton::captionFlags(), wrapping->text());
            QVERIFY2(area.contains(needed), qPrintable(name));
            // Only a caption that is too wide for one line is wrapped, at a space.
            ++checked;
        } else if (auto *button = qobject_cast<QPushButton *>(widget)) {
            QStyleOptionButton option;
            option.initFrom(button);
            option.text = button->text();
            const QRect area =
                button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
            QVERIFY2(metrics.horizontalAdvance(button->text()) <= area.width(), qPrintable(name));
            QVERIFY2(metrics.height() <= area.height() + 2, qPrintable(name));
            ++checked;
        } else if (auto *label = qobject_cast<QLabel *>(widget)) {
            if (label->text().isEmpty())
                continue;
            const QRect area = label->contentsRect();
            QVERIFY2(metrics.horizontalAdvance(label->text()) <= area.width(), qPrintable(name));
            QVERIFY2(metrics.height() <= area.height() + 2, qPrintable(name));
            ++checked;
        } else if (auto *frame = qobject_cast<QGroupBox *>(widget)) {
            if (frame->title().isEmpty())
                continue;
            QVERIFY2(metrics.horizontalAdvance(frame->title()) + 16 <= frame->width(),
                     qPrintable(name));
            ++checked;
        }
    }
    // Nine visible buttons, six captioned labels and five titled frames.
    QCOMPARE(checked, 9 + 6 + 5);
    // Every text the status line can show fits it too.
    const QFontMetrics status(f.lblStat()->font());
    for (int state = 1; state <= 12; ++state)
        QVERIFY(status.horizontalAdvance(StatusText(state)) <= f.lblStat()->contentsRect().width());
}

void tst_frmMain::fontsAndColours()
{
    MainWindowFixture f;
    QVERIFY(f.start());
    const auto font = [&f](const char *name) { return f.control<QWidget>(name)->font(); };
    QCOMPARE(font("txtIP").family(), u"Liberation Sans"_qs);
    QCOMPARE(font("txtIP").pointSizeF(), 8.25);
    QVERIFY(!font("txtIP").bold());
    for (const char *bold : {"cmd1", "cmd2", "cmdGetJob", "cmdStopJob", "cmdDeleteJob", "Frame1",
                             "Frame2", "lblStat", "Label6"}) {
        QVERIFY2(font(bold).bold(), bold);
        QCOMPARE(font(bold).family(), u"Liberation Sans"_qs);
    }
    // Children of the bold frames that are drawn in the plain face.
    for (const char *plain : {"cmdJob", "gridCon_1", "Frame7", "Frame8"})
        QVERIFY2(!font(plain).bold(), plain);
    QVERIFY(font("Label6").underline());
    QVERIFY(font("txtTx").fixedPitch());
    QVERIFY(font("txtTx").bold());
    QCOMPARE(font("txtRx"), font("txtTx"));

    QCOMPARE(f.window->palette().color(QPalette::Window), QColor(64, 64, 64));
    QCOMPARE(f.control<QWidget>("Label6")->palette().color(QPalette::WindowText), QColor(0, 255, 255));
    QCOMPARE(f.lblStat()->palette().color(QPalette::WindowText), QColor(0, 255, 0));
    QCOMPARE(f.lblStat()->alignment(), Qt::AlignCenter);
    QCOMPARE(f.txtIP()->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    QCOMPARE(f.control<QWidget>("cmdTxCopy")->toolTip(), u"Copy to clipboard."_qs);
    QCOMPARE(f.control<QWidget>("cmdRxCopy")->toolTip(), u"Copy to clipboard."_qs);
    QVERIFY(!f.window->windowIcon().isNull());
}

void tst_frmMain::tabOrder()
{
    MainWindowFixture f;
    QVERIFY(f.start());
    QCOMPARE(f.window->focusWidget(), f.txtIP());

    QStringList order;
    QWidget *widget = f.txtIP();
    do {
        if ((widget->focusPolicy() & Qt::TabFocus) && widget->isVisibleTo(f.window.get())
            && widget->isEnabled())
            order << widget->objectName();
        widget = widget->nextInFocusChain();
    } while (widget != f.txtIP());
    const QStringList expected = {u"txtIP"_qs,     u"cmdTxClear"_qs, u"cmdTxCopy"_qs,
                                  u"cmdRxClear"_qs, u"cmdRxCopy"_qs,  u"txtTx"_qs,
                                  u"txtRx"_qs,     u"gridCon_1"_qs,  u"cmd1"_qs,
                                  u"cmd2"_qs,      u"cmdGetJob"_qs,  u"cmdStopJob"_qs,
                                  u"cmdDeleteJob"_qs};
    QCOMPARE(order, expected);
    // Tab leaves the panes and the grid instead of being typed into them.
    QVERIFY(f.txtTx()->tabChangesFocus());
    QVERIFY(!f.window->grid().tabKeyNavigation());
}

void tst_frmMain::hiddenCommandIsUnreachable()
{
    MainWindowFixture f;
    QVERIFY(f.start());
    auto *cmdJob = f.control<QPushButton>("cmdJob");
    QCOMPARE(cmdJob->text(), u"Command1"_qs);
    QVERIFY(!cmdJob->isVisible());
    QCOMPARE(cmdJob->focusPolicy(), Qt::NoFocus);
}

void tst_frmMain::clearLeavesByteCounts()
{
    MainWindowFixture f;
    QVERIFY(f.start());
    f.txtTx()->setPlainText(u"sent"_qs);
    f.txtRx()->setPlainText(u"received"_qs);
    f.lblStat()->setText(u"Connected"_qs);
    f.click("cmdTxClear");
    QCOMPARE(f.txtTx()->toPlainText(), QString());
    QCOMPARE(f.txtRx()->toPlainText(), u"received"_qs);
    f.click("cmdRxClear");
    QCOMPARE(f.txtRx()->toPlainText(), QString());
    QCOMPARE(f.control<QLabel>("lblTXBytes")->text(), u"0"_qs);
    QCOMPARE(f.control<QLabel>("lblRXBytes")->text(), u"0"_qs);
    QCOMPARE(f.lblStat()->text(), u"Connected"_qs);
    QCOMPARE(f.log(), QByteArray());
}

void tst_frmMain::copyReplacesClipboardWithWholePane_data()
{
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<QByteArray>("pane");
    QTest::addColumn<QString>("text");

    QTest::newRow("TX text") << QByteArray("cmdTxCopy") << QByteArray("txtTx") << u"line 1\nline 2"_qs;
    QTest::newRow("RX text") << QByteArray("cmdRxCopy") << QByteArray("txtRx") << u"[{}]"_qs;
    QTest::newRow("empty TX pane") << QByteArray("cmdTxCopy") << QByteArray("txtTx") << QString();
    QTest::newRow("empty RX pane") << QByteArray("cmdRxCopy") << QByteArray("txtRx") << QString();
}

void tst_frmMain::copyReplacesClipboardWithWholePane()
{
    QFETCH(QByteArray, button);
    QFETCH(QByteArray, pane);
    QFETCH(QString, text);

    MainWindowFixture f;
    QVERIFY(f.start());
    QGuiApplication::clipboard()->setText(u"whatever was there"_qs);
    auto *edit = f.control<QPlainTextEdit>(pane.constData());
    edit->setPlainText(text);
    // Part of the pane selected: the whole pane is copied all the same.
    QTextCursor cursor = edit->textCursor();
    cursor.setPosition(0);
    cursor.setPosition(qMin(2, int(text.size())), QTextCursor::KeepAnchor);
    edit->setTextCursor(cursor);
    f.click(button.constData());
    QCOMPARE(QGuiApplication::clipboard()->text(), text);
}

QTEST_MAIN(tst_frmMain)
#include "tst_frmMain.moc"

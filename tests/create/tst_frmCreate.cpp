#include "create/frmCreate.h"

#include "app/ProgramLook.h"
#include "create/RandomSource.h"
#include "timeconv/FormatUtcTimestamp.h"

#include "FakeRequestSender.h"
#include "RecordingMessageBoxes.h"
#include "ScriptedRandom.h"
#include "WorkedExample.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimeZone>
#include <QTimer>

#include <cmath>

namespace {

class FixedZone final : public TimeZoneSource
{
public:
    ZoneBias currentBias() const override
    {
        ZoneBias bias;
        bias.Bias = 300;
        bias.DaylightBias = -60;
        return bias;
    }
};

// Relative luminance and contrast ratio as the accessibility guidelines define them.
double Luminance(const QColor &colour)
{
    const auto channel = [](double value) {
        return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF())
        + 0.0722 * channel(colour.blueF());
}

double Contrast(const QColor &a, const QColor &b)
{
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

class tst_frmCreate final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void startsWithItsStartValues();
    void reopeningGivesAFreshWindow();
    void windowLook();
    void fonts_data();
    void fonts();
    void captionsFit();
    void captionsReadable();
    void tabOrder();

    void randomIdentifier();
    void randomSequenceRunsOnAcrossWindows();
    void timePresets_data();
    void timePresets();

    void validCreateSendsAndCloses();
    void secondListChoiceGoesIntoBody();
    void acceptedInput_data();
    void acceptedInput();
    void refusedInput_data();
    void refusedInput();
    void busyTransferClosesWithoutSending();
    void cancelSendsNothing();

    void otherProgramWindowClosesIt();
    void ownMessageBoxKeepsIt();
    void otherApplicationKeepsIt();
    void windowNeverActiveIsNotClosed();

private:
    frmCreate *openWindow();
    template<typename T>
    T *control(const char *name) const;
    void fillValid();
    void clickCreate();

    QWidget m_other; // stands in for the main window
    FakeRequestSender m_sender;
    std::shared_ptr<RecordingMessageBoxes> m_boxes;
    AppEnvironment m_env;
    QPointer<frmCreate> m_current;
};

void tst_frmCreate::initTestCase()
{
    ApplyProgramFonts();
    m_other.setWindowTitle(QStringLiteral("other program window"));
    m_other.resize(200, 100);
    m_other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m_other));
}

void tst_frmCreate::init()
{
    m_sender = FakeRequestSender();
    m_boxes = std::make_shared<RecordingMessageBoxes>();
    m_env = AppEnvironment();
    m_env.messageBoxes = m_boxes;
    m_env.clock = [] { return QDateTime(QDate(2024, 3, 5), QTime(9, 7, 2)); };
    m_env.timeZone = std::make_shared<FixedZone>();
    m_env.random = std::make_shared<FixedSeedRandom>();

    m_other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&m_other));
}

void tst_frmCreate::cleanup()
{
    if (m_current)
        m_current->close();
    QTRY_VERIFY(m_current.isNull());
}

frmCreate *tst_frmCreate::openWindow()
{
    frmCreate *window = OpenCreateWindow(m_current, m_sender, m_env);
    if (!QTest::qWaitForWindowActive(window))
        return nullptr;
    return window;
}

template<typename T>
T *tst_frmCreate::control(const char *name) const
{
    return m_current ? m_current->findChild<T *>(QLatin1String(name)) : nullptr;
}

void tst_frmCreate::fillValid()
{
    for (const auto &[name, text] : WorkedExampleFields)
        control<QLineEdit>(name)->setText(QLatin1String(text));
}

void tst_frmCreate::clickCreate()
{
    QTest::mouseClick(control<QPushButton>("cmdCreate"), Qt::LeftButton);
}

void tst_frmCreate::startsWithItsStartValues()
{
    frmCreate *window = openWindow();
    QVERIFY(window);

    const QList<QLineEdit *> boxes = window->findChildren<QLineEdit *>();
    QCOMPARE(boxes.size(), 14);
    for (const QLineEdit *box : boxes) {
        QVERIFY2(box->text().isEmpty(), qPrintable(box->objectName()));
        QCOMPARE(box->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    }

    const QStringList items{QStringLiteral("ThresholdValue1"), QStringLiteral("ThresholdValue2")};
    for (const char *name : {"cmbThreshold_1", "cmbThreshold_2"}) {
        auto *list = control<QComboBox>(name);
        QVERIFY(!list->isEditable());
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->itemText(0), items.at(0));
        QCOMPARE(list->itemText(1), items.at(1));
    }
    QCOMPARE(control<QComboBox>("cmbThreshold_1")->currentText(), items.at(0));
    QCOMPARE(control<QComboBox>("cmbThreshold_2")->currentText(), items.at(1));

    QTRY_COMPARE(QApplication::focusWidget(), control<QLineEdit>("txtExternalID"));
}

void tst_frmCreate::reopeningGivesAFreshWindow()
{
    frmCreate *first = openWindow();
    QVERIFY(first);
    fillValid();
    control<QComboBox>("cmbThreshold_1")->setCurrentIndex(1);
    control<QComboBox>("cmbThreshold_2")->setCurrentIndex(0);
    QPointer<frmCreate> firstGuard(first);

    // Opening again while one is open replaces it.
    frmCreate *second = openWindow();
    QVERIFY(second);
    QVERIFY(second != first);
    QTRY_VERIFY(firstGuard.isNull());
    QCOMPARE(m_current.data(), second);
    QCOMPARE(control<QLineEdit>("txtChannelName_2")->text(), QString());
    QCOMPARE(control<QComboBox>("cmbThreshold_1")->currentIndex(), 0);
    QCOMPARE(control<QComboBox>("cmbThreshold_2")->currentIndex(), 1);

    // And after a Cancel.
    fillValid();
    QTest::mouseClick(control<QPushButton>("cmdCancel"), Qt::LeftButton);
    QTRY_VERIFY(m_current.isNull());
    QVERIFY(openWindow());
    QCOMPARE(control<QLineEdit>("txtExternalID")->text(), QString());
    QCOMPARE(m_sender.attempts, 0);

    int visibleCreationWindows = 0;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<frmCreate *>(widget) && widget->isVisible())
            ++visibleCreationWindows;
    }
    QCOMPARE(visibleCreationWindows, 1);
}

void tst_frmCreate::windowLook()
{
    frmCreate *window = openWindow();
    QVERIFY(window);

    QCOMPARE(window->windowTitle(), QStringLiteral("Create Tracking Job"));
    QCOMPARE(window->parentWidget(), nullptr);
    QVERIFY(window->testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(window->size(), QSize(7230 / 15, 8670 / 15));
    QCOMPARE(window->minimumSize(), window->size());
    QCOMPARE(window->maximumSize(), window->size());
    QVERIFY(!(window->windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(window->windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(window->palette().color(QPalette::Window), QColor(64, 64, 64));

    QCOMPARE(control<QPushButton>("cmdRandom")->toolTip(), QStringLiteral("Random externalId"));
    QCOMPARE(control<QPushButton>("cmdTime")->toolTip(),
             QStringLiteral("Use current time plus 2 minutes for the start time.  Use current "
                            "time plus 32 minutes for the end time (30 minute duration)."));

    // Stream 1 sits in the first stream frame, stream 2 in the second.
    QCOMPARE(control<QLineEdit>("txtPrimaryIP_1")->parentWidget()->objectName(),
             QStringLiteral("Frame2_0"));
    QCOMPARE(control<QComboBox>("cmbThreshold_2")->parentWidget()->objectName(),
             QStringLiteral("Frame2_1"));
    QCOMPARE(control<QGroupBox>("Frame2_0")->title(), QStringLiteral("Stream 1 Details"));
    QCOMPARE(control<QGroupBox>("Frame2_1")->title(), QStringLiteral("Stream 2 Details"));
}

void tst_frmCreate::fonts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<qreal>("pointSize");

    QTest::newRow("main frame title") << QStringLiteral("Frame1") << true << 8.25;
    QTest::newRow("stream frame title") << QStringLiteral("Frame2_1") << true << 8.25;
    QTest::newRow("field label") << QStringLiteral("lblExternalID") << false << 8.25;
    QTest::newRow("stream label") << QStringLiteral("lblBackupIP_2") << false << 8.25;
    QTest::newRow("stream text box") << QStringLiteral("txtChannelName_1") << false << 8.25;
    QTest::newRow("list") << QStringLiteral("cmbThreshold_2") << false << 8.25;
    QTest::newRow("Random") << QStringLiteral("cmdRandom") << false << 8.25;
    QTest::newRow("Now + 2 + 32") << QStringLiteral("cmdTime") << false << 8.25;
    QTest::newRow("Compare To") << QStringLiteral("lblComaper") << true << 12.0;
    QTest::newRow("Create") << QStringLiteral("cmdCreate") << true << 8.25;
    QTest::newRow("Cancel") << QStringLiteral("cmdCancel") << true << 8.25;
}

void tst_frmCreate::fonts()
{
    QFETCH(QString, name);
    QFETCH(bool, bold);
    QFETCH(qreal, pointSize);

    QVERIFY(openWindow());
    auto *widget = m_current->findChild<QWidget *>(name);
    QVERIFY(widget);
    QCOMPARE(widget->font().bold(), bold);
    QCOMPARE(widget->font().pointSizeF(), pointSize);
    QCOMPARE(widget->font().family(), ProgramFont().family());
}

void tst_frmCreate::captionsFit()
{
    frmCreate *window = openWindow();
    QVERIFY(window);

    const QList<QLabel *> labels = window->findChildren<QLabel *>();
    QCOMPARE(labels.size(), 17);
    for (const QLabel *label : labels) {
        const QFontMetrics metrics(label->font());
        const QRect room = label->contentsRect();
        QVERIFY2(metrics.horizontalAdvance(label->text()) <= room.width()
                     && metrics.height() <= room.height(),
                 qPrintable(label->objectName()));
    }

    // A few pixels on each side belong to the button's frame.
    const int buttonFrame = 4;
    for (const QPushButton *button : window->findChildren<QPushButton *>()) {
        const QFontMetrics metrics(button->font());
        QVERIFY2(metrics.horizontalAdvance(button->text()) + 2 * buttonFrame <= button->width()
                     && metrics.height() + 2 * buttonFrame <= button->height(),
                 qPrintable(button->objectName()));
    }

    // The title runs from an indent at the left; it must end before the frame's right edge.
    const int titleIndent = 8;
    for (const QGroupBox *frame : window->findChildren<QGroupBox *>()) {
        const QFontMetrics metrics(frame->font());
        QVERIFY2(titleIndent + metrics.horizontalAdvance(frame->title()) + titleIndent
                     <= frame->width(),
                 qPrintable(frame->objectName()));
    }
}

void tst_frmCreate::captionsReadable()
{
    frmCreate *window = openWindow();
    QVERIFY(window);
    const QColor windowBackground = window->palette().color(QPalette::Window);

    QList<QWidget *> captioned;
    for (QLabel *label : window->findChildren<QLabel *>())
        captioned << label;
    for (QGroupBox *frame : window->findChildren<QGroupBox *>())
        captioned << frame;

    for (const QWidget *widget : captioned) {
        const QColor text = widget->palette().color(QPalette::WindowText);
        const QColor background = widget->autoFillBackground()
            ? widget->palette().color(QPalette::Window)
            : windowBackground;
        QVERIFY2(Contrast(text, background) >= 4.5, qPrintable(widget->objectName()));
    }
}

void tst_frmCreate::tabOrder()
{
    QVERIFY(openWindow());
    QStringList expected{QStringLiteral("cmdRandom"), QStringLiteral("txtStart"),
                         QStringLiteral("cmdTime"),   QStringLiteral("txtEnd"),
                         QStringLiteral("txtProgram")};
    for (const QString &index : {QStringLiteral("1"), QStringLiteral("2")}) {
        for (const char *name : {"txtPrimaryIP_", "txtPrimaryPort_", "txtBackupIP_",
                                 "txtBackupPort_", "txtChannelName_", "cmbThreshold_"})
            expected << QLatin1String(name) + index;
    }
    expected << QStringLiteral("cmdCreate") << QStringLiteral("cmdCancel")
             << QStringLiteral("txtExternalID");

    QTRY_COMPARE(QApplication::focusWidget(), control<QLineEdit>("txtExternalID"));
    QStringList visited;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited, expected);
}

void tst_frmCreate::randomIdentifier()
{
    m_env.random = std::make_shared<ScriptedRandom>(QList<float>{0.0F, 0.5F, 0.25F, 0.1F});
    QVERIFY(openWindow());
    auto *identifier = control<QLineEdit>("txtExternalID");
    identifier->setText(QStringLiteral("typed"));

    QTest::mouseClick(control<QPushButton>("cmdRandom"), Qt::LeftButton);
    QCOMPARE(identifier->text(), QStringLiteral("3200064000"));
    QTest::mouseClick(control<QPushButton>("cmdRandom"), Qt::LeftButton);
    QCOMPARE(identifier->text(), QStringLiteral("4800038400"));
}

void tst_frmCreate::randomSequenceRunsOnAcrossWindows()
{
    FixedSeedRandom reference;
    const auto draw = [&reference] {
        const float first = std::nearbyint(reference.next() * 64000.0F + 32000.0F);
        const float second = std::nearbyint(reference.next() * 64000.0F + 32000.0F);
        return QString::number(static_cast<int>(first)) + QString::number(static_cast<int>(second));
    };
    const QString firstId = draw();
    const QString secondId = draw();

    QVERIFY(openWindow());
    QTest::mouseClick(control<QPushButton>("cmdRandom"), Qt::LeftButton);
    QCOMPARE(control<QLineEdit>("txtExternalID")->text(), firstId);
    QTest::mouseClick(control<QPushButton>("cmdCancel"), Qt::LeftButton);
    QTRY_VERIFY(m_current.isNull());

    // The generator belongs to the run, not to the window.
    QVERIFY(openWindow());
    QTest::mouseClick(control<QPushButton>("cmdRandom"), Qt::LeftButton);
    QCOMPARE(control<QLineEdit>("txtExternalID")->text(), secondId);
}

void tst_frmCreate::timePresets_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");

    QTest::newRow("morning") << QDateTime(QDate(2024, 3, 5), QTime(9, 7, 2))
                             << QStringLiteral("2024-03-05T09:09:02-0500")
                             << QStringLiteral("2024-03-05T09:39:02-0500");
    QTest::newRow("end runs into the next day")
        << QDateTime(QDate(2024, 12, 31), QTime(23, 50, 30))
        << QStringLiteral("2024-12-31T23:52:30-0500") << QStringLiteral("2025-01-01T00:22:30-0500");
    QTest::newRow("reading in UTC is shown as read")
        << QDateTime(QDate(2024, 3, 5), QTime(9, 7, 2), QTimeZone::utc())
        << QStringLiteral("2024-03-05T09:09:02-0500") << QStringLiteral("2024-03-05T09:39:02-0500");
}

void tst_frmCreate::timePresets()
{
    QFETCH(QDateTime, now);
    QFETCH(QString, start);
    QFETCH(QString, end);

    int readings = 0;
    m_env.clock = [now, &readings] {
        ++readings;
        return now;
    };
    QVERIFY(openWindow());
    control<QLineEdit>("txtStart")->setText(QStringLiteral("typed start"));
    control<QLineEdit>("txtEnd")->setText(QStringLiteral("typed end"));

    QTest::mouseClick(control<QPushButton>("cmdTime"), Qt::LeftButton);
    QCOMPARE(control<QLineEdit>("txtStart")->text(), start);
    QCOMPARE(control<QLineEdit>("txtEnd")->text(), end);
    QCOMPARE(readings, 1);
}

void tst_frmCreate::validCreateSendsAndCloses()
{
    QVERIFY(openWindow());
    fillValid();
    clickCreate();

    QCOMPARE(m_boxes->boxes.size(), 0);
    QCOMPARE(m_sender.attempts, 1);
    QCOMPARE(m_sender.sent.size(), 1);
    const FakeRequestSender::Request &request = m_sender.sent.constFirst();
    QCOMPARE(request.kind, RequestKind::Create);
    QCOMPARE(request.method, QStringLiteral("POST"));
    QCOMPARE(request.urlPath, QString());
    QCOMPARE(request.body, QLatin1String(WorkedExampleBody));
    QCOMPARE(request.body.size(), 837);
    QTRY_VERIFY(m_current.isNull());
}

void tst_frmCreate::secondListChoiceGoesIntoBody()
{
    QVERIFY(openWindow());
    fillValid();
    control<QComboBox>("cmbThreshold_2")->setCurrentIndex(0);
    clickCreate();

    QCOMPARE(m_sender.sent.size(), 1);
    QVERIFY(m_sender.sent.constFirst().body.contains(
        QLatin1String("        \"thresholdKey2\": \"ThresholdValue1\"\r\n")));
}

void tst_frmCreate::acceptedInput_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("bodyLine");

    const auto port = [](const char *row, const QString &text, const QString &written) {
        QTest::newRow(row) << QStringLiteral("txtPrimaryPort_1") << text
                           << QStringLiteral("            \"primaryUdpPort\": ") + written
                + QLatin1Char(',');
    };
    port("port 80", QStringLiteral("80"), QStringLiteral("80"));
    port("port with spaces around", QStringLiteral(" 80 "), QStringLiteral("80"));
    port("port with spaces inside", QStringLiteral(" 8 0 "), QStringLiteral("8 0"));
    port("port followed by letters", QStringLiteral("80abc"), QStringLiteral("80abc"));
    port("fractional port", QStringLiteral("1.5"), QStringLiteral("1.5"));
    port("hexadecimal port", QStringLiteral("&H50"), QStringLiteral("&H50"));
    port("port above 16 bits", QStringLiteral("65536"), QStringLiteral("65536"));
    port("port 99999", QStringLiteral("99999"), QStringLiteral("99999"));
    port("port with exponent", QStringLiteral("1e3"), QStringLiteral("1e3"));
    port("port with D exponent", QStringLiteral("1D2"), QStringLiteral("1D2"));
    port("port between tab and line feed", QStringLiteral("\t80\n"), QStringLiteral("\t80\n"));

    QTest::newRow("a tab is not empty")
        << QStringLiteral("txtProgram") << QStringLiteral("\t")
        << QStringLiteral("    \"programName\": \"\t\",");
    QTest::newRow("quote in a channel name")
        << QStringLiteral("txtChannelName_2") << QStringLiteral("Feed \"B\"")
        << QStringLiteral("            \"channelName\": \"Feed \"B\"\"");
    QTest::newRow("identifier trimmed") << QStringLiteral("txtExternalID")
                                        << QStringLiteral("  42  ")
                                        << QStringLiteral("    \"externalId\": \"42\",");
}

void tst_frmCreate::acceptedInput()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, bodyLine);

    QVERIFY(openWindow());
    fillValid();
    auto *box = m_current->findChild<QLineEdit *>(field);
    QVERIFY(box);
    box->setText(text);
    QCOMPARE(box->text(), text);
    clickCreate();

    QCOMPARE(m_boxes->boxes.size(), 0);
    QCOMPARE(m_sender.sent.size(), 1);
    const QStringList lines = m_sender.sent.constFirst().body.split(QStringLiteral("\r\n"));
    QVERIFY2(lines.contains(bodyLine), qPrintable(m_sender.sent.constFirst().body));
    QTRY_VERIFY(m_current.isNull());
}

void tst_frmCreate::refusedInput_data()
{
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("text");

    QStringList all;
    for (const auto &field : WorkedExampleFields)
        all << QLatin1String(field.first);
    QTest::newRow("every field empty") << all << QString();

    for (const auto &field : WorkedExampleFields) {
        const QString name = QLatin1String(field.first);
        const bool isPort = name.contains(QLatin1String("Port"));
        const QByteArray row = name.toLatin1() + (isPort ? " is 0" : " holds only spaces");
        QTest::newRow(row.constData()) << QStringList{name}
                                       << (isPort ? QStringLiteral("0") : QStringLiteral("   "));
    }

    const auto port = [](const char *row, const QString &text) {
        QTest::newRow(row) << QStringList{QStringLiteral("txtBackupPort_2")} << text;
    };
    port("port -1", QStringLiteral("-1"));
    port("port of letters", QStringLiteral("abc"));
    port("empty port", QString());
    port("negative port", QStringLiteral("-80"));
    port("port 0.0", QStringLiteral("0.0"));
    port("port beyond any number", QStringLiteral("1e999"));
    port("hexadecimal wrapping negative", QStringLiteral("&HFFFFFFFF"));
}

void tst_frmCreate::refusedInput()
{
    QFETCH(QStringList, fields);
    QFETCH(QString, text);

    frmCreate *window = openWindow();
    QVERIFY(window);
    fillValid();
    control<QComboBox>("cmbThreshold_1")->setCurrentIndex(1);
    for (const QString &name : fields)
        window->findChild<QLineEdit *>(name)->setText(text);

    clickCreate();

    QCOMPARE(m_boxes->boxes.size(), 1);
    const RecordingMessageBoxes::Box &box = m_boxes->boxes.constFirst();
    QCOMPARE(box.title, QStringLiteral("Data Error"));
    QCOMPARE(box.text, QStringLiteral("Please make sure all fields are completed with valid data."));
    QCOMPARE(box.parent.data(), window);
    QCOMPARE(m_sender.attempts, 0);

    // The window stays with everything as typed.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY2(m_current == window, "the window was closed");
    QVERIFY(window->isVisible());
    for (const QString &name : fields)
        QCOMPARE(window->findChild<QLineEdit *>(name)->text(), text);
    if (!fields.contains(QLatin1String("txtProgram")))
        QCOMPARE(control<QLineEdit>("txtProgram")->text(), QStringLiteral("Evening News"));
    QCOMPARE(control<QComboBox>("cmbThreshold_1")->currentIndex(), 1);
}

void tst_frmCreate::busyTransferClosesWithoutSending()
{
    m_sender.busy = true;
    QVERIFY(openWindow());
    fillValid();
    clickCreate();

    QCOMPARE(m_boxes->boxes.size(), 0);
    QVERIFY(m_sender.sent.isEmpty());
    QTRY_VERIFY(m_current.isNull());
}

void tst_frmCreate::cancelSendsNothing()
{
    QVERIFY(openWindow());
    fillValid();
    QTest::mouseClick(control<QPushButton>("cmdCancel"), Qt::LeftButton);

    QTRY_VERIFY(m_current.isNull());
    QCOMPARE(m_sender.attempts, 0);
    QCOMPARE(m_boxes->boxes.size(), 0);
}

void tst_frmCreate::otherProgramWindowClosesIt()
{
    QVERIFY(openWindow());
    fillValid();

    m_other.activateWindow();
    QTRY_VERIFY(m_current.isNull());
    QCOMPARE(m_sender.attempts, 0);
    QCOMPARE(m_boxes->boxes.size(), 0);
}

void tst_frmCreate::ownMessageBoxKeepsIt()
{
    m_env.messageBoxes = std::make_shared<MessageBoxes>();
    frmCreate *window = openWindow();
    QVERIFY(window);

    // Runs inside the box's own event loop: waits until the box is the active window, then
    // dismisses it.
    bool boxWasActive = false;
    QTimer watcher;
    watcher.setInterval(10);
    connect(&watcher, &QTimer::timeout, this, [&boxWasActive, &watcher] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box == nullptr || QApplication::activeWindow() != box)
            return;
        boxWasActive = true;
        watcher.stop();
        box->button(QMessageBox::Ok)->click();
    });
    watcher.start();
    clickCreate();

    QVERIFY(boxWasActive);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY2(m_current == window, "the window was closed");
    QVERIFY(window->isVisible());
    QCOMPARE(m_sender.attempts, 0);
}

void tst_frmCreate::otherApplicationKeepsIt()
{
    frmCreate *window = openWindow();
    QVERIFY(window);

    // Another application taking the focus leaves the program without an active window.
    QApplication::setActiveWindow(nullptr);
    QVERIFY(!window->isActiveWindow());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY2(m_current == window, "the window was closed");
    QVERIFY(window->isVisible());

    // Coming back to the creation window keeps it too; coming back to another does not.
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QVERIFY2(m_current == window, "the window was closed");
    m_other.activateWindow();
    QTRY_VERIFY(m_current.isNull());
}

void tst_frmCreate::windowNeverActiveIsNotClosed()
{
    QApplication::setActiveWindow(nullptr);
    auto *window = new frmCreate(m_sender, m_env);
    m_current = window;
    window->show();
    QVERIFY(!window->isActiveWindow());

    // The main window's activation from the click that opened the creation window overtakes
    // the creation window's own activation.
    QApplication::setActiveWindow(&m_other);
    QEvent change(QEvent::ActivationChange);
    QCoreApplication::sendEvent(window, &change);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY2(m_current == window, "the window was closed");
    QVERIFY(window->isVisible());

    // Once it has been active, the same thing closes it.
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    m_other.activateWindow();
    QTRY_VERIFY(m_current.isNull());
}

QTEST_MAIN(tst_frmCreate)
#include "tst_frmCreate.moc"

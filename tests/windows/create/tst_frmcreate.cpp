#include "CreateExample.h"
#include "ProgramLook.h"
#include "TestEnvironment.h"
#include "create/frmCreate.h"
#include "desktop/RequestSender.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <tuple>

using namespace Qt::StringLiterals;

namespace {

// Keeps what went out; while busy it refuses, as the main window does.
struct FakeRequestSender final : RequestSender
{
    using Request = std::tuple<RequestKind, QString, QString>; // kind, ID, body
    bool busy = false;
    QList<Request> sent;

    bool sendRequest(RequestKind kind, const QString &externalId, const QString &body) override
    {
        return !busy && (sent.append({kind, externalId, body}), true);
    }
};

} // namespace

class tst_frmCreate final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_sender = FakeRequestSender();
        m_boxes = std::make_shared<RecordingMessageBoxes>();
        m_env = testEnvironment(QString(), m_boxes);
        m_other.show();
        m_other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&m_other));
    }

    void cleanup() { delete m_current.data(); }

    // The rules themselves are tested on checkCreateFields; here the window's part: the box, or
    // the body as trimmed and the window closed.
    void create_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("inBody"); // null: refused
        QTest::newRow("sent trimmed of spaces")
            << u"txtChannelName_2"_s << u"  Feed \"B\" "_s << u"Feed \"B\""_s;
        QTest::newRow("a port of 0") << u"txtBackupPort_2"_s << u"0"_s << QString();
    }

    void create()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, inBody);

        QVERIFY(open());
        const QString replaced = fill(field, text);
        // Enter presses the focused button, as Space does.
        control<QPushButton>("cmdCreate")->setFocus();
        QTest::keyClick(control<QPushButton>("cmdCreate"), Qt::Key_Enter, Qt::KeypadModifier);

        const QString body = QString::fromUtf8(workedExampleBody()).replace(replaced, inBody);
        const QList<FakeRequestSender::Request> sent{{RequestKind::Create, {}, body}};
        QCOMPARE(m_sender.sent, inBody.isNull() ? decltype(sent)() : sent);
        QCOMPARE(m_boxes->shown.join(u'\n'),
                 inBody.isNull() ? u"Data Error|Please make sure all fields are completed with "
                                   "valid data."_s
                                 : QString());
        QTRY_VERIFY(inBody.isNull() ? stillOpen() : m_current.isNull());
    }

    // Cancel, Esc, and Create while the main window is busy close the window without sending.
    void closeWithoutSending()
    {
        for (int way = 0; way < 3; ++way) {
            m_sender.busy = way == 2;
            QVERIFY(open());
            fill();
            way == 1 ? QTest::keyClick(m_current, Qt::Key_Escape)
                     : click(way ? "cmdCreate" : "cmdCancel");
            QTRY_VERIFY(m_current.isNull());
        }
        QVERIFY(m_sender.sent.isEmpty() && m_boxes->shown.isEmpty());
    }

    // A window opened again starts empty, shows its captions and tips, and every caption fits.
    void freshWindow()
    {
        applyProgramFonts();
        QVERIFY(open());
        fill();
        control<QComboBox>("cmbThreshold_1")->setCurrentIndex(1);
        control<QComboBox>("cmbThreshold_2")->setCurrentIndex(0);

        QVERIFY(open());
        for (const QLineEdit *box : m_current->findChildren<QLineEdit *>())
            QVERIFY2(box->text().isEmpty(), qPrintable(box->objectName()));
        QCOMPARE(control<QComboBox>("cmbThreshold_1")->currentText() + u'|'
                     + control<QComboBox>("cmbThreshold_2")->currentText(),
                 u"ThresholdValue1|ThresholdValue2"_s);

        QString stream = u"txtPrimaryIP_%1 txtPrimaryPort_%1 txtBackupIP_%1 txtBackupPort_%1 "
                         "txtChannelName_%1 cmbThreshold_%1 "_s;
        const QStringList order = (u"cmdRandom txtStart cmdTime txtEnd txtProgram "_s
                                   + stream.arg(1) + stream.arg(2)
                                   + u"cmdCreate cmdCancel txtExternalID"_s)
                                      .split(u' ');
        QTRY_COMPARE(QApplication::focusWidget(), control<QWidget>("txtExternalID"));
        for (const QString &next : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), next);
        }

        // Each caption and tip as shown, by object name, and room for it: buttons lose a few
        // pixels to their frame, group titles an indent on each side.
        QCOMPARE(m_current->windowTitle(), u"Create Tracking Job"_s);
        QStringList shown;
        for (const QWidget *w : m_current->findChildren<QWidget *>()) {
            const auto *frame = qobject_cast<const QGroupBox *>(w);
            const auto *label = qobject_cast<const QLabel *>(w);
            if (!frame && !label && !qobject_cast<const QPushButton *>(w))
                continue;
            const QString text = frame ? frame->title() : w->property("text").toString();
            shown << w->objectName() + u'=' + text
                    + (w->toolTip().isEmpty() ? QString() : u'/' + w->toolTip());
            const QRect room = frame ? w->rect().adjusted(8, 0, -8, 0)
                : label              ? w->contentsRect()
                                     : w->rect().adjusted(4, 4, -4, -4);
            const QFontMetrics metrics(w->font());
            QVERIFY2(metrics.horizontalAdvance(text) <= room.width()
                         && metrics.height() <= room.height(),
                     qPrintable(w->objectName()));
        }
        shown.sort();
        QCOMPARE(shown.join(u'|'),
                 u"Frame1=New Tracking Job Details|Frame2_0=Stream 1 Details|Frame2_1=Stream 2 "
                 "Details|cmdCancel=Cancel|cmdCreate=Create Tracking Job|cmdRandom=Random/Random "
                 "externalId|cmdTime=Now + 2 + 32/Use current time plus 2 minutes for the start "
                 "time.  Use current time plus 32 minutes for the end time (30 minute duration).|"
                 "lblBackupIP_1=backupUdpMulticastIpAddress|lblBackupIP_2="
                 "backupUdpMulticastIpAddress|lblBackupPort_1=backupUdpPort|lblBackupPort_2="
                 "backupUdpPort|lblChannelName_1=channelName|lblChannelName_2=channelName|"
                 "lblComaper=Compare To|lblEnd=endTrackingUtc|lblExternalID=externalId|"
                 "lblPrimaryIP_1=primaryUdpMulticastIpAddress|lblPrimaryIP_2="
                 "primaryUdpMulticastIpAddress|lblPrimaryPort_1=primaryUdpPort|lblPrimaryPort_2="
                 "primaryUdpPort|lblProgram=programName|lblStart=startTrackingUtc|lblThreshold_1="
                 "thresholdKey1|lblThreshold_2=thresholdKey2"_s);

        // The fill buttons: identifiers from the seeded generator, times from the fixed clock.
        QStringList ids;
        for (int i = 0; i < 3; ++i)
            ids << (click("cmdRandom"), control<QLineEdit>("txtExternalID")->text());
        QCOMPARE(ids.join(u' '), u"3729447729 8001775343 5820771971"_s);

        click("cmdTime");
        QCOMPARE(control<QLineEdit>("txtStart")->text() + u'|'
                     + control<QLineEdit>("txtEnd")->text(),
                 u"2024-03-05T09:09:02-0500|2024-03-05T09:39:02-0500"_s);
    }

    void closedOnlyByAnotherProgramWindow()
    {
        m_env.messageBoxes = std::make_shared<MessageBoxes>();
        QApplication::setActiveWindow(nullptr);
        m_current = new frmCreate(m_sender, m_env);
        m_current->show();

        // The main window's activation from the click that opened this one can arrive after it.
        QApplication::setActiveWindow(&m_other);
        QEvent change(QEvent::ActivationChange);
        QCoreApplication::sendEvent(m_current, &change);
        QVERIFY(stillOpen());

        m_current->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_current));
        bool boxWasActive = false;
        QTimer::singleShot(0, this, [&boxWasActive] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            boxWasActive = box && QTest::qWaitForWindowActive(box);
            if (box)
                box->close();
        });
        click("cmdCreate");
        QVERIFY(boxWasActive && stillOpen());

        // Another application taking the focus leaves the program without an active window.
        fill();
        m_current->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_current));
        QApplication::setActiveWindow(nullptr);
        QVERIFY(stillOpen());
        m_other.activateWindow();
        QTRY_VERIFY(m_current.isNull());
        QVERIFY(m_sender.sent.isEmpty());
    }

private:
    bool open()
    {
        return QTest::qWaitForWindowActive(openCreateWindow(m_current, m_sender, m_env));
    }
    bool stillOpen() const { return m_current && m_current->isVisible(); }
    template <typename T>
    T *control(const char *name) const
    {
        return m_current->findChild<T *>(QLatin1String(name));
    }
    void click(const char *name) { QTest::mouseClick(control<QPushButton>(name), Qt::LeftButton); }
    // The worked example with text in field; returns the example's value.
    QString fill(const QString &field = {}, const QString &text = {})
    {
        QString replaced;
        for (const auto &[name, value] : CreateExampleFields) {
            const bool chosen = field == QLatin1String(name);
            control<QLineEdit>(name)->setText(chosen ? text : QLatin1String(value));
            replaced = chosen ? QLatin1String(value) : replaced;
        }
        return replaced;
    }

    QWidget m_other; // stands in for the main window
    FakeRequestSender m_sender;
    std::shared_ptr<RecordingMessageBoxes> m_boxes;
    AppEnvironment m_env;
    QPointer<frmCreate> m_current;
};

QTEST_MAIN(tst_frmCreate)
#include "tst_frmcreate.moc"

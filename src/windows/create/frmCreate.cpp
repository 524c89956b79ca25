#include "create/frmCreate.h"

#include "ProgramLook.h"
#include "create/CreateBody.h"
#include "create/CreateCheck.h"
#include "create/ExternalId.h"
#include "create/RandomSource.h"
#include "desktop/MessageBoxes.h"
#include "desktop/RequestSender.h"
#include "timeconv/FormatUtcTimestamp.h"
#include "ui_frmCreate.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QShortcut>
#include <QWindow> // focusWindowChanged carries a QWindow

using namespace Qt::StringLiterals;

namespace {

void setColors(QWidget *widget, const QColor &back, const QColor &text)
{
    fillBackground(widget, back);
    setTextColor(widget, text);
}

} // namespace

frmCreate *openCreateWindow(QPointer<frmCreate> &current, RequestSender &sender,
                            const AppEnvironment &env)
{
    // Whatever was typed in an earlier window is discarded; the operator gets a fresh one.
    if (current)
        current->close();

    auto *window = new frmCreate(sender, env);
    current = window;
    window->show();
    window->activateWindow();
    return window;
}

frmCreate::frmCreate(RequestSender &sender, AppEnvironment env, QWidget *parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::frmCreate>())
    , m_sender(sender)
    , m_env(std::move(env))
{
    m_ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    applyLook();

    txtPrimaryIP = {nullptr, m_ui->txtPrimaryIP_1, m_ui->txtPrimaryIP_2};
    txtPrimaryPort = {nullptr, m_ui->txtPrimaryPort_1, m_ui->txtPrimaryPort_2};
    txtBackupIP = {nullptr, m_ui->txtBackupIP_1, m_ui->txtBackupIP_2};
    txtBackupPort = {nullptr, m_ui->txtBackupPort_1, m_ui->txtBackupPort_2};
    txtChannelName = {nullptr, m_ui->txtChannelName_1, m_ui->txtChannelName_2};
    cmbThreshold = {nullptr, m_ui->cmbThreshold_1, m_ui->cmbThreshold_2};

    connect(m_ui->cmdRandom, &QPushButton::clicked, this, &frmCreate::cmdRandom_Click);
    connect(m_ui->cmdTime, &QPushButton::clicked, this, &frmCreate::cmdTime_Click);
    connect(m_ui->cmdCreate, &QPushButton::clicked, this, &frmCreate::cmdCreate_Click);
    connect(m_ui->cmdCancel, &QPushButton::clicked, this, &frmCreate::cmdCancel_Click);
    // Esc cancels, as in any dialog; Enter presses the focused button, as Space does.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &frmCreate::cmdCancel_Click);
    // Activation between two windows of the program can arrive as a focus-window change
    // without a matching activation event here, so both are watched.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &frmCreate::checkActivation);

    Form_Load();
    m_ui->txtExternalID->setFocus(Qt::OtherFocusReason);
}

frmCreate::~frmCreate() = default;

void frmCreate::applyLook()
{
    applyWindowLook(this, kFormBack, Qt::MSWindowsFixedSizeDialogHint);
    // Light caption boxes on the dark form. The frames' titles and the "Compare To" heading
    // between the streams stand on the form itself, in its white.
    setTextColor(this, kFormText);
    for (QLabel *caption : findChildren<QLabel *>()) {
        if (caption != m_ui->lblComaper)
            setColors(caption, kFrameBack, kFrameText);
    }
}

void frmCreate::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange)
        checkActivation();
}

void frmCreate::Form_Load()
{
    QStringList items;
    for (const char *key : ThresholdKeys)
        items.append(QLatin1String(key));
    cmbThreshold[1]->addItems(items);
    cmbThreshold[1]->setCurrentIndex(0);
    cmbThreshold[2]->addItems(items);
    cmbThreshold[2]->setCurrentIndex(1);
}

void frmCreate::cmdRandom_Click()
{
    m_ui->txtExternalID->setText(nextExternalId(*m_env.random));
}

void frmCreate::cmdTime_Click()
{
    const TrackingTimes times = presetTrackingTimes(m_env.clock(), *m_env.timeZone);
    m_ui->txtStart->setText(times.start);
    m_ui->txtEnd->setText(times.end);
}

void frmCreate::cmdCreate_Click()
{
    CreateFields fields;
    fields.externalId = m_ui->txtExternalID->text();
    fields.start = m_ui->txtStart->text();
    fields.end = m_ui->txtEnd->text();
    fields.program = m_ui->txtProgram->text();
    for (std::size_t i = 1; i <= 2; ++i) {
        CreateFields::Stream &stream = fields.streams[i - 1];
        stream.primaryIP = txtPrimaryIP[i]->text();
        stream.primaryPort = txtPrimaryPort[i]->text();
        stream.backupIP = txtBackupIP[i]->text();
        stream.backupPort = txtBackupPort[i]->text();
        stream.channelName = txtChannelName[i]->text();
    }
    fields.thresholdKey1 = cmbThreshold[1]->currentText();
    fields.thresholdKey2 = cmbThreshold[2]->currentText();

    // One box covers every problem at once; the command-line client names them one by one.
    if (!checkCreateFields(fields)) {
        m_env.messageBoxes->critical(
            this, u"Data Error"_s, u"Please make sure all fields are completed with valid data."_s);
        return;
    }

    // A transfer still running refuses the request; the job is dropped with the window all
    // the same, as the operator asked for the window to be done with.
    m_sender.sendRequest(RequestKind::Create, QString(), buildCreateBody(fields));
    close();
}

void frmCreate::cmdCancel_Click()
{
    close();
}

void frmCreate::Form_Deactivate()
{
    close();
}

void frmCreate::checkActivation()
{
    if (isActiveWindow()) {
        m_beenActive = true;
        return;
    }
    if (!m_beenActive || !isVisible())
        return;
    // No active window of ours means another application has the focus: the job stays.
    const QWidget *active = QApplication::activeWindow();
    if (active == nullptr || ownsWindow(active))
        return;
    Form_Deactivate();
}

bool frmCreate::ownsWindow(const QWidget *window) const
{
    for (const QWidget *w = window; w != nullptr; w = w->parentWidget()) {
        if (w == this)
            return true;
    }
    return false;
}

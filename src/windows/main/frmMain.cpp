#include "main/frmMain.h"

#include "BuildInfo.h"
#include "FlexGrid.h"
#include "JobGrid.h"
#include "ProgramLook.h"
#include "create/frmCreate.h"
#include "desktop/MessageBoxes.h"
#include "desktop/ProgramFolder.h"
#include "jobs/JobScanner.h"
#include "jobs/SavedResponse.h"
#include "settings/Settings.h"
#include "settings/TlsSettings.h"
#include "traffic/StatusText.h"
#include "traffic/TrackingExchange.h"
#include "traffic/TransferDetails.h"
#include "transfer/InetTransfer.h"
#include "transfer/TrackingRequest.h"
#include "ui_frmMain.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>

#include <new>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// A body buffer at least this large is kept for the next response when the pane lets it go.
constexpr qsizetype kReusedBodyBytes = 4 * 1024 * 1024;
// Byte counts repaint at most this often while bytes move.
constexpr int kByteCountRepaintMs = 100;
const QString kCrLf = u"\r\n"_s;

} // namespace

frmMain::frmMain(AppEnvironment env, QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::frmMain>())
    , m_env(std::move(env))
    , m_exchange(new TrackingExchange(&m_log, this))
{
    ui->setupUi(this);
    gridCon[1] = ui->gridCon_1;
    m_exchange->setJobTable(&JobStatuses);
    InetTransfer &iNetTalus = m_exchange->transfer();
    iNetTalus.setObjectName(u"iNetTalus"_s);
    iNetTalus.setTimeout(m_env.transferTimeout);
    iNetTalus.setTlsSettingsFile(settingsFilePath(m_env.programFolder));
    applyLook();

    connect(ui->cmdTxClear, &QPushButton::clicked, this, &frmMain::cmdTxClear_Click);
    connect(ui->cmdRxClear, &QPushButton::clicked, this, &frmMain::cmdRxClear_Click);
    connect(ui->cmdTxCopy, &QPushButton::clicked, this, &frmMain::cmdTxCopy_Click);
    connect(ui->cmdRxCopy, &QPushButton::clicked, this, &frmMain::cmdRxCopy_Click);
    connect(ui->cmd1, &QPushButton::clicked, this, &frmMain::cmd1_Click);
    connect(ui->cmd2, &QPushButton::clicked, this, &frmMain::cmd2_Click);
    connect(ui->cmdJob, &QPushButton::clicked, this, &frmMain::cmdJob_Click);
    connect(ui->cmdGetJob, &QPushButton::clicked, this, &frmMain::cmdGetJob_Click);
    connect(ui->cmdStopJob, &QPushButton::clicked, this, &frmMain::cmdStopJob_Click);
    connect(ui->cmdDeleteJob, &QPushButton::clicked, this, &frmMain::cmdDeleteJob_Click);
    connect(m_exchange, &TrackingExchange::stateChanged, this, &frmMain::iNetTalus_StateChanged);
    connect(m_exchange, &TrackingExchange::sent, this, &frmMain::showSent);
    connect(m_exchange, &TrackingExchange::refused, this, &frmMain::showRefused);
    connect(m_exchange, &TrackingExchange::bodyTaken, this, &frmMain::showBody);
    connect(m_exchange, &TrackingExchange::listScanned, this, &frmMain::showList);
    connect(m_exchange, &TrackingExchange::finished, this, &frmMain::showOutcome);
    connect(m_exchange, &TrackingExchange::notLogged, this, &frmMain::showNotLogged);
    setUpPaneMenus();
    setUpGridMenu();

    m_byteCountRepaint.setSingleShot(true);
    m_byteCountRepaint.setInterval(kByteCountRepaintMs);
    connect(&m_byteCountRepaint, &QTimer::timeout, this, &frmMain::showByteCounts);
    connect(&iNetTalus, &InetTransfer::bytesMoved, this, [this] {
        if (!m_byteCountRepaint.isActive())
            m_byteCountRepaint.start();
    });
}

frmMain::~frmMain()
{
    if (m_createWindow)
        delete m_createWindow.data();
}

void frmMain::applyLook()
{
    applyWindowLook(this, kFormBack);
    for (QWidget *frame : {static_cast<QWidget *>(ui->Frame3), static_cast<QWidget *>(ui->Frame4),
                           static_cast<QWidget *>(ui->Frame5), static_cast<QWidget *>(ui->Frame1)})
        fillBackground(frame, kFrameBack);
    fillBackground(ui->Picture1, kStatusBack);
    setTextColor(ui->Label6, kHeadingText);
    setTextColor(ui->lblStat, kStatusText);

    ui->txtTx->setFont(terminalFont());
    ui->txtRx->setFont(terminalFont());
    // Tab moves on through the window instead of moving inside the grid.
    gridCon[1]->setTabKeyNavigation(false);

    // A count of up to ten digits must stay readable: the label grows to the right, clear of
    // its caption and inside its frame.
    for (const auto &[count, caption] :
         {std::pair{ui->lblTXBytes, ui->Label2}, std::pair{ui->lblRXBytes, ui->Label3}}) {
        const int needed = count->fontMetrics().horizontalAdvance(u"0000000000"_s)
            + 2 * count->frameWidth() + 2 * count->margin() + 2;
        const int captionEnd = caption->x()
            + qMax(caption->width(), caption->fontMetrics().horizontalAdvance(caption->text()));
        const int left = qMax(count->x(), captionEnd + 1);
        const int right = qMin(qMax(count->geometry().right(), left + needed - 1),
                               count->parentWidget()->contentsRect().right());
        count->setGeometry(left, count->y(), right - left + 1, count->height());
    }

    // The substitute face is a few pixels wider than the one these captions were sized for:
    // a caption label that would be cut off grows to the right into the empty space after it.
    for (QLabel *label : {ui->Label2, ui->Label3}) {
        const int needed = label->fontMetrics().horizontalAdvance(label->text())
            + 2 * label->frameWidth() + 2 * label->margin();
        if (needed > label->width())
            label->resize(needed, label->height());
    }

    // Kept for a maintenance command; it must not be reachable by keyboard or mouse.
    ui->cmdJob->setVisible(false);
    ui->cmdJob->setFocusPolicy(Qt::NoFocus);
    ui->txtIP->setFocus();
}

Result<> frmMain::Form_Load()
{
    setWindowTitle(windowTitle()
                   + u"  Version: %1.%2.%3"_s.arg(TalusVersionMajor)
                         .arg(TalusVersionMinor)
                         .arg(TalusVersionPatch));
    ui->txtIP->setText(LoadSettings(m_env.programFolder));
    {
        // A file that cannot be read was reported by LoadSettings; the head stays hidden.
        const Result<QString> shown = ReadIniValue(settingsFilePath(m_env.programFolder), u"View"_s,
                                                   u"ShowResponseHead"_s, u"0"_s);
        const QSignalBlocker loading(m_showResponseHead);
        m_showResponseHead->setChecked(shown && *shown == u"1"_s);
    }
    ui->txtRx->setShowHead(m_showResponseHead->isChecked());
    {
        // The list timer's interval: 1 to 3600 seconds, else 10. The timer itself is off at
        // every start, since nothing is sent at start-up.
        const Result<QString> every =
            ReadIniValue(settingsFilePath(m_env.programFolder), u"View"_s, u"ListEvery"_s, u"10"_s);
        bool number = false;
        const int seconds = every ? every->toInt(&number) : 0;
        m_listEverySeconds = number && seconds >= 1 && seconds <= 3600 ? seconds : 10;
        m_listEvery->setText(m_listEverySeconds == 1
                                 ? u"List Every Second"_s
                                 : u"List Every %1 Seconds"_s.arg(m_listEverySeconds));
        m_listTimer.setInterval(m_listEverySeconds * 1000);
    }
    // The operator must learn which file in which folder could not be made, and why.
    const QString logName = u"Data_Text.txt"_s;
    const QString logPath = QDir(m_env.programFolder).filePath(logName);
    Result<> made = makeProgramFolder(m_env.programFolder);
    if (made)
        made = m_log.create(logPath);
    if (!made && made.reason() == QLatin1String(TrafficLog::InUse)) {
        return Failure{
            u"The traffic log %1 is %2"_s.arg(QDir::toNativeSeparators(logPath), made.reason())};
    }
    if (!made) {
        return Failure{u"Cannot create %1 in %2: %3"_s.arg(
            logName, QDir::toNativeSeparators(m_env.programFolder), made.reason())};
    }
    InitJobGrid(*gridCon[1]);
    JobStatuses = JobStatusTable();
    return {};
}

void frmMain::closeEvent(QCloseEvent *event)
{
    qint16 cancel = 0;
    Form_QueryUnload(cancel, 0);
    if (m_createWindow)
        m_createWindow->close();
    event->accept();
}

void frmMain::Form_QueryUnload(qint16 &cancel, qint16 unloadMode)
{
    Q_UNUSED(unloadMode);
    // A response being collected has its block in the log already: it is written before the
    // first piece is scanned, and close() waits for a large one to be whole.
    m_log.close();
    if (const Result<> saved = SaveSettings(ui->txtIP->text(), m_env.programFolder); !saved)
        warnSettingsNotSaved(saved.reason() + u"; the file is left as it was"_s);
    cancel = 0;
}

void frmMain::cmdTxClear_Click()
{
    ui->txtTx->clear();
}

void frmMain::cmdRxClear_Click()
{
    ui->txtRx->clear();
}

// The panes hand on the traffic exactly as it went over the wire, line ends included.
void frmMain::cmdTxCopy_Click()
{
    ui->txtTx->copyAll();
}

void frmMain::cmdRxCopy_Click()
{
    ui->txtRx->copyAll();
}

bool frmMain::StillExecuting() const
{
    return m_exchange->busy();
}

bool frmMain::sendRequest(RequestKind kind, const QString &externalId, const QString &body)
{
    if (m_exchange->busy())
        return false;
    (void)m_exchange->send(kind, ui->txtIP->text(), externalId, body);
    return true;
}

void frmMain::showSent(const TrackingRequest &request)
{
    m_notLogged.clear();
    showByteCounts();
    ui->txtTx->setBytes(
        (request.url + kCrLf + request.headers + kCrLf + request.body + kCrLf).toUtf8());
}

// A request that cannot be sent as composed (a tab in the address, a "." for an ID) is not
// logged, since it never went out; the pane shows it, and the status line why, as for a
// transfer that failed.
void frmMain::showRefused(const TrackingRequest &request, const QString &reason)
{
    ui->txtTx->setBytes(
        (request.url + kCrLf + request.headers + kCrLf + request.body + kCrLf).toUtf8());
    m_notLogged.clear();
    showStatus(statusText(InetTransfer::Failed), failedDetails(reason), kFailedText);
}

void frmMain::cmd1_Click()
{
    sendRequest(RequestKind::List, QString(), QString());
}

void frmMain::cmd2_Click()
{
    openCreateWindow(m_createWindow, *this, m_env);
}

void frmMain::cmdJob_Click()
{
    // A file that cannot be read, or whose list does not fit the memory available, is skipped:
    // the table and the grid stay as they were.
    try {
        const Result<QByteArray> text =
            readSavedResponse(QDir(m_env.programFolder).filePath(u"JobReturn.txt"_s));
        if (!text)
            return;
        ParseJobList(*text, JobStatuses);
        FillJobGrid(*gridCon[1], JobStatuses);
    } catch (const std::bad_alloc &) {
        // What joining the file's lines, the scan (ParseJobList undoes its list first) and the
        // grid's rows throw when memory runs out.
    }
}

void frmMain::sendForSelectedJob(RequestKind kind)
{
    if (m_exchange->busy())
        return;
    FlexGrid &grid = *gridCon[1];
    const QString externalId = grid.TextMatrix(grid.Row(), 0);
    if (externalId.isEmpty()) {
        m_env.messageBoxes->critical(this, u"Error"_s,
                                     u"Please select a row with a  valid externalId."_s);
        return;
    }
    sendRequest(kind, externalId, QString());
}

void frmMain::cmdGetJob_Click()
{
    sendForSelectedJob(RequestKind::GetJob);
}

void frmMain::cmdStopJob_Click()
{
    sendForSelectedJob(RequestKind::StopJob);
}

void frmMain::cmdDeleteJob_Click()
{
    sendForSelectedJob(RequestKind::DeleteJob);
}

void frmMain::iNetTalus_StateChanged(qint16 state)
{
    // A failure's details and colour come with the outcome, right after.
    showStatus(statusText(state), QString(), kStatusText);
}

// The pane shows the new body at once, before a list is scanned. It shares the body with the
// log; neither copies it.
void frmMain::showBody(const QByteArray &body, LineIndex *lines, const QByteArray &head)
{
    QByteArray shown = ui->txtRx->bytes();
    try {
        ui->txtRx->setBytes(body, std::move(*lines), head);
    } catch (const std::bad_alloc &) {
        // What the pane's line index throws when it cannot grow (LineIndex::finish).
        m_exchange->failOutOfMemory();
    }
    // The body the pane let go is kept for the next response to arrive into, when no one else
    // holds it (the log's thread has written it) and it is large enough to matter.
    if (shown.isDetached() && shown.capacity() >= kReusedBodyBytes)
        m_exchange->offerBodyStorage(std::move(shown));
}

void frmMain::showList()
{
    try {
        FillJobGrid(*gridCon[1], JobStatuses);
    } catch (const std::bad_alloc &) {
        // What the grid's rows throw when they cannot grow (FlexGridModel::setRowSource).
        m_exchange->failOutOfMemory();
    }
}

void frmMain::showOutcome(const ExchangeOutcome &outcome)
{
    showByteCounts();
    // A server that is gone is not asked again every few seconds.
    if (!outcome.completed && outcome.kind == RequestKind::List)
        m_listEvery->setChecked(false);
    if (!outcome.completed) {
        // The pane keeps what it showed; after memory ran out, the whole body, which it took
        // before the scan; the grid keeps the last list it showed.
        showStatus(statusText(InetTransfer::Failed), outcome.details(), kFailedText);
        // Asked once the failure shows, from the event loop rather than inside this handler.
        if (outcome.untrusted) {
            QMetaObject::invokeMethod(
                this, [this, certificate = *outcome.untrusted] { askToTrust(certificate); },
                Qt::QueuedConnection);
        }
        return;
    }
    QString details = outcome.details() + u'\n' + timingDetails(outcome.timing);
    if (outcome.kind == RequestKind::List) {
        if (const auto list = JobStatuses.history().lastList())
            details += u'\n' + listDetails(*list);
    }
    showStatus(statusText(InetTransfer::ResponseCompleted), details,
               outcome.status >= 400 || outcome.status < 100 ? kProblemText : kStatusText);
}

void frmMain::showStatus(const QString &text, const QString &details, const QColor &color)
{
    setTextColor(ui->lblStat, color);
    m_statusDetails = details;
    showStatusDetails();
    ui->lblStat->setText(text);
}

void frmMain::showNotLogged(const QString &reason)
{
    m_notLogged = reason;
    showStatusDetails();
}

void frmMain::showStatusDetails()
{
    QString shown = m_statusDetails;
    if (!m_notLogged.isEmpty())
        shown += (shown.isEmpty() ? QString() : u"\n"_s) + u"not logged: "_s + m_notLogged;
    ui->lblStat->setToolTip(shown);
    ui->lblStat->setAccessibleDescription(shown);
}

// Trusting pins that certificate for that server at once; the operator then sends again.
void frmMain::askToTrust(const UntrustedCertificate &certificate)
{
    if (!m_env.messageBoxes->question(this, u"Untrusted Certificate"_s, certificate.description(),
                                      u"Trust"_s, u"Cancel"_s)) {
        return;
    }
    const Result<> pinned =
        writePin(settingsFilePath(m_env.programFolder), certificate.hostPort, certificate.sha256());
    if (!pinned) {
        qWarning("%s", qPrintable(pinned.reason()));
        m_env.messageBoxes->critical(this, u"Error"_s, pinned.reason());
    }
}

void frmMain::warnSettingsNotSaved(const QString &why) const
{
    qWarning("Cannot save the settings to %s: %s",
             qPrintable(QDir::toNativeSeparators(settingsFilePath(m_env.programFolder))),
             qPrintable(why));
}

void frmMain::showByteCounts()
{
    m_byteCountRepaint.stop();
    ui->lblTXBytes->setText(QString::number(m_exchange->transfer().bytesSent()));
    ui->lblRXBytes->setText(QString::number(m_exchange->transfer().bytesReceived()));
}

void frmMain::setUpPaneMenus()
{
    ui->txtTx->setSaveName(u"request.txt"_s);
    ui->txtRx->setSaveName(u"response.txt"_s);
    m_showResponseHead = new QAction(u"Show Response Head"_s, this);
    m_showResponseHead->setObjectName(u"showResponseHead"_s);
    m_showResponseHead->setCheckable(true);
    ui->txtRx->addMenuAction(m_showResponseHead);
    connect(m_showResponseHead, &QAction::toggled, this, &frmMain::toggleResponseHead);
    for (TrafficView *pane : {ui->txtTx, ui->txtRx}) {
        connect(pane, &TrafficView::saveFailed, this,
                [this](const QString &fileName, const QString &reason) {
                    m_env.messageBoxes->critical(
                        this, u"Error"_s,
                        u"Cannot save %1: %2"_s.arg(QDir::toNativeSeparators(fileName), reason));
                });
    }
}

void frmMain::setUpGridMenu()
{
    FlexGrid &grid = *gridCon[1];
    const auto add = [this, &grid](const QString &text, const QKeySequence &key, const char *name) {
        auto *action = new QAction(text, this);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(key);
        // F8 belongs to the grid: the panes and the address box keep their own keys.
        action->setShortcutContext(Qt::WidgetShortcut);
        grid.addAction(action);
        grid.addMenuAction(action);
        return action;
    };
    connect(add(u"Next Change"_s, Qt::Key_F8, "nextChange"), &QAction::triggered, this,
            [this] { selectNextChange(*gridCon[1], JobStatuses, true); });
    connect(add(u"Previous Change"_s, Qt::SHIFT | Qt::Key_F8, "previousChange"),
            &QAction::triggered, this,
            [this] { selectNextChange(*gridCon[1], JobStatuses, false); });
    m_listEvery = add(u"List Every 10 Seconds"_s, {}, "listEvery");
    m_listEvery->setCheckable(true);
    connect(m_listEvery, &QAction::toggled, this, &frmMain::toggleListTimer);
    // Found by name, so that whether it runs can be read from outside.
    m_listTimer.setParent(this);
    m_listTimer.setObjectName(u"listTimer"_s);
    connect(&m_listTimer, &QTimer::timeout, this, &frmMain::listOnTimer);
}

void frmMain::toggleListTimer(bool on)
{
    if (on)
        m_listTimer.start();
    else
        m_listTimer.stop();
}

// An ordinary List click, logged, shown and scanned; skipped while a transfer runs, so that
// no click of the operator's is ever held up by it.
void frmMain::listOnTimer()
{
    if (!m_exchange->busy())
        cmd1_Click();
}

void frmMain::toggleResponseHead(bool checked)
{
    ui->txtRx->setShowHead(checked);
    const Result<> saved = WriteIniValue(settingsFilePath(m_env.programFolder), u"View"_s,
                                         u"ShowResponseHead"_s, checked ? u"1"_s : u"0"_s);
    if (!saved)
        warnSettingsNotSaved(saved.reason());
}

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
#include "traffic/TransferDetails.h"
#include "transfer/InetTransfer.h"
#include "transfer/TrackingRequest.h"
#include "transfer/TrackingUrl.h"
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

const QColor kFormBack(64, 64, 64);
const QColor kFrameBack(240, 240, 240);
const QColor kStatusBack(0, 0, 0);
const QColor kHeadingText(0, 255, 255);
const QColor kStatusText(0, 255, 0);
// The status text's colour tells the outcome at a glance: amber for an answer that reports a
// problem (400 and up, or a code outside the defined range), red for a failed transfer.
const QColor kProblemText(255, 191, 0);
const QColor kFailedText(255, 80, 80);
// A body buffer at least this large is kept for the next response when the pane lets it go.
constexpr qsizetype kReusedBodyBytes = 4 * 1024 * 1024;
// Byte counts repaint at most this often while bytes move.
constexpr int kByteCountRepaintMs = 100;
const QString kCrLf = u"\r\n"_s;

// Handling a response grows what it is handled into: the list's job table, the run-long table,
// the grid's rows, the pane's line index. Memory running out there fails that response, as it
// would have failed on arrival: the std::bad_alloc those calls throw is caught here, and once
// it has been, the rest of the handling is skipped.
template <typename Grow>
void growing(bool &outOfMemory, Grow &&grow)
{
    if (outOfMemory)
        return;
    try {
        grow();
    } catch (const std::bad_alloc &) {
        outOfMemory = true;
    }
}

} // namespace

frmMain::frmMain(AppEnvironment env, QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::frmMain>())
    , m_env(std::move(env))
    , iNetTalus(new InetTransfer(this))
{
    ui->setupUi(this);
    gridCon[1] = ui->gridCon_1;
    iNetTalus->setObjectName(u"iNetTalus"_s);
    iNetTalus->setTimeout(m_env.transferTimeout);
    iNetTalus->setTlsSettingsFile(settingsFilePath(m_env.programFolder));
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
    connect(iNetTalus, &InetTransfer::StateChanged, this, &frmMain::iNetTalus_StateChanged);
    setUpPaneMenus();

    m_byteCountRepaint.setSingleShot(true);
    m_byteCountRepaint.setInterval(kByteCountRepaintMs);
    connect(&m_byteCountRepaint, &QTimer::timeout, this, &frmMain::showByteCounts);
    connect(iNetTalus, &InetTransfer::bytesMoved, this, [this] {
        try {
            m_arriving.indexLines(iNetTalus->bodySoFar());
        } catch (const std::bad_alloc &) {
            // The line index's checkpoints (LineIndex::extend) found no memory to grow into.
            iNetTalus->failOutOfMemory();
        }
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
    return iNetTalus->StillExecuting();
}

bool frmMain::sendRequest(RequestKind kind, const QString &method, const QString &urlPath,
                          const QString &body)
{
    if (iNetTalus->StillExecuting())
        return false;
    const TrackingRequest request =
        composeTrackingRequest(ui->txtIP->text(), method, urlPath, body);
    const QString &url = request.url;
    const QString &headers = request.headers;
    m_requestKind = kind;
    iNetTalus->setProtocol(isHttpsAddress(url) ? InetTransfer::ProtocolHttps
                                               : InetTransfer::ProtocolHttp);
    m_arriving.start();
    // The last transfer's large block, if still being written, is told to that transfer.
    (void)m_log.finishWriting();
    ++m_transfers;
    m_notLogged.clear();
    iNetTalus->Execute(url, method, body, headers);
    showByteCounts();
    noteLogged(m_transfers,
               m_log.writeBlock({QByteArrayView("---Data Transmitted---"), url.toUtf8(),
                                 headers.toUtf8(), body.toUtf8()}));
    ui->txtTx->setBytes((url + kCrLf + headers + kCrLf + body + kCrLf).toUtf8());
    return true;
}

void frmMain::cmd1_Click()
{
    sendRequest(RequestKind::List, u"GET"_s, QString(), QString());
}

void frmMain::cmd2_Click()
{
    openCreateWindow(m_createWindow, *this, m_env);
}

void frmMain::cmdJob_Click()
{
    const Result<QByteArray> text =
        readSavedResponse(QDir(m_env.programFolder).filePath(u"JobReturn.txt"_s));
    if (!text)
        return;
    ParseJobList(*text, JobStatuses);
    FillJobGrid(*gridCon[1], JobStatuses);
}

void frmMain::sendForSelectedJob(RequestKind kind, const QString &method, const QString &tail)
{
    if (iNetTalus->StillExecuting())
        return;
    FlexGrid &grid = *gridCon[1];
    const QString externalId = grid.TextMatrix(grid.Row(), 0);
    if (externalId.isEmpty()) {
        m_env.messageBoxes->critical(this, u"Error"_s,
                                     u"Please select a row with a  valid externalId."_s);
        return;
    }
    sendRequest(kind, method, u"/"_s + pathSegment(externalId) + tail, QString());
}

void frmMain::cmdGetJob_Click()
{
    sendForSelectedJob(RequestKind::GetJob, u"GET"_s, QString());
}

void frmMain::cmdStopJob_Click()
{
    sendForSelectedJob(RequestKind::StopJob, u"POST"_s, u"/stopTracking"_s);
}

void frmMain::cmdDeleteJob_Click()
{
    sendForSelectedJob(RequestKind::DeleteJob, u"DELETE"_s, QString());
}

void frmMain::iNetTalus_StateChanged(qint16 state)
{
    if (state == InetTransfer::ResponseCompleted) {
        collectResponse();
        return;
    }
    QString details;
    QColor color = kStatusText;
    if (state == InetTransfer::Failed) {
        m_arriving.start(); // nothing of a failed response is kept
        details = failedDetails(iNetTalus->failureText());
        color = kFailedText;
        // Asked once the failure shows, from the event loop rather than inside this handler.
        if (auto certificate = iNetTalus->untrustedCertificate()) {
            QMetaObject::invokeMethod(
                this, [this, certificate = *certificate] { askToTrust(certificate); },
                Qt::QueuedConnection);
        }
        showByteCounts();
    }
    showStatus(statusText(state), details, color);
}

void frmMain::collectResponse()
{
    m_outOfMemory = false;
    ResponseCollector::Steps steps;
    // The received block is logged as soon as the body is in: a large one is written by the
    // log's own thread while the list is scanned. The pane and the log share the body;
    // neither copies it. The pane shows the new body at once too, before a list is scanned:
    // the old body and its line index, which the new ones replace, are let go before the
    // scan's job table is built, so the three never take memory together.
    steps.taken = [this](const QByteArray &body) {
        m_log.writeBlockSharing("---Data Received---", body,
                                [this, transfer = m_transfers](const Result<> &written) {
                                    noteLogged(transfer, written);
                                });
        QByteArray shown = ui->txtRx->bytes();
        growing(m_outOfMemory, [&] {
            ui->txtRx->setBytes(body, m_arriving.takeLines(), iNetTalus->responseHead());
        });
        // The body the pane let go is kept for the next response to arrive into, when no one
        // else holds it (the log's thread has written it) and it is large enough to matter.
        if (shown.isDetached() && shown.capacity() >= kReusedBodyBytes)
            iNetTalus->offerBodyStorage(std::move(shown));
        if (m_requestKind == RequestKind::List)
            scanning([&] { m_listScan.makeRoomFor(body.size()); });
    };
    // A list is scanned straight into the run-long table, as ParseJobList would store it: a
    // table of the list's own beside it took as much memory again, until merged.
    if (m_requestKind == RequestKind::List) {
        m_listScan = JobListScanner(JobStatuses);
        steps.prepare = [this] { return !m_outOfMemory && m_listScan.prepare(); };
        steps.scanPiece = [this](QByteArrayView upToPieceEnd) {
            scanning([&] { m_listScan.feed(upToPieceEnd); });
        };
    }
    steps.finished = [this] { showResponse(); };
    m_collector.collect(*iNetTalus, ResponseBuffer, std::move(steps));
}

void frmMain::showResponse()
{
    if (m_requestKind == RequestKind::List) {
        scanning([this] { m_listScan.finish(ResponseBuffer); });
        growing(m_outOfMemory, [this] { FillJobGrid(*gridCon[1], JobStatuses); });
    }
    if (m_outOfMemory) {
        // Ends as a transfer that failed on arrival would. The pane shows the whole body,
        // which it took before the scan; the grid keeps the last list it showed.
        ResponseBuffer.clear();
        m_arriving.start();
        showByteCounts();
        showStatus(statusText(InetTransfer::Failed), failedDetails(InetTransfer::outOfMemoryText()),
                   kFailedText);
        return;
    }
    const int code = iNetTalus->statusCode();
    const QString details = completedDetails(code, iNetTalus->reasonPhrase(), ResponseBuffer.size(),
                                             iNetTalus->elapsedMs())
        + u'\n' + timingDetails(iNetTalus->timing());
    ResponseBuffer.clear();
    showByteCounts();
    showStatus(statusText(InetTransfer::ResponseCompleted), details,
               code >= 400 || code < 100 ? kProblemText : kStatusText);
}

template <typename Step>
void frmMain::scanning(Step &&step)
{
    growing(m_outOfMemory, std::forward<Step>(step));
    // What the scan built goes before the event loop paints again: the paint needs memory too.
    if (m_outOfMemory)
        m_listScan.abandon();
}

void frmMain::showStatus(const QString &text, const QString &details, const QColor &color)
{
    setTextColor(ui->lblStat, color);
    m_statusDetails = details;
    showStatusDetails();
    ui->lblStat->setText(text);
}

void frmMain::noteLogged(quint64 transfer, const Result<> &written)
{
    if (written)
        return;
    qWarning("The traffic log could not be written: %s", qPrintable(written.reason()));
    if (transfer != m_transfers)
        return;
    m_notLogged = written.reason();
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
    ui->lblTXBytes->setText(QString::number(iNetTalus->bytesSent()));
    ui->lblRXBytes->setText(QString::number(iNetTalus->bytesReceived()));
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

void frmMain::toggleResponseHead(bool checked)
{
    ui->txtRx->setShowHead(checked);
    const Result<> saved = WriteIniValue(settingsFilePath(m_env.programFolder), u"View"_s,
                                         u"ShowResponseHead"_s, checked ? u"1"_s : u"0"_s);
    if (!saved)
        warnSettingsNotSaved(saved.reason());
}

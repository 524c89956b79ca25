#pragma once

#include "Result.h"
#include "desktop/AppEnvironment.h"
#include "desktop/RequestSender.h"
#include "jobs/JobScanner.h"
#include "jobs/JobStatusTable.h"
#include "traffic/ArrivingResponse.h"
#include "traffic/ResponseCollector.h"
#include "traffic/TrafficLog.h"

#include <QByteArray>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <array>
#include <memory>

namespace Ui {
class frmMain;
}
class FlexGrid;
class QColor;
class InetTransfer;
class frmCreate;
struct UntrustedCertificate;

// The operator's console: server address, status line, traffic panes, job commands and the
// job grid. Owns the transfer, the traffic log and the run-long job table.
class frmMain final : public QWidget, public RequestSender
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMain)

public:
    explicit frmMain(AppEnvironment env, QWidget *parent = nullptr);
    ~frmMain() override;

    // Start-up: title, settings, traffic log, grid, job table. Fails, with the system's error
    // text, when the program cannot run; the window must then not be shown.
    Result<> Form_Load();

    // True while a transfer runs; a command that sees true does nothing further.
    bool StillExecuting() const;
    bool sendRequest(RequestKind kind, const QString &method, const QString &urlPath,
                     const QString &body) override;

    // Whether a large received block is still being written by the log's own thread: the
    // benchmark's clock runs until it is in the log.
    const TrafficLog &trafficLog() const { return m_log; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_QueryUnload(qint16 &cancel, qint16 unloadMode);
    void cmdTxClear_Click();
    void cmdRxClear_Click();
    void cmdTxCopy_Click();
    void cmdRxCopy_Click();
    void cmd1_Click();
    void cmd2_Click();
    void cmdJob_Click();
    void cmdGetJob_Click();
    void cmdStopJob_Click();
    void cmdDeleteJob_Click();
    void iNetTalus_StateChanged(qint16 state);

    void collectResponse();
    // A step of a list's scan; memory running out in it undoes the scan at once.
    template <typename Step>
    void scanning(Step &&step);
    void showResponse();
    void showStatus(const QString &text, const QString &details, const QColor &color);
    void warnSettingsNotSaved(const QString &why) const;
    void showByteCounts();
    // A block of this transfer that did not reach the log: said on standard error, and in the
    // status line's tooltip while that transfer's status is shown.
    void noteLogged(quint64 transfer, const Result<> &written);
    void showStatusDetails();
    // The received pane's head entry, its remembered state, and Save As failures.
    void setUpPaneMenus();
    void toggleResponseHead(bool checked);
    void askToTrust(const UntrustedCertificate &certificate);
    void sendForSelectedJob(RequestKind kind, const QString &method, const QString &tail);
    void applyLook();

    std::unique_ptr<Ui::frmMain> ui;
    AppEnvironment m_env;
    InetTransfer *iNetTalus;
    std::array<FlexGrid *, 2> gridCon{}; // element 1 is the job grid
    TrafficLog m_log;
    RequestKind m_requestKind = RequestKind::None;
    QByteArray ResponseBuffer; // one response body while it is collected
    ResponseCollector m_collector;
    ArrivingResponse m_arriving;
    QTimer m_byteCountRepaint;
    JobStatusTable JobStatuses;
    JobListScanner m_listScan{JobStatuses}; // the list being scanned into JobStatuses
    QPointer<frmCreate> m_createWindow;
    quint64 m_transfers = 0; // requests sent so far
    QString m_statusDetails; // the last state's details
    QString m_notLogged;     // why a block of the last request was not logged
    QAction *m_showResponseHead = nullptr;
    bool m_outOfMemory = false; // the response being handled found no memory to grow into
};

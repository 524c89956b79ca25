#pragma once

#include "Result.h"
#include "desktop/AppEnvironment.h"
#include "desktop/RequestSender.h"
#include "jobs/JobStatusTable.h"
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
class TrackingExchange;
class LineIndex;
class frmCreate;
struct ExchangeOutcome;
struct TrackingRequest;
struct UntrustedCertificate;

// The operator's console: server address, status line, traffic panes, job commands and the
// job grid. It asks its exchange (TrackingExchange) for each request and shows what the
// exchange tells it. Owns the exchange, the traffic log and the run-long job table.
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
    bool sendRequest(RequestKind kind, const QString &externalId, const QString &body) override;

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

    void showSent(const TrackingRequest &request);
    void showRefused(const TrackingRequest &request, const QString &reason);
    void showBody(const QByteArray &body, LineIndex *lines, const QByteArray &head);
    void showList();
    void showOutcome(const ExchangeOutcome &outcome);
    void showStatus(const QString &text, const QString &details, const QColor &color);
    void warnSettingsNotSaved(const QString &why) const;
    void showByteCounts();
    // A block of this request that did not reach the log: in the status line's tooltip while
    // that request's status is shown.
    void showNotLogged(const QString &reason);
    void showStatusDetails();
    // The received pane's head entry, its remembered state, and Save As failures.
    void setUpPaneMenus();
    void toggleResponseHead(bool checked);
    // The grid's context menu: the jump to the next and previous change, and the list on a
    // timer.
    void setUpGridMenu();
    void toggleListTimer(bool on);
    void listOnTimer();
    void askToTrust(const UntrustedCertificate &certificate);
    void sendForSelectedJob(RequestKind kind);
    void applyLook();

    std::unique_ptr<Ui::frmMain> ui;
    AppEnvironment m_env;
    TrafficLog m_log;
    JobStatusTable JobStatuses;
    TrackingExchange *m_exchange;
    std::array<FlexGrid *, 2> gridCon{}; // element 1 is the job grid
    QTimer m_byteCountRepaint;
    QPointer<frmCreate> m_createWindow;
    QString m_statusDetails; // the last state's details
    QString m_notLogged;     // why a block of the last request was not logged
    QAction *m_showResponseHead = nullptr;
    QAction *m_listEvery = nullptr;
    // A list every m_listEverySeconds while m_listEvery is checked; off at every start.
    QTimer m_listTimer;
    int m_listEverySeconds = 10;
};

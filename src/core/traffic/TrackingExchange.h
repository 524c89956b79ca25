#pragma once

#include "Result.h"
#include "jobs/JobScanner.h"
#include "text/LineIndex.h"
#include "traffic/ExchangeOutcome.h"
#include "traffic/RequestKind.h"
#include "transfer/TrackingRequest.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class InetTransfer;
class JobStatusTable;
class TrafficLog;

// One request to the tracking server and its response, from the typed address to the handled
// answer, as both programs make it: the window shows what it tells, the command-line client
// prints it.
//
// send() composes the request and refuses, before anything is sent or logged, one that cannot
// be sent as composed. Once the transfer has taken the request, the transmitted block is
// logged and sent() told. The transfer's stages come as stateChanged() (1 to 11). A complete
// response is taken whole: its received block is logged at once (so a close or a kill during a
// scan finds it in the log), bodyTaken() lets a view show it before any scan, and a list is
// scanned into the job table in pieces, each a queued call, so that a window answers between
// them while a hundred megabytes are scanned. The exchange stays busy until the last piece, so
// no other request starts and no other response interleaves; then the transfer is released
// and finished() tells the outcome. Memory running out anywhere on the way ends the exchange
// as a failed transfer ("answer too large for the memory available"), a scan undone.
class TrackingExchange final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrackingExchange)

public:
    // log may be null: nothing is logged.
    explicit TrackingExchange(TrafficLog *log, QObject *parent = nullptr);
    ~TrackingExchange() override;

    // Its settings (time-out, TLS settings file) and its byte counts.
    InetTransfer &transfer() { return *m_transfer; }
    const InetTransfer &transfer() const { return *m_transfer; }
    // Where a list is scanned; none: a list is not scanned.
    void setJobTable(JobStatusTable *table) { m_table = table; }

    // From send() until finished().
    bool busy() const;

    // The request of this kind for the typed address (trimmed; "https://" reaches it over TLS):
    // GET the list, POST a job's body to create it, GET or DELETE "/" + the job's ID, POST
    // "/" + ID + "/stopTracking". Fails, with the reason, when busy or when the request cannot
    // be sent as composed; nothing is sent or logged then.
    Result<TrackingRequest> send(RequestKind kind, const QString &typedAddress,
                                 const QString &externalId = {}, const QString &body = {});
    // The request send() would send, or the reason it cannot be sent as composed ("a \".\" or
    // \"..\" path segment would name another resource").
    static Result<TrackingRequest> compose(RequestKind kind, const QString &typedAddress,
                                           const QString &externalId = {},
                                           const QString &body = {});

    // Said from a slot of bodyTaken() or listScanned(): showing the response found no memory
    // to grow into. The exchange ends as a failed transfer.
    void failOutOfMemory() { m_outOfMemory = true; }
    // A body buffer its holder is done with, for the next response to arrive into (a 100 MB
    // list then arrives into pages it already has).
    void offerBodyStorage(QByteArray storage);

    // Each piece of a list is scanned in about 2 ms, well under what an operator notices.
    static constexpr qsizetype PieceBytes = 4 * 1024 * 1024;

Q_SIGNALS:
    void sent(const TrackingRequest &request);
    // The request as composed, which could not be sent for this reason: nothing went out.
    void refused(const TrackingRequest &request, const QString &reason);
    void stateChanged(qint16 state);
    // The complete body, before any scan; a view may take the line index made while it arrived.
    void bodyTaken(const QByteArray &body, LineIndex *lines, const QByteArray &head);
    // A list is in the job table.
    void listScanned();
    void finished(const ExchangeOutcome &outcome);
    // A block of the request under way did not reach the log.
    void notLogged(const QString &reason);
    // The received block's write has ended (a large one is written by the log's own thread).
    void receivedLogged();

private:
    void onStateChanged(qint16 state);
    void takeResponse();
    void nextStep();
    void queueNextStep();
    // A step of a list's scan; memory running out in it undoes the scan at once, before the
    // event loop runs again (a window's paint needs memory too).
    template <typename Step>
    void scanning(Step &&step);
    void noteLogged(quint64 sequence, const Result<> &written);
    void finish();

    InetTransfer *m_transfer;
    TrafficLog *m_log;
    JobStatusTable *m_table = nullptr;
    RequestKind m_kind = RequestKind::None;
    quint64 m_sequence = 0; // requests sent so far
    bool m_collecting = false;
    bool m_outOfMemory = false;
    bool m_prepared = false;
    bool m_scanList = false;
    QByteArray ResponseBuffer; // the body of the response being handled
    qsizetype m_scanned = 0;
    LineIndex m_lines; // of the body while it arrives
    JobListScanner m_scan;
    ExchangeOutcome m_outcome;
};

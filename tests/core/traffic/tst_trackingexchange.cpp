#include "AllocationCeiling.h"
#include "FileBytes.h"
#include "JobLists.h"
#include "ScriptedHttpServer.h"
#include "jobs/JobStatusTable.h"
#include "traffic/TrackingExchange.h"
#include "traffic/TrafficLog.h"
#include "transfer/InetTransfer.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

QByteArray block(const QByteArray &heading, const QByteArray &body)
{
    return heading + "\r\n" + body + "\r\n";
}

} // namespace

// One request and its response, as both programs make it: the log's blocks in order, the body
// shown before the scan, a list scanned in pieces while the exchange stays busy, and memory
// running out as a failed transfer.
class tst_TrackingExchange final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_server.emplace();
        m_log.emplace();
        QVERIFY(m_log->create(m_dir.filePath(u"Data_Text.txt"_s)).ok());
        m_table.emplace();
        m_exchange.emplace(&*m_log);
        m_exchange->setJobTable(&*m_table);
    }

    // What the exchange tells, in order, and what the log holds at each step: the transmitted
    // block once the request went out, the received block before the body is shown, the body
    // shown before the list is scanned.
    void listTellsItsStepsInOrder()
    {
        const QByteArray list = numberedJobList(2);
        m_server->setResponse(ScriptedHttpServer::okResponse(list));
        QStringList steps;
        connect(&*m_exchange, &TrackingExchange::sent, this, [&](const TrackingRequest &request) {
            steps << u"sent "_s + request.url;
            QCOMPARE(log(),
                     block("---Data Transmitted---",
                           request.url.toUtf8() + "\r\n" + request.headers.toUtf8() + "\r\n"));
        });
        connect(&*m_exchange, &TrackingExchange::bodyTaken, this,
                [&](const QByteArray &body, LineIndex *, const QByteArray &head) {
                    steps << u"body %1 bytes, %2 jobs"_s.arg(body.size()).arg(m_table->jobCount());
                    QVERIFY(log().endsWith(block("---Data Received---", list)));
                    QVERIFY(head.startsWith("HTTP/1.1 200 OK\r\n"));
                });
        connect(&*m_exchange, &TrackingExchange::listScanned, this,
                [&] { steps << u"scanned %1 jobs"_s.arg(m_table->jobCount()); });
        QSignalSpy finished(&*m_exchange, &TrackingExchange::finished);
        QVERIFY(m_exchange->send(RequestKind::List, m_server->authority()).ok());
        QVERIFY(finished.wait());
        const QString url = u"http://%1/api/videocompare/tracking"_s.arg(m_server->authority());
        QCOMPARE(steps,
                 QStringList({u"sent "_s + url, u"body 145 bytes, 0 jobs"_s, u"scanned 2 jobs"_s}));
        const auto outcome = finished.takeFirst().at(0).value<ExchangeOutcome>();
        QVERIFY(outcome.completed);
        QCOMPARE(outcome.status, 200);
        QCOMPARE(outcome.body, list);
        QCOMPARE(outcome.details().section(u" \u00b7 "_s, 0, 1), u"HTTP 200 OK \u00b7 145 bytes"_s);
        QVERIFY(!m_exchange->busy());
    }

    // A request that cannot be sent as composed is refused before anything is sent or logged.
    void unsendableIsNeitherSentNorLogged_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("reason");
        QTest::newRow("a space in the host")
            << u"10.0 .0.5"_s << u"J1"_s << u"cannot send to this address: "_s;
        QTest::newRow("an ID of two dots")
            << u"SERVER"_s << u".."_s
            << u"cannot send to this address: a \".\" or \"..\" path segment would name "
               "another resource"_s;
    }

    void unsendableIsNeitherSentNorLogged()
    {
        QFETCH(QString, address);
        QFETCH(QString, id);
        QFETCH(QString, reason);
        QSignalSpy sent(&*m_exchange, &TrackingExchange::sent);
        QSignalSpy refused(&*m_exchange, &TrackingExchange::refused);
        const Result<TrackingRequest> outcome = m_exchange->send(
            RequestKind::GetJob, address.replace(u"SERVER"_s, m_server->authority()), id);
        QVERIFY2(outcome.reason().startsWith(reason), qPrintable(outcome.reason()));
        QVERIFY(!m_exchange->busy());
        QCOMPARE(sent.count(), 0);
        QCOMPARE(refused.count(), 1);
        QCOMPARE(refused.first().at(1).toString(), outcome.reason());
        QCOMPARE(log(), QByteArray());
        QTest::qWait(0);
        QCOMPARE(m_server->connectionCount(), 0);
    }

    // Each kind's method and path, the ID kept one path segment; only a list's answer is
    // scanned, the others are shown but never scanned.
    void requestOfEachKind_data()
    {
        QTest::addColumn<RequestKind>("kind");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QByteArray>("line"); // method and target
        QTest::addColumn<int>("scanned");     // jobs in the table after the answer
        const QByteArray path = "/api/videocompare/tracking";
        QTest::newRow("list") << RequestKind::List << QString() << "GET " + path << 3;
        QTest::newRow("create") << RequestKind::Create << QString() << "POST " + path << 0;
        QTest::newRow("get") << RequestKind::GetJob << u"a/b"_s << "GET " + path + "/a%2Fb" << 0;
        QTest::newRow("stop") << RequestKind::StopJob << u"J1"_s
                              << "POST " + path + "/J1/stopTracking" << 0;
        QTest::newRow("delete") << RequestKind::DeleteJob << u"J1"_s << "DELETE " + path + "/J1"
                                << 0;
    }

    void requestOfEachKind()
    {
        QFETCH(RequestKind, kind);
        QFETCH(QString, id);
        QFETCH(QByteArray, line);
        QFETCH(int, scanned);
        m_server->setResponse(ScriptedHttpServer::okResponse(numberedJobList(3)));
        QSignalSpy finished(&*m_exchange, &TrackingExchange::finished);
        QVERIFY(m_exchange->send(kind, m_server->authority(), id, u"{}"_s).ok());
        QVERIFY(finished.wait());
        QVERIFY2(m_server->received(0).startsWith(line + " HTTP/1.1\r\n"),
                 m_server->received(0).constData());
        QCOMPARE(m_table->jobCount(), scanned);
    }

    // A list of several pieces: events run between them, the exchange stays busy and refuses
    // another request meanwhile, and the table gets every job once the scan is done. The log
    // closed between the pieces (the window closed) keeps the received block whole.
    void largeListIsScannedInPiecesWhileBusy()
    {
        const QByteArray list = numberedJobList(1000, 10000);
        QCOMPARE(list.size() / TrackingExchange::PieceBytes, 2); // three pieces
        m_server->setResponse(ScriptedHttpServer::okResponse(list));
        QSignalSpy taken(&*m_exchange, &TrackingExchange::bodyTaken);
        QSignalSpy finished(&*m_exchange, &TrackingExchange::finished);
        int passesWhileScanned = 0;
        QString refusal;
        QTimer tick;
        connect(&tick, &QTimer::timeout, this, [&] {
            if (taken.count() == 1 && finished.isEmpty() && passesWhileScanned++ == 0) {
                QVERIFY(m_exchange->busy());
                refusal = m_exchange->send(RequestKind::List, m_server->authority()).reason();
                m_log->close();
            }
        });
        tick.start(0);
        QVERIFY(m_exchange->send(RequestKind::List, m_server->authority()).ok());
        QVERIFY(finished.wait());
        QVERIFY2(passesWhileScanned >= 3, qPrintable(QString::number(passesWhileScanned)));
        QCOMPARE(refusal, u"a request is still under way"_s);
        QCOMPARE(m_server->connectionCount(), 1);
        QCOMPARE(m_table->jobCount(), 1000);
        QCOMPARE(m_table->slot(999).externalId, "J999");
        QVERIFY(log().endsWith(block("---Data Received---", list)));
    }

    // A list whose table does not fit the memory available fails as a transfer does: the
    // received block is logged, the table is as it was, and the next list goes through.
    void listOutgrowingTheMemoryFails()
    {
        if (!allocationCeilingAvailable())
            QSKIP("AddressSanitizer's allocator cannot be given a ceiling");
        ParseJobList(jobList("before/OK/t"), *m_table);
        const QByteArray list = numberedJobList(27000);
        m_server->setResponse(ScriptedHttpServer::okResponse(list));
        QSignalSpy finished(&*m_exchange, &TrackingExchange::finished);
        setAllocationCeiling(2 << 20);
        const bool sent = m_exchange->send(RequestKind::List, m_server->authority()).ok();
        const bool ended = finished.wait();
        setAllocationCeiling(0);
        QVERIFY(sent && ended);
        const auto outcome = finished.takeFirst().at(0).value<ExchangeOutcome>();
        QCOMPARE(outcome.details(), u"Failed: answer too large for the memory available"_s);
        QVERIFY(log().endsWith(block("---Data Received---", list)));
        QCOMPARE(m_table->jobCount(), 1);
        QVERIFY(!m_exchange->busy());

        m_server->setResponse(ScriptedHttpServer::okResponse(numberedJobList(2)));
        QVERIFY(m_exchange->send(RequestKind::List, m_server->authority()).ok());
        QVERIFY(finished.wait());
        QVERIFY(finished.takeFirst().at(0).value<ExchangeOutcome>().completed);
        QCOMPARE(m_table->jobCount(), 3);
    }

    // A body buffer offered back is what the next large body arrives into: its pages are not
    // made and zeroed again. Its size tells it apart from a buffer the allocator happens to put
    // at the same address.
    void offeredStorageTakesTheNextBody()
    {
        QByteArray storage;
        storage.reserve(8 << 20);
        const char *const pages = storage.constData();
        const qsizetype capacity = storage.capacity();
        m_exchange->offerBodyStorage(std::move(storage));
        m_server->setResponse(ScriptedHttpServer::okResponse(QByteArray(5 << 20, 'x')));
        const char *arrivedInto = nullptr;
        qsizetype arrivedCapacity = 0;
        connect(&*m_exchange, &TrackingExchange::bodyTaken, this, [&](const QByteArray &body) {
            arrivedInto = body.constData();
            arrivedCapacity = body.capacity();
        });
        QSignalSpy finished(&*m_exchange, &TrackingExchange::finished);
        QVERIFY(m_exchange->send(RequestKind::GetJob, m_server->authority(), u"J1"_s).ok());
        QVERIFY(finished.wait());
        QCOMPARE(arrivedCapacity, capacity);
        QCOMPARE(static_cast<const void *>(arrivedInto), static_cast<const void *>(pages));
    }

private:
    QByteArray log() const { return fileBytes(m_dir.filePath(u"Data_Text.txt"_s)); }

    QTemporaryDir m_dir;
    std::optional<ScriptedHttpServer> m_server;
    std::optional<TrafficLog> m_log;
    std::optional<JobStatusTable> m_table;
    std::optional<TrackingExchange> m_exchange;
};

QTEST_GUILESS_MAIN(tst_TrackingExchange)
#include "tst_trackingexchange.moc"

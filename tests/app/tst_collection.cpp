#include "MainWindowFixture.h"
#include "ScriptedHttpServer.h"

namespace {

QByteArray jobList(std::initializer_list<std::array<const char *, 3>> jobs)
{
    QByteArray body = "[\r\n";
    for (const auto &job : jobs)
        body += QByteArray("    {\r\n        \"externalId\": \"") + job[0]
            + "\",\r\n        \"latestAlertStatus\": \"" + job[1]
            + "\",\r\n        \"latestAlertTime\": \"" + job[2] + "\"\r\n    },\r\n";
    return body + "]";
}

QStringList gridRows(const FlexGrid &grid)
{
    QStringList rows;
    for (int row = 1; row < grid.Rows(); ++row)
        rows << grid.TextMatrix(row, 0) + u'|' + grid.TextMatrix(row, 1) + u'|'
                + grid.TextMatrix(row, 2);
    return rows;
}

} // namespace

class tst_Collection final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void bodyIsShownAndLogged_data();
    void bodyIsShownAndLogged();
    void listAnswerFillsGrid();
    void otherAnswersLeaveGridAlone_data();
    void otherAnswersLeaveGridAlone();
    void errorPageForListIsScanned();
    void twoResponsesInARow();
    void errorThenCompleted();
    void unknownStateEmptiesLabel();
};

void tst_Collection::bodyIsShownAndLogged_data()
{
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<QByteArray>("body");

    const auto ok = [](const QByteArray &body) { return ScriptedHttpServer::okResponse(body); };
    QTest::newRow("empty body") << ok(QByteArray()) << QByteArray();
    QTest::newRow("exactly 1024 bytes") << ok(QByteArray(1024, 'a')) << QByteArray(1024, 'a');
    QTest::newRow("2,500 bytes") << ok(QByteArray(2500, 'b')) << QByteArray(2500, 'b');
    QTest::newRow("chunked")
        << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                      "5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n")
        << QByteArray("hello world");
    QTest::newRow("ends with the connection")
        << QByteArray("HTTP/1.1 200 OK\r\n\r\nread to the end") << QByteArray("read to the end");
    QTest::newRow("bytes that are not UTF-8 are logged unchanged")
        << ok("caf\xe9 \xc3\xa9\r\nline\n") << QByteArray("caf\xe9 \xc3\xa9\r\nline\n");
}

void tst_Collection::bodyIsShownAndLogged()
{
    QFETCH(QByteArray, response);
    QFETCH(QByteArray, body);

    ScriptedHttpServer server;
    server.setResponse(response);
    server.setPieceSize(700);
    MainWindowFixture f;
    QVERIFY(f.start());
    f.txtIP()->setText(server.authority());
    f.click("cmd1");
    const QByteArray transmitted = f.log();
    QTRY_COMPARE(f.lblStat()->text(), u"Response Completed"_qs);
    QVERIFY(!f.window->StillExecuting());

    QCOMPARE(f.log(), transmitted + "---Data Received---\r\n" + body + "\r\n");
    QString shown = QString::fromUtf8(body);
    shown.replace(u"\r\n"_qs, u"\n"_qs);
    QCOMPARE(f.txtRx()->toPlainText(), shown);
    QCOMPARE(f.control<QLabel>("lblRXBytes")->text(), u"0"_qs);
}

void tst_Collection::listAnswerFillsGrid()
{
    ScriptedHttpServer server;
    server.setResponse(ScriptedHttpServer::okResponse(
        jobList({{"A7", "None", "t1"}, {"B2", "Video Freeze", "t2"}})));
    MainWindowFixture f;
    QVERIFY(f.start());
    f.txtIP()->setText(server.authority());
    f.click("cmd1");
    QVERIFY(f.waitIdle());
    QCOMPARE(gridRows(f.window->grid()), QStringList({u"A7|None|t1"_qs, u"B2|Video Freeze|t2"_qs}));

    // A later list changes one job in place; the other keeps its row.
    server.setResponse(ScriptedHttpServer::okResponse(jobList({{"B2", "Stopped", "t3"}})));
    f.click("cmd1");
    QVERIFY(f.waitIdle());
    QCOMPARE(gridRows(f.window->grid()), QStringList({u"A7|None|t1"_qs, u"B2|Stopped|t3"_qs}));
    QVERIFY(f.window->grid().isVisible());
}

void tst_Collection::otherAnswersLeaveGridAlone_data()
{
    QTest::addColumn<QByteArray>("button");
    QTest::newRow("get") << QByteArray("cmdGetJob");
    QTest::newRow("stop") << QByteArray("cmdStopJob");
    QTest::newRow("delete") << QByteArray("cmdDeleteJob");
}

void tst_Collection::otherAnswersLeaveGridAlone()
{
    QFETCH(QByteArray, button);
    MainWindowFixture f;
    QVERIFY(f.start());
    f.window->grid().setTextMatrix(1, 0, u"A7"_qs);

    ScriptedHttpServer server;
    // An answer that looks like a job list is not scanned for these requests.
    server.setResponse(ScriptedHttpServer::okResponse(jobList({{"Z9", "None", "t"}})));
    f.txtIP()->setText(server.authority());
    f.click(button.constData());
    QVERIFY(f.waitIdle());
    QCOMPARE(f.lblStat()->text(), u"Response Completed"_qs);
    QCOMPARE(f.window->grid().Rows(), 2);
    QCOMPARE(f.window->grid().TextMatrix(1, 0), u"A7"_qs);
    QCOMPARE(f.window->jobStatuses().jobCount(), 0);
}

void tst_Collection::errorPageForListIsScanned()
{
    ScriptedHttpServer server;
    const QByteArray body = jobList({{"E1", "Oops", "now"}});
    server.setResponse("HTTP/1.1 500 Internal Server Error\r\nContent-Length: "
                       + QByteArray::number(body.size()) + "\r\n\r\n" + body);
    MainWindowFixture f;
    QVERIFY(f.start());
    f.txtIP()->setText(server.authority());
    f.click("cmd1");
    QVERIFY(f.waitIdle());
    QCOMPARE(gridRows(f.window->grid()), QStringList({u"E1|Oops|now"_qs}));
    QCOMPARE(f.lblStat()->text(), u"Response Completed"_qs);
}

void tst_Collection::twoResponsesInARow()
{
    ScriptedHttpServer server;
    MainWindowFixture f;
    QVERIFY(f.start());
    f.txtIP()->setText(server.authority());
    server.setResponse(ScriptedHttpServer::okResponse("first"));
    f.click("cmd1");
    QVERIFY(f.waitIdle());
    server.setResponse(ScriptedHttpServer::okResponse("second"));
    f.click("cmdGetJob"); // no job selected: refused with the box, nothing sent
    f.window->grid().setTextMatrix(1, 0, u"x"_qs);
    f.click("cmdGetJob");
    QVERIFY(f.waitIdle());
    QCOMPARE(f.txtRx()->toPlainText(), u"second"_qs);
    const QByteArray log = f.log();
    QCOMPARE(log.count("---Data Received---"), 2);
    QVERIFY(log.endsWith("---Data Received---\r\nsecond\r\n"));
    QVERIFY(log.contains("---Data Received---\r\nfirst\r\n---Data Transmitted---"));
}

void tst_Collection::errorThenCompleted()
{
    MainWindowFixture f;
    QVERIFY(f.start());
    quint16 closedPort = 0;
    {
        ScriptedHttpServer gone;
        closedPort = gone.port();
    }
    f.txtIP()->setText(u"127.0.0.1:"_qs + QString::number(closedPort));
    f.click("cmd1");
    QVERIFY(f.waitIdle());
    QCOMPARE(f.lblStat()->text(), u"Error"_qs);
    const QByteArray afterError = f.log();
    QVERIFY(!afterError.contains("---Data Received---"));
    QCOMPARE(f.txtRx()->toPlainText(), QString());
    QCOMPARE(f.window->requestKind(), RequestKind::List);

    ScriptedHttpServer server;
    server.setResponse(ScriptedHttpServer::okResponse(jobList({{"A1", "None", "t"}})));
    f.txtIP()->setText(server.authority());
    f.click("cmd1");
    QVERIFY(f.waitIdle());
    QCOMPARE(f.lblStat()->text(), u"Response Completed"_qs);
    QVERIFY(f.log().endsWith("---Data Received---\r\n" + jobList({{"A1", "None", "t"}}) + "\r\n"));
    QCOMPARE(f.window->grid().TextMatrix(1, 0), u"A1"_qs);
}

void tst_Collection::unknownStateEmptiesLabel()
{
    MainWindowFixture f;
    QVERIFY(f.start());
    Q_EMIT f.window->transfer().StateChanged(InetTransfer::Connecting);
    QCOMPARE(f.lblStat()->text(), u"Connecting"_qs);
    Q_EMIT f.window->transfer().StateChanged(InetTransfer::Disconnecting);
    QCOMPARE(f.lblStat()->text(), u"Disconecting"_qs);
    Q_EMIT f.window->transfer().StateChanged(13);
    QCOMPARE(f.lblStat()->text(), QString());
    Q_EMIT f.window->transfer().StateChanged(0);
    QCOMPARE(f.lblStat()->text(), QString());
    QCOMPARE(f.log(), QByteArray());
}

QTEST_MAIN(tst_Collection)
#include "tst_collection.moc"

#include "AllocationCeiling.h"
#include "JobLists.h"
#include "MainWindowFixture.h"
#include "settings/Settings.h"

using namespace Qt::StringLiterals;

namespace {

// Memory the test's own steps take beside the answer (the log's block, the status texts).
constexpr std::size_t kSlack = 256 * 1024;

} // namespace

// The program's memory is given a ceiling of 2 MiB a block while an answer arrives or is
// handled: the window, the log and the settings come through, and the transfer fails.
class tst_OutOfMemory final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answerTooLarge_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<QByteArray>("pane");
        QTest::addColumn<QByteArray>("logged"); // after the request's block
        const QByteArray large(8 << 20, 'x');
        QByteArray chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
        for (int chunk = 0; chunk < 128; ++chunk)
            chunked += "10000\r\n" + QByteArray(0x10000, 'c') + "\r\n";
        const QByteArray list = numberedJobList(27000);
        QTest::newRow("arriving: a length past the memory")
            << ScriptedHttpServer::okResponse(large) << QByteArray("before") << QByteArray();
        QTest::newRow("arriving: a body ended by the close")
            << "HTTP/1.0 200 OK\r\n\r\n" + large << QByteArray("before") << QByteArray();
        QTest::newRow("arriving: chunks") << chunked + "0\r\n\r\n"
                                          << QByteArray("before") << QByteArray();
        // A body that arrived whole is shown and logged before the list is scanned.
        QTest::newRow("handled: a list whose job table outgrows the memory")
            << ScriptedHttpServer::okResponse(list) << list
            << "---Data Received---\r\n" + list + "\r\n";
    }

    void answerTooLarge()
    {
        QFETCH(QByteArray, response);
        QFETCH(QByteArray, pane);
        QFETCH(QByteArray, logged);
        if (!allocationCeilingAvailable())
            QSKIP("AddressSanitizer's allocator cannot be given a ceiling");
        MainWindowFixture f;
        f.server.setPieceSize(0x10000);
        QVERIFY(f.serve(response));
        f.txtRx()->setBytes("before");
        // The window's backing store (some megabytes) is made before the ceiling.
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        f.window->repaint();

        const std::size_t allocatedBefore = allocatedBytes();
        setAllocationCeiling(2 << 20);
        f.click("cmd1");
        const QByteArray transmitted = f.log();
        const bool idle = f.waitIdle();
        setAllocationCeiling(0);
        QVERIFY(idle);
        QCOMPARE(f.lblStat()->text(), u"Error"_s);
        QCOMPARE(f.lblStat()->toolTip(), u"Failed: answer too large for the memory available"_s);
        QCOMPARE(f.txtRx()->bytes(), pane);
        QCOMPARE(f.log(), transmitted + logged);

        // What the failed step built is let go of before the window paints again: the memory
        // in use is what the pane's body takes beyond what it was, and the paint finds room.
        QVERIFY2(allocatedBytes() < allocatedBefore + response.size() + kSlack,
                 qPrintable(u"%1 bytes more than before the list"_s.arg(allocatedBytes()
                                                                        - allocatedBefore)));
        setAllocationCeiling(2 << 20);
        f.window->repaint();
        f.grid()->repaint();
        setAllocationCeiling(0);

        // The window goes on: the next list is shown, and the close saves the address.
        f.server.setResponse(ScriptedHttpServer::okResponse("[]"));
        QVERIFY(f.send("cmd1"));
        QCOMPARE(f.lblStat()->text(), u"Response Completed"_s);
        QCOMPARE(f.txtRx()->bytes(), "[]");
        f.txtIP()->setText(u"10.9.8.7"_s);
        QVERIFY(f.window->close());
        QCOMPARE(LoadSettings(f.folder.path()), u"10.9.8.7"_s);
    }
};

QTEST_MAIN(tst_OutOfMemory)
#include "tst_outofmemory.moc"

#include "traffic/TransferDetails.h"

#include <QTest>

using namespace Qt::StringLiterals;

using Timing = InetTransfer::Timing;
Q_DECLARE_METATYPE(Timing)

// The status line's tool tip: the answer and where its time went.
class tst_TransferDetails final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void completedDetails_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("phrase");
        QTest::addColumn<QString>("details");
        QTest::newRow("a reason phrase")
            << 404 << QByteArray("Not Found") << u"HTTP 404 Not Found · 1234 bytes · 12 ms"_s;
        QTest::newRow("no reason phrase, no space for it")
            << 200 << QByteArray() << u"HTTP 200 · 1234 bytes · 12 ms"_s;
        QTest::newRow("a reason phrase in UTF-8") << 200 << QByteArray("Bien re\xc3\xa7u")
                                                  << u"HTTP 200 Bien reçu · 1234 bytes · 12 ms"_s;
        QTest::newRow("a status read as 099 keeps its three digits")
            << 99 << QByteArray("Odd") << u"HTTP 099 Odd · 1234 bytes · 12 ms"_s;
    }

    void completedDetails()
    {
        QFETCH(int, code);
        QFETCH(QByteArray, phrase);
        QFETCH(QString, details);
        QCOMPARE(::completedDetails(code, phrase, 1234, 12), details);
    }

    // A name found in 0 ms still took place; only an address that is no name has none.
    void timingDetails_data()
    {
        QTest::addColumn<Timing>("timing");
        QTest::addColumn<QString>("details");
        QTest::newRow("no name lookup")
            << Timing{-1, 0, 0, 0} << u"connect 0 ms · first byte 0 ms · body 0 ms"_s;
        QTest::newRow("a 0 ms name lookup")
            << Timing{0, 0, 0, 0}
            << u"name lookup 0 ms · connect 0 ms · first byte 0 ms · body 0 ms"_s;
        QTest::newRow("a 1 ms name lookup")
            << Timing{1, 0, 0, 0}
            << u"name lookup 1 ms · connect 0 ms · first byte 0 ms · body 0 ms"_s;
        QTest::newRow("each time in its place")
            << Timing{2, 3, 5, 7}
            << u"name lookup 2 ms · connect 3 ms · first byte 5 ms · body 7 ms"_s;
    }

    void timingDetails()
    {
        QFETCH(Timing, timing);
        QFETCH(QString, details);
        QCOMPARE(::timingDetails(timing), details);
    }
};

QTEST_GUILESS_MAIN(tst_TransferDetails)
#include "tst_transferdetails.moc"

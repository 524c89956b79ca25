#include "create/PortNumber.h"

#include <QTest>

using namespace Qt::StringLiterals;

class tst_PortNumber final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Decimals, blanks anywhere and a minus sign: the replayed port fuzzer checks them.
    void readsANumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("inRange"); // false: read as 0
        QTest::newRow("plus sign") << u"+80"_s << 80.0 << true;
        QTest::newRow("fraction alone") << u".5"_s << 0.5 << true;
        QTest::newRow("exponent E") << u"8E1"_s << 80.0 << true;
        QTest::newRow("exponent d") << u"8d1"_s << 80.0 << true;
        QTest::newRow("exponent without digits stops") << u"8E-"_s << 8.0 << true;
        QTest::newRow("stops at a letter") << u"80abc"_s << 80.0 << true;
        QTest::newRow("empty") << QString() << 0.0 << true;
        QTest::newRow("&h lower") << u"&h50"_s << 80.0 << true;
        QTest::newRow("&H digits 0-7") << u"&H01234567"_s << 19088743.0 << true;
        QTest::newRow("&H digits 8-F upper") << u"&H89ABCDEF"_s << -1985229329.0 << true;
        QTest::newRow("&H digits 8-f lower") << u"&H89abcdef"_s << -1985229329.0 << true;
        QTest::newRow("&H all ones is -1") << u"&HFFFFFFFF"_s << -1.0 << true;
        QTest::newRow("&H stops at a non-digit") << u"&H1G"_s << 1.0 << true;
        QTest::newRow("&H without digits") << u"&H"_s << 0.0 << true;
        QTest::newRow("&o lower") << u"&o120"_s << 80.0 << true;
        QTest::newRow("&O every digit") << u"&O01234567"_s << 342391.0 << true;
        QTest::newRow("&O stops at 8") << u"&O78"_s << 7.0 << true;
        QTest::newRow("& with another letter") << u"&X12"_s << 0.0 << true;
        QTest::newRow("too large") << u"1e400"_s << 0.0 << false;
        QTest::newRow("vanishes to 0") << u"1e-400"_s << 0.0 << false;
        QTest::newRow("&H over 32 bits") << u"&H100000000"_s << 0.0 << false;
        QTest::newRow("&O over 32 bits") << u"&O40000000000"_s << 0.0 << false;
    }

    void readsANumber()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QFETCH(bool, inRange);
        double read = -12345;
        QCOMPARE(readPortNumber(text, &read), inRange);
        QCOMPARE(read, value);
    }
};

QTEST_GUILESS_MAIN(tst_PortNumber)
#include "tst_portnumber.moc"

#include "create/PortNumber.h"

#include <QTest>

class tst_PortNumber final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reads_data();
    void reads();
    void outOfRange_data();
    void outOfRange();
};

void tst_PortNumber::reads_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("number");
    QTest::addColumn<bool>("validPort");

    QTest::newRow("plain") << QStringLiteral("80") << 80.0 << true;
    QTest::newRow("spaces inside") << QStringLiteral(" 8 0 ") << 80.0 << true;
    QTest::newRow("tab and line feed") << QStringLiteral("\t80\n") << 80.0 << true;
    QTest::newRow("stops at letters") << QStringLiteral("80abc") << 80.0 << true;
    QTest::newRow("fraction") << QStringLiteral("1.5") << 1.5 << true;
    QTest::newRow("second point stops") << QStringLiteral("1.2.3") << 1.2 << true;
    QTest::newRow("leading point") << QStringLiteral(".5") << 0.5 << true;
    QTest::newRow("plus sign") << QStringLiteral("+80") << 80.0 << true;
    QTest::newRow("above 16 bits") << QStringLiteral("65536") << 65536.0 << true;
    QTest::newRow("five nines") << QStringLiteral("99999") << 99999.0 << true;
    QTest::newRow("exponent E") << QStringLiteral("1e3") << 1000.0 << true;
    QTest::newRow("exponent D") << QStringLiteral("1D2") << 100.0 << true;
    QTest::newRow("negative exponent") << QStringLiteral("5E-1") << 0.5 << true;
    QTest::newRow("spaces inside exponent") << QStringLiteral("1 e 3") << 1000.0 << true;
    QTest::newRow("lone exponent letter stops") << QStringLiteral("8e") << 8.0 << true;
    QTest::newRow("exponent sign without digits") << QStringLiteral("8e+x") << 8.0 << true;
    QTest::newRow("hexadecimal") << QStringLiteral("&H50") << 80.0 << true;
    QTest::newRow("hexadecimal, small letters") << QStringLiteral("&h1f") << 31.0 << true;
    QTest::newRow("hexadecimal stops at non-digit") << QStringLiteral("&H50x") << 80.0 << true;
    QTest::newRow("octal") << QStringLiteral("&O120") << 80.0 << true;
    QTest::newRow("octal stops at 8") << QStringLiteral("&O128") << 10.0 << true;
    QTest::newRow("largest 32-bit hexadecimal")
        << QStringLiteral("&H7FFFFFFF") << 2147483647.0 << true;

    QTest::newRow("zero") << QStringLiteral("0") << 0.0 << false;
    QTest::newRow("zero with fraction") << QStringLiteral("0.0") << 0.0 << false;
    QTest::newRow("minus one") << QStringLiteral("-1") << -1.0 << false;
    QTest::newRow("negative port") << QStringLiteral("-80") << -80.0 << false;
    QTest::newRow("letters only") << QStringLiteral("abc") << 0.0 << false;
    QTest::newRow("empty") << QString() << 0.0 << false;
    QTest::newRow("spaces only") << QStringLiteral("   ") << 0.0 << false;
    QTest::newRow("point only") << QStringLiteral(".") << 0.0 << false;
    QTest::newRow("sign only") << QStringLiteral("-") << 0.0 << false;
    QTest::newRow("two signs") << QStringLiteral("--80") << 0.0 << false;
    QTest::newRow("sign before hexadecimal") << QStringLiteral("-&H50") << 0.0 << false;
    QTest::newRow("hexadecimal without digits") << QStringLiteral("&H") << 0.0 << false;
    QTest::newRow("ampersand alone") << QStringLiteral("&80") << 0.0 << false;
    QTest::newRow("all 32 bits set is minus one") << QStringLiteral("&HFFFFFFFF") << -1.0 << false;
    QTest::newRow("octal of all 32 bits set") << QStringLiteral("&O37777777777") << -1.0 << false;
    QTest::newRow("carriage return is not skipped") << QStringLiteral("\r80") << 0.0 << false;
    QTest::newRow("no-break space is not skipped")
        << QString(QChar(0x00A0)) + QStringLiteral("80") << 0.0 << false;
    QTest::newRow("full-width digits are not digits")
        << QString(QChar(0xFF18)) + QString(QChar(0xFF10)) << 0.0 << false;
}

void tst_PortNumber::reads()
{
    QFETCH(QString, text);
    QFETCH(double, number);
    QFETCH(bool, validPort);

    double value = -12345;
    QVERIFY(ReadPortNumber(text, &value));
    QCOMPARE(value, number);
    QCOMPARE(IsValidPort(text), validPort);
}

void tst_PortNumber::outOfRange_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("beyond the largest double") << QStringLiteral("1e999");
    QTest::newRow("beyond, with D exponent") << QStringLiteral("9D400");
    QTest::newRow("too many digits") << QString(400, QLatin1Char('9'));
    QTest::newRow("vanishes below the smallest double") << QStringLiteral("1e-999");
    QTest::newRow("hexadecimal wider than 32 bits") << QStringLiteral("&H100000050");
    QTest::newRow("octal wider than 32 bits") << QStringLiteral("&O40000000000");
}

void tst_PortNumber::outOfRange()
{
    QFETCH(QString, text);

    double value = -12345;
    QVERIFY(!ReadPortNumber(text, &value));
    QCOMPARE(value, 0.0);
    QVERIFY(!IsValidPort(text));
}

QTEST_APPLESS_MAIN(tst_PortNumber)
#include "tst_PortNumber.moc"

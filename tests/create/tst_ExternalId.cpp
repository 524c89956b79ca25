#include "create/ExternalId.h"
#include "create/RandomSource.h"

#include "ScriptedRandom.h"

#include <QRegularExpression>
#include <QTest>

#include <cmath>
#include <limits>

class tst_ExternalId final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundHalfEven_data();
    void roundHalfEven();
    void composition_data();
    void composition();
    void sameSequenceEveryRun();
    void drawsStayInRange();
};

void tst_ExternalId::roundHalfEven_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<float>("rounded");

    QTest::newRow("half up to even") << 32001.5F << 32002.0F;
    QTest::newRow("half down to even") << 32000.5F << 32000.0F;
    QTest::newRow("half at the top") << 95999.5F << 96000.0F;
    QTest::newRow("just below half") << 32000.49609375F << 32000.0F;
    QTest::newRow("just above half") << 32000.50390625F << 32001.0F;
    QTest::newRow("whole number unchanged") << 64000.0F << 64000.0F;
    QTest::newRow("small half to even zero") << 0.5F << 0.0F;
    QTest::newRow("small half to even two") << 1.5F << 2.0F;
}

void tst_ExternalId::roundHalfEven()
{
    QFETCH(float, value);
    QFETCH(float, rounded);
    QCOMPARE(RoundHalfEven(value), rounded);
}

void tst_ExternalId::composition_data()
{
    QTest::addColumn<QList<float>>("draws");
    QTest::addColumn<QString>("expected");

    const float largest = std::nextafter(1.0F, 0.0F);
    QTest::newRow("lowest draws") << QList<float>{0.0F, 0.0F} << QStringLiteral("3200032000");
    QTest::newRow("first draw comes first")
        << QList<float>{0.5F, 0.0F} << QStringLiteral("6400032000");
    QTest::newRow("largest draw stays five digits")
        << QList<float>{largest, largest} << QStringLiteral("9600096000");
    // 0.25 * 64000 + 32000 = 48000 exactly; 0.1 is not exact in single precision.
    QTest::newRow("quarter and tenth")
        << QList<float>{0.25F, 0.1F} << QStringLiteral("4800038400");
}

void tst_ExternalId::composition()
{
    QFETCH(QList<float>, draws);
    QFETCH(QString, expected);

    ScriptedRandom random(draws);
    QCOMPARE(NextExternalId(random), expected);
}

void tst_ExternalId::sameSequenceEveryRun()
{
    FixedSeedRandom first;
    FixedSeedRandom second;
    const QRegularExpression tenDigits(QStringLiteral("^[0-9]{10}$"));
    QStringList seen;
    for (int i = 0; i < 20; ++i) {
        const QString id = NextExternalId(first);
        QCOMPARE(NextExternalId(second), id);
        QVERIFY2(tenDigits.match(id).hasMatch(), qPrintable(id));
        const int a = id.left(5).toInt();
        const int b = id.mid(5).toInt();
        QVERIFY(a >= 32000 && a <= 96000);
        QVERIFY(b >= 32000 && b <= 96000);
        seen << id;
    }
    seen.removeDuplicates();
    QCOMPARE(seen.size(), 20);
}

void tst_ExternalId::drawsStayInRange()
{
    FixedSeedRandom random;
    float lowest = 1.0F;
    float highest = 0.0F;
    for (int i = 0; i < 100000; ++i) {
        const float draw = random.next();
        QVERIFY(draw >= 0.0F && draw < 1.0F);
        lowest = std::min(lowest, draw);
        highest = std::max(highest, draw);
    }
    // A generator stuck in a corner of [0, 1) would show here.
    QVERIFY(lowest < 0.001F);
    QVERIFY(highest > 0.999F);
}

QTEST_APPLESS_MAIN(tst_ExternalId)
#include "tst_ExternalId.moc"

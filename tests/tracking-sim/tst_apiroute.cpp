// The simulator's reading of request targets: the job id's %-escapes, every hex digit in both
// cases.

#include "ApiRoute.h"

#include <QTest>

#include <string>

class tst_ApiRoute final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void jobId_data()
    {
        QTest::addColumn<QByteArray>("segment");
        QTest::addColumn<QByteArray>("id"); // null: a broken escape
        QTest::newRow("digits") << QByteArray("%30%31%32%33%34%35%36%37%38%39")
                                << QByteArray("0123456789");
        QTest::newRow("lower-case letters")
            << QByteArray("%4a%4b%4c%4d%4e%4f%2f") << QByteArray("JKLMNO/");
        QTest::newRow("upper-case letters")
            << QByteArray("%4A%4B%4C%4D%4E%4F%2F") << QByteArray("JKLMNO/");
        QTest::newRow("letters first, both cases")
            << QByteArray("%a9%A9%b0%B0%c3%C3%d0%D0%e2%E2%f0%F0")
            << QByteArray("\xa9\xa9\xb0\xb0\xc3\xc3\xd0\xd0\xe2\xe2\xf0\xf0");
        QTest::newRow("not hex") << QByteArray("%4g") << QByteArray();
        QTest::newRow("cut short") << QByteArray("a%4") << QByteArray();
    }

    void jobId()
    {
        QFETCH(QByteArray, segment);
        QFETCH(QByteArray, id);
        const ApiRoute route = routeFor("/api/videocompare/tracking/" + segment.toStdString());
        QCOMPARE(route.kind, id.isNull() ? ApiRoute::Kind::BadEncoding : ApiRoute::Kind::Job);
        QCOMPARE(QByteArray::fromStdString(route.externalId), id.isNull() ? QByteArray() : id);
    }
};

QTEST_APPLESS_MAIN(tst_ApiRoute)
#include "tst_apiroute.moc"

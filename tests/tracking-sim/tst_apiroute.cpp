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
        QTest::newRow("every hex digit, letters in both cases and places")
            << QByteArray("%30%31%32%33%34%35%36%37%38%39%4a%4B%4c%4D%4e%4F%4A%4b%4C%4d%4E%4f%2f%2F"
                          "%a9%A9%b0%B0%c3%C3%d0%D0%e2%E2%f0%F0")
            << QByteArray("0123456789JKLMNOJKLMNO//"
                          "\xa9\xa9\xb0\xb0\xc3\xc3\xd0\xd0\xe2\xe2\xf0\xf0");
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

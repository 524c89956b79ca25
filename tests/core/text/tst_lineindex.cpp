#include "text/LineIndex.h"

#include <QElapsedTimer>
#include <QTest>

using namespace Qt::StringLiterals;

// What the line index's fuzz target does not reach: line ends split between two arrivals of
// the bytes, and what a lookup inside a line far longer than the stride costs.
class tst_LineIndex final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lines_data()
    {
        QTest::addColumn<QByteArrayList>("arrivals"); // the bytes so far, each; the last is whole
        QTest::addColumn<qsizetype>("stride");
        QTest::addColumn<QString>("lines"); // "start-end" of each line, without its line end
        QTest::newRow("CR LF split between two arrivals")
            << QByteArrayList{"a\r", "a\r\nb"} << 1024LL << u"0-1 3-4"_s;
        QTest::newRow("a CR at the end of the whole is a line end")
            << QByteArrayList{"a\r", "a\r"} << 1024LL << u"0-1 2-2"_s;
        QTest::newRow("lone CRs in a row")
            << QByteArrayList{"x\r\r\ry"} << 1024LL << u"0-1 2-2 3-3 4-5"_s;
        QTest::newRow("fewer bytes at the end: indexed again")
            << QByteArrayList{"a\nb\nc\n", "zz\n"} << 2LL << u"0-2 3-3"_s;
        QTest::newRow("checkpoints a stride apart, CR LF across one")
            << QByteArrayList{"ab\r", "ab\r\ncd\r\n\r\nef"} << 2LL << u"0-2 4-6 8-8 10-12"_s;
    }

    void lines()
    {
        QFETCH(QByteArrayList, arrivals);
        QFETCH(qsizetype, stride);
        QFETCH(QString, lines);
        LineIndex index(stride);
        for (const QByteArray &soFar : arrivals.first(arrivals.size() - 1))
            index.extend(soFar);
        const QByteArray whole = arrivals.last();
        index.finish(whole);
        QStringList found;
        for (qsizetype line = 0; line < index.lineCount(); ++line) {
            found << u"%1-%2"_s.arg(index.lineStart(line)).arg(index.lineEnd(line));
            for (qsizetype pos = index.lineStart(line); pos < index.nextLineStart(line); ++pos)
                QCOMPARE(index.lineOf(pos), line);
        }
        QCOMPARE(found.join(u' '), lines);
        QCOMPARE(index.lineOf(whole.size()), index.lineCount() - 1);
    }

    // A line of 64 MiB between others: a lookup inside it reads on from the checkpoint before
    // it no further than a stride, not to the position asked for. 200 lookups took 2.3 s when
    // they read to the position; a stride each takes well under a millisecond in all.
    void lineOfInsideALongLine()
    {
        constexpr qsizetype kLong = qsizetype(64) << 20;
        const QByteArray before = "first\r\nsecond\n";
        const QByteArray body = before + QByteArray(kLong, 'x') + "\nthird\r\nfourth";
        LineIndex index;
        index.build(body);
        QCOMPARE(index.lineCount(), 5);
        QElapsedTimer timer;
        timer.start();
        for (qsizetype i = 1; i <= 200; ++i) {
            const qsizetype pos = before.size() + kLong / 2 + i * (kLong / 2 / 201);
            QCOMPARE(index.lineOf(pos), 2);
        }
        const qint64 ms = timer.elapsed();
        QVERIFY2(ms < 500, qPrintable(u"200 lookups took %1 ms"_s.arg(ms)));
    }
};

QTEST_GUILESS_MAIN(tst_LineIndex)
#include "tst_lineindex.moc"

#include "text/Utf8Walk.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kBad = u"\uFFFD"_s;

} // namespace

// The decoder and the walk at the edges of each sequence length, of the ranges it refuses
// (overlong forms, surrogates, past U+10FFFF) and of its sixteen- and eight-byte steps.
class tst_Utf8Walk final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decode_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        const auto row = [](const char *name, const QByteArray &bytes, const QString &text) {
            QTest::newRow(name) << bytes << text;
        };
        row("C0 and C1 start nothing", "\xc0\x80\xc1\xbf", kBad.repeated(4));
        row("lowest two-byte, U+0080", "\xc2\x80", u"\u0080"_s);
        row("highest two-byte, U+07FF", "\xdf\xbf", u"\u07ff"_s);
        row("a lead before ASCII", "\xc2\x7f", kBad + u"\u007f"_s);
        row("a lead before a lead", "\xc2\xc3\xa9", kBad + u"\u00e9"_s);
        row("lowest three-byte, U+0800", "\xe0\xa0\x80", u"\u0800"_s);
        row("overlong three-byte", "\xe0\x9f\xbf", kBad.repeated(3));
        row("last before the surrogates, U+D7FF", "\xed\x9f\xbf", u"\ud7ff"_s);
        row("first surrogate", "\xed\xa0\x80", kBad.repeated(3));
        row("first after the surrogates, U+E000", "\xee\x80\x80", u"\ue000"_s);
        row("U+FFFF", "\xef\xbf\xbf", u"\uffff"_s);
        row("lowest four-byte, U+10000", "\xf0\x90\x80\x80", u"\U00010000"_s);
        row("overlong four-byte", "\xf0\x8f\xbf\xbf", kBad.repeated(4));
        row("highest, U+10FFFF, at the very end", "\xf4\x8f\xbf\xbf", u"\U0010ffff"_s);
        row("past U+10FFFF", "\xf4\x90\x80\x80", kBad.repeated(4));
        row("F5 starts nothing", "\xf5\x80\x80\x80", kBad.repeated(4));
        row("cut short at the end", "ab\xe2\x82", u"ab"_s + kBad.repeated(2));
        row("a byte order mark stays", "\xef\xbb\xbfx", u"\ufeffx"_s);
        // Sixteen bytes at a time: ASCII, or bytes that can start no sequence.
        row("sixteen ASCII, then a byte that starts nothing", "0123456789abcdef\xff",
            u"0123456789abcdef"_s + kBad);
        row("sixteen that start nothing", QByteArray(16, '\xff'), kBad.repeated(16));
        row("fifteen that start nothing, then ASCII", QByteArray(15, '\x80') + "x",
            kBad.repeated(15) + u"x"_s);
        row("ASCII, then fifteen that start nothing", "x" + QByteArray(15, '\xc1'),
            u"x"_s + kBad.repeated(15));
        row("fourteen that start nothing, then the lowest two-byte",
            QByteArray(14, '\xbf') + "\xc2\x80", kBad.repeated(14) + u"\u0080"_s);
        row("twelve that start nothing, then the highest four-byte",
            QByteArray(12, '\xf5') + "\xf4\x8f\xbf\xbf", kBad.repeated(12) + u"\U0010ffff"_s);
    }

    void decode()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(Utf8::decode(bytes), text);
        // The walk counts the units the decoder gives.
        const Utf8::Span whole = Utf8::walk(bytes, bytes.size(), text.size() + 1);
        QCOMPARE(std::pair(whole.bytes, whole.units), std::pair(bytes.size(), text.size()));
    }

    void walk_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qsizetype>("maxBytes");
        QTest::addColumn<qsizetype>("maxUnits");
        QTest::addColumn<qsizetype>("walkedBytes");
        QTest::addColumn<qsizetype>("walkedUnits");
        const qsizetype all = 100;
        const QByteArray ascii = "abcdefghij", pair = "a\xf0\x9f\x98\x80";
        QTest::newRow("a sequence begun before maxBytes is taken whole")
            << QByteArray("\xc3\xa9x") << 1LL << all << 2LL << 1LL;
        QTest::newRow("a pair is not split at maxUnits") << pair << all << 2LL << 1LL << 1LL;
        QTest::newRow("a pair that ends at maxUnits") << pair << all << 3LL << 5LL << 3LL;
        QTest::newRow("seven ASCII units left") << ascii << all << 7LL << 7LL << 7LL;
        QTest::newRow("eight ASCII units left") << ascii << all << 8LL << 8LL << 8LL;
        QTest::newRow("seven ASCII bytes left") << ascii << 7LL << all << 7LL << 7LL;
        QTest::newRow("maxBytes past the end") << ascii << all << all << 10LL << 10LL;
    }

    void walk()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(qsizetype, maxBytes);
        QFETCH(qsizetype, maxUnits);
        QFETCH(qsizetype, walkedBytes);
        QFETCH(qsizetype, walkedUnits);
        const Utf8::Span span = Utf8::walk(bytes, maxBytes, maxUnits);
        QCOMPARE(std::pair(span.bytes, span.units), std::pair(walkedBytes, walkedUnits));
    }

    // Stepping back over the sequence that ends at a position.
    void previousSequenceStart_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qsizetype>("at");
        QTest::addColumn<qsizetype>("start");
        QTest::newRow("four bytes") << QByteArray("a\xf0\x9f\x98\x80") << 5LL << 1LL;
        QTest::newRow("three bytes") << QByteArray("\xe2\x82\xac") << 3LL << 0LL;
        QTest::newRow("two bytes") << QByteArray("\xc3\xa9") << 2LL << 0LL;
        QTest::newRow("ASCII after a two-byte") << QByteArray("\xc3\xa9z") << 3LL << 2LL;
        QTest::newRow("a continuation of a cut sequence") << QByteArray("\xe2\x82") << 2LL << 1LL;
        QTest::newRow("ASCII after a lone lead") << QByteArray("\xc3z") << 2LL << 1LL;
    }

    void previousSequenceStart()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(qsizetype, at);
        QFETCH(qsizetype, start);
        QCOMPARE(Utf8::previousSequenceStart(bytes, at), start);
        QCOMPARE(start + Utf8::sequenceLength(bytes, start), at);
    }
};

QTEST_GUILESS_MAIN(tst_Utf8Walk)
#include "tst_utf8walk.moc"

#include "text/ByteFinder.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

// The first match by comparing every place byte by byte, letters folded by hand.
static qsizetype slowIndex(const QByteArray &hay, const QByteArray &needle, bool matchCase,
                           qsizetype from, qsizetype limit)
{
    const auto fold = [matchCase](char c) {
        return !matchCase && c >= 'A' && c <= 'Z' ? char(c + 32) : c;
    };
    for (qsizetype at = from; at < limit && at + needle.size() <= hay.size(); ++at) {
        qsizetype i = 0;
        while (i < needle.size() && fold(hay[at + i]) == fold(needle[i]))
            ++i;
        if (i == needle.size())
            return at;
    }
    return -1;
}

class tst_ByteFinder final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Past the 16-byte blocks and at the limit; bytes outside ASCII that differ only in the case
    // bit, which the random texts below do not hold. The rest is left to those.
    void found_data()
    {
        QTest::addColumn<QByteArray>("hay");
        QTest::addColumn<QByteArray>("needle");
        QTest::addColumn<qsizetype>("limit");
        QTest::addColumn<qsizetype>("at");
        const QByteArray tail = QByteArray(40, '.') + "Needle";
        QTest::newRow("at the very end, past 16-byte blocks")
            << tail << QByteArray("needle") << 100LL << 40LL;
        QTest::newRow("a start before the limit, its end after it")
            << tail << QByteArray("needle") << 41LL << 40LL;
        QTest::newRow("the limit keeps a start out")
            << tail << QByteArray("needle") << 40LL << -1LL;
        QTest::newRow("bytes outside ASCII exactly")
            << QByteArray("\xc3\x89\xc3\xa9") << QByteArray("\xc3\xa9") << 4LL << 2LL;
    }

    void found()
    {
        QFETCH(QByteArray, hay);
        QFETCH(QByteArray, needle);
        QFETCH(qsizetype, limit);
        QFETCH(qsizetype, at);
        QCOMPARE(ByteFinder(needle, false).indexIn(hay, 0, limit), at);
    }

    // The case fold at the ends of the letter ranges and the bytes just outside them, which
    // differ from a letter only in the case bit. Each text is looked for at the first place of
    // a hay long enough to be searched sixteen places at a time, where the first and the last
    // byte are folded apart from the rest; and at the end of the hay, where the places are
    // tried one by one.
    void caseFold_data()
    {
        QTest::addColumn<QByteArray>("needle"); // its first and last byte are the one tried
        QTest::addColumn<QByteArray>("text");   // in the hay
        QTest::addColumn<bool>("found");
        const auto row = [](const char *name, const char *needle, const char *text, bool found) {
            QTest::newRow(name) << QByteArray(needle) << QByteArray(text) << found;
        };
        row("A finds a", "A-A", "a-a", true);
        row("Z finds z", "Z-Z", "z-z", true);
        row("a finds A", "a-a", "A-A", true);
        row("z finds Z", "z-z", "Z-Z", true);
        row("@ is not `", "@-@", "`-`", false);
        row("` is not @", "`-`", "@-@", false);
        row("[ is not {", "[-[", "{-{", false);
        row("{ is not [", "{-{", "[-[", false);
    }

    void caseFold()
    {
        QFETCH(QByteArray, needle);
        QFETCH(QByteArray, text);
        QFETCH(bool, found);
        const QByteArray dots(40, '.');
        const ByteFinder finder(needle, false);
        QCOMPARE(finder.indexIn(text + dots, 0, 100), found ? 0 : -1);
        QCOMPARE(finder.indexIn(dots + text, 0, 100), found ? 40 : -1);
        // Match Case: only the same bytes.
        QCOMPARE(ByteFinder(needle, true).indexIn(text + dots + needle, 0, 100), 43);
    }

    // Texts from a small alphabet, letters in both cases among them, against the slow search.
    void sameAsByteByByte()
    {
        QRandomGenerator random(20261208);
        const QByteArray alphabet = "aAbB@`\xc3\n";
        const auto text = [&](qsizetype size) {
            QByteArray bytes(size, ' ');
            for (char &c : bytes)
                c = alphabet[random.bounded(int(alphabet.size()))];
            return bytes;
        };
        for (int round = 0; round < 3000; ++round) {
            const QByteArray hay = text(random.bounded(0, 80));
            const QByteArray needle = text(random.bounded(1, 5));
            const bool matchCase = random.bounded(2) == 1;
            const qsizetype from = random.bounded(0, int(hay.size()) + 1);
            const qsizetype limit = random.bounded(int(from), int(hay.size()) + 2);
            QCOMPARE(ByteFinder(needle, matchCase).indexIn(hay, from, limit),
                     slowIndex(hay, needle, matchCase, from, limit));
        }
    }
};

QTEST_GUILESS_MAIN(tst_ByteFinder)
#include "tst_bytefinder.moc"

#include "text/MatchScan.h"
#include "text/ShownText.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kHead = "HTTP/1.1 200 OK\r\n\r\n"; // 19 bytes: the body starts at 19

} // namespace

// Every match in what a pane shows: in the head, in the body, and across the seam between the
// two pieces, a match starting at each of the head's last bytes; found in pieces.
class tst_MatchScan final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void matches_data()
    {
        QTest::addColumn<QByteArray>("head"); // shown in front of the body when not empty
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("needle");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<QList<qsizetype>>("matches");
        const auto row = [](const char *name, const QByteArray &body, const QByteArray &needle,
                            const QList<qsizetype> &matches, bool matchCase = false,
                            const QByteArray &head = kHead) {
            QTest::newRow(name) << head << body << needle << matchCase << matches;
        };
        row("in the head and in the body, either case", "ok OK", "ok", {13, 19, 22});
        row("Match Case", "ok OK", "OK", {13, 22}, true);
        row("ending at the head's last byte", "{}", "\r\n\r\n", {15});
        row("starting two bytes before the seam", "{}", "\r\n{", {17});
        row("starting at the head's last byte", "{}", "\n{", {18});
        row("starting at the body's first byte", "{}", "{}", {19});
        row("the whole head and the body's first byte", "{}", kHead + "{", {0});
        row("across the seam, then in the body", "{\n{", "\n{", {18, 20});
        row("matches do not overlap", "aaaaa", "aa", {19, 21});
        row("no head: positions from the body's start", "ok\n{", "\n{", {2}, false, {});
        // Found in pieces between events: one on each side of a piece's end, one across it.
        QByteArray large(MatchScan::PieceBytes + 100, '.');
        large.replace(0, 6, "needle");
        large.replace(MatchScan::PieceBytes - 3, 6, "needle");
        large.replace(large.size() - 6, 6, "NEEDLE");
        row("over a piece's end", large, "needle",
            {19, 19 + MatchScan::PieceBytes - 3, 19 + large.size() - 6});
    }

    void matches()
    {
        QFETCH(QByteArray, head);
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, needle);
        QFETCH(bool, matchCase);
        QFETCH(QList<qsizetype>, matches);
        ShownText text;
        text.set(head, body, LineIndex());
        text.setShowHead(!head.isEmpty());
        MatchScan scan;
        scan.start(&text, needle, matchCase);
        QTRY_VERIFY(scan.finished());
        QCOMPARE(QList<qsizetype>(scan.matches().begin(), scan.matches().end()), matches);
        // The first match at or after a position.
        for (qsizetype i = 0; i < matches.size(); ++i) {
            QCOMPARE(scan.firstFrom(matches[i]), i);
            QCOMPARE(scan.firstFrom(matches[i] + 1), i + 1);
        }
    }

    // A scan started again, or cleared, forgets the old matches and the pieces still queued.
    void startAgainForgetsTheOldScan()
    {
        const QByteArray body = QByteArray(MatchScan::PieceBytes, '.') + "ab";
        ShownText text;
        text.set({}, body, LineIndex());
        MatchScan scan;
        scan.start(&text, "ab", false);
        QVERIFY(!scan.finished());
        scan.start(&text, "..", false);
        QTRY_VERIFY(scan.finished());
        QCOMPARE(qsizetype(scan.matches().size()), MatchScan::PieceBytes / 2);
        scan.clear();
        QVERIFY(!scan.active() && scan.matches().empty());
        scan.start(&text, {}, false);
        QVERIFY(scan.finished() && scan.matches().empty());
    }
};

QTEST_GUILESS_MAIN(tst_MatchScan)
#include "tst_matchscan.moc"

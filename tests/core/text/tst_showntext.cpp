#include "text/ShownText.h"

#include <QBuffer>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// "H: é", an empty line, then the body at byte 9: "éb", "cd". UTF-8 on both sides of the seam.
const QByteArray kHead = "H: \xc3\xa9\r\n\r\n";
const QByteArray kBody = "\xc3\xa9"
                         "b\ncd";

// The head as `head`, shown when asked and it can be.
void setUp(ShownText &text, const QByteArray &head, bool show)
{
    text.set(head, kBody, LineIndex());
    text.setShowHead(show);
}

} // namespace

// The head and the body as one text: lines, positions and UTF-16 offsets run on over the seam,
// and a hidden head, or one that cannot be shown, counts for nothing.
class tst_ShownText final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void linesAndOffsets_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<bool>("show");
        QTest::addColumn<QString>("lines");      // "start-end" of each line, text without line end
        QTest::addColumn<QString>("lineOfEach"); // the line of each position, the size's included
        QTest::addColumn<qsizetype>("longest");
        QTest::addColumn<QString>("offsets"); // "byte:offset" of each sequence start, in UTF-16
        const QString bodyAlone = u"0-3 4-6"_s, bodyLineOf = u"0000111"_s;
        const QString bodyOffsets = u"0:0 2:1 3:2 4:3 5:4 6:5"_s;
        QTest::newRow("head shown")
            << kHead << true << u"0-5 7-7 9-12 13-15"_s << u"0000000112222333"_s << 5LL
            << u"0:0 1:1 2:2 3:3 5:4 6:5 7:6 8:7 9:8 11:9 12:10 13:11 14:12 15:13"_s;
        QTest::newRow("head hidden")
            << kHead << false << bodyAlone << bodyLineOf << 3LL << bodyOffsets;
        QTest::newRow("a head without its last line end is not shown")
            << kHead.chopped(1) << true << bodyAlone << bodyLineOf << 3LL << bodyOffsets;
        QTest::newRow("no head") << QByteArray() << true << bodyAlone << bodyLineOf << 3LL
                                 << bodyOffsets;
    }

    void linesAndOffsets()
    {
        QFETCH(QByteArray, head);
        QFETCH(bool, show);
        QFETCH(QString, lines);
        QFETCH(QString, lineOfEach);
        QFETCH(qsizetype, longest);
        QFETCH(QString, offsets);
        ShownText text;
        setUp(text, head, show);
        QStringList shown;
        for (qsizetype line = 0; line < text.lineCount(); ++line) {
            shown << u"%1-%2"_s.arg(text.lineStart(line)).arg(text.lineEnd(line));
            const qsizetype next = line + 1 < text.lineCount() ? text.lineStart(line + 1)
                                                               : text.size();
            QCOMPARE(text.nextLineStart(line), next);
        }
        QCOMPARE(shown.join(u' '), lines);
        QString lineOf;
        for (qsizetype pos = 0; pos <= text.size(); ++pos)
            lineOf += QString::number(text.lineOf(pos));
        QCOMPARE(lineOf, lineOfEach);
        QCOMPARE(text.longestLine(), longest);
        QCOMPARE(text.size(), (text.showsHead() ? kHead.size() : 0) + kBody.size());
        // The offsets of each sequence start, and back.
        QStringList measured, back;
        for (qsizetype pos = 0; pos <= text.size(); pos += text.sequenceLength(pos)) {
            measured << u"%1:%2"_s.arg(pos).arg(text.offsetOf(pos));
            const TextOffsets::Position at = text.positionAt(text.offsetOf(pos));
            back << u"%1:%2"_s.arg(at.byte).arg(at.offset);
            if (pos == text.size())
                break;
        }
        QCOMPARE(measured.join(u' '), offsets);
        QCOMPARE(back.join(u' '), offsets);
        QCOMPARE(text.count(), offsets.section(u':', -1).toLongLong());
    }

    // Bytes, text, steps and columns where they meet the seam; the head is shown.
    void acrossTheSeam()
    {
        ShownText text;
        setUp(text, kHead, true);
        QCOMPARE(text.bytes(7, 11), QByteArray("\r\n\xc3\xa9"));
        QCOMPARE(text.bytes(0, 9), kHead);
        // The body whole is the body itself, not a copy.
        QCOMPARE(static_cast<const void *>(text.bytes(9, 15).constData()),
                 static_cast<const void *>(kBody.constData()));
        QCOMPARE(text.all(), kHead + kBody);
        QCOMPARE(text.decode(3, 12), u"é\r\n\r\néb"_s);
        QCOMPARE(text.previousSequenceStart(9), 8);
        QCOMPARE(text.previousSequenceStart(11), 9);
        QCOMPARE(text.previousSequenceStart(5), 3);
        QCOMPARE(text.columnOf(2, 11), 1);
        QCOMPARE(text.columnOf(0, 5), 4);
        QCOMPARE(text.positionAtColumn(2, 1), 11);
        QCOMPARE(text.positionAtColumn(3, 9), 15); // kept within the line
        QBuffer written;
        QVERIFY(written.open(QIODevice::WriteOnly));
        QVERIFY(text.writeTo(written));
        QCOMPARE(written.data(), kHead + kBody);
        text.setShowHead(false);
        QCOMPARE(text.all(), kBody);
        QCOMPARE(text.positionAtColumn(0, 1), 2);
    }
};

QTEST_GUILESS_MAIN(tst_ShownText)
#include "tst_showntext.moc"

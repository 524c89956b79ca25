// The pane's line index finds the lines a byte-by-byte reading finds (ends: CR LF, lone LF, lone
// CR), whether it is built at once or while the bytes arrive, cut anywhere, with checkpoints
// at any stride; and whatever the body holds, the index takes at most an eighth of its size.
#include "FuzzCheck.h"
#include "text/LineIndex.h"

#include <QByteArray>
#include <QList>

#include <algorithm>

FUZZ_TARGET(input)
{
    QList<qsizetype> starts = {0}, ends;
    for (qsizetype i = 0; i < input.size(); ++i) {
        if (input[i] == '\r' || input[i] == '\n') {
            ends.append(i);
            i += input[i] == '\r' && i + 1 < input.size() && input[i + 1] == '\n';
            starts.append(i + 1);
        }
    }
    ends.append(input.size());
    qsizetype longest = 0;
    for (qsizetype line = 0; line < starts.size(); ++line)
        longest = std::max(longest, ends[line] - starts[line]);

    // A stride of a few bytes puts the checkpoints of a short input where the lines are.
    const qsizetype stride = input.isEmpty() ? 1 : 1 + uchar(input[0]) % 16;
    LineIndex whole, arrived(stride);
    whole.build(input);
    for (qsizetype cut = 0; cut < input.size(); cut += 1 + uchar(input[cut]) % 37)
        arrived.extend(input.first(cut));
    arrived.finish(input);

    // The input over and over, past 256 KiB: the memory bound at the stride the pane uses.
    if (!input.isEmpty()) {
        const QByteArray body = input.toByteArray().repeated(256 * 1024 / input.size() + 1);
        LineIndex large;
        large.build(body);
        FUZZ_CHECK(large.heapBytes() <= body.size() / 8);
        FUZZ_CHECK(large.lineOf(body.size() / 2) < large.lineCount());
    }
    for (const LineIndex *index : {&whole, &arrived}) {
        FUZZ_CHECK(index->lineCount() == starts.size() && index->longestLine() == longest);
        for (qsizetype line = 0; line < starts.size(); ++line) {
            FUZZ_CHECK(index->lineStart(line) == starts[line]
                       && index->lineEnd(line) == ends[line]);
            FUZZ_CHECK(index->lineOf(starts[line]) == line && index->lineOf(ends[line]) == line);
        }
    }
}

// The pane's line index finds the lines a byte-by-byte reading finds (ends: CR LF, lone LF, lone
// CR), whether it is built at once or while the bytes arrive, cut anywhere.
#include "FuzzCheck.h"
#include "text/LineIndex.h"

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

    LineIndex whole, arrived;
    whole.build(input);
    for (qsizetype cut = 0; cut < input.size(); cut += 1 + uchar(input[cut]) % 37)
        arrived.extend(input.first(cut));
    arrived.finish(input);
    for (const LineIndex *index : {&whole, &arrived}) {
        FUZZ_CHECK(index->lineCount() == starts.size() && index->longestLine() == longest);
        for (qsizetype line = 0; line < starts.size(); ++line) {
            FUZZ_CHECK(index->lineStart(line) == starts[line]
                       && index->lineEnd(line) == ends[line]);
            FUZZ_CHECK(index->lineOf(starts[line]) == line && index->lineOf(ends[line]) == line);
        }
    }
}

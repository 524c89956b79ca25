// The response framer fed the same bytes whole and cut into pieces must reach the same end.
// Input: a control byte, then as many piece lengths as its low four bits say (15: one byte at a
// time), then the response. Bits 4-5 pick the limits, so that their edges are near.
#include "FuzzCheck.h"
#include "transfer/HttpResponseParser.h"

#include <QList>

#include <utility>

using Parser = HttpResponseParser;
using Status = Parser::Status;

// Feeds the pieces in turn, then perhaps the close; gives the parser and the bytes it took.
static std::pair<Parser, qsizetype> run(Parser::Limits limits, QByteArrayView bytes,
                                        const QList<qsizetype> &pieces, bool close)
{
    std::pair<Parser, qsizetype> done{Parser(limits), 0};
    auto &[parser, consumed] = done;
    qsizetype offset = 0;
    Status status = Status::Incomplete;
    for (const qsizetype length : pieces) {
        const QByteArrayView piece = bytes.sliced(std::exchange(offset, offset + length), length);
        const Parser::Result result = parser.feed(piece);
        FUZZ_CHECK(result.consumed >= 0 && result.consumed <= piece.size()
                   && result.status == parser.status());
        if (status == Status::Incomplete) {
            FUZZ_CHECK(result.status != Status::Incomplete || result.consumed == piece.size());
            consumed += result.consumed;
            status = result.status;
        } else { // nothing is taken once the response has ended, whichever way
            FUZZ_CHECK(result.consumed == 0 && result.status == status);
        }
        FUZZ_CHECK(parser.body().size() <= limits.maxBodyBytes);
    }
    if (close) // a close ends what is unfinished and cannot undo an end already reached
        FUZZ_CHECK((parser.connectionClosed() == status) == (status != Status::Incomplete));
    else if (status != Status::Incomplete)
        FUZZ_CHECK(parser.feed("HTTP/1.1 200 OK\r\n\r\n").consumed == 0); // a second end
    return done;
}

FUZZ_TARGET(input)
{
    static constexpr Parser::Limits kLimits[] = {
        {64, 0}, {256, 16}, {4096, 4096}, {Parser::Limits{}.maxHeaderBytes, 1 << 20}};
    const int control = input.isEmpty() ? 0 : quint8(input[0]);
    const qsizetype cuts = control & 15, header = 1 + (cuts == 15 ? 0 : cuts);
    if (input.size() < header)
        return;
    const QByteArrayView bytes = input.sliced(header);
    QList<qsizetype> pieces;
    qsizetype left = bytes.size();
    for (qsizetype i = 0; left > 0; left -= pieces.last(), ++i)
        pieces.append(cuts == 15 ? 1
                                 : qMin<qsizetype>(left, i < cuts ? uchar(input[1 + i]) : left));

    for (const bool close : {false, true}) {
        const auto [one, oneTook] = run(kLimits[(control >> 4) & 3], bytes, {bytes.size()}, close);
        const auto [cut, cutTook] = run(kLimits[(control >> 4) & 3], bytes, pieces, close);
        FUZZ_CHECK(one.status() == cut.status() && (close || one.statusCode() == cut.statusCode()));
        // A refusal may come part way through a line or body in one run, at its start in the other.
        if (one.status() != Status::Bad)
            FUZZ_CHECK(one.body() == cut.body() && (close || oneTook == cutTook));
    }
}

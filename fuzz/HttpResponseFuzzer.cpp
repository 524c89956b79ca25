// The response framer fed the same bytes whole and cut into pieces must reach the same end.
//
// Input: one control byte, then as many piece lengths as its low four bits say, then the
// response bytes. Bits 4-5 pick the limits, so that their edges are reachable in a few bytes;
// 15 pieces means one byte at a time.
#include "FuzzCheck.h"

#include "transfer/HttpResponseParser.h"

#include <QList>

#include <array>
#include <cstddef>
#include <cstdint>

namespace {

using Status = HttpResponseParser::Status;

struct Outcome
{
    Status status;
    qsizetype consumed;
    int statusCode;
    QByteArray body;
};

// Feeds every piece in turn, checking what must hold after each feed.
Outcome run(const HttpResponseParser::Limits &limits, QByteArrayView bytes,
            const QList<qsizetype> &pieces)
{
    HttpResponseParser parser(limits);
    qsizetype offset = 0;
    qsizetype consumed = 0;
    Status status = Status::Incomplete;
    for (const qsizetype length : pieces) {
        const QByteArrayView piece = bytes.sliced(offset, length);
        offset += length;
        const HttpResponseParser::Result result = parser.feed(piece);
        FUZZ_CHECK(result.consumed >= 0 && result.consumed <= piece.size());
        FUZZ_CHECK(result.status == parser.status());
        if (status != Status::Incomplete) {
            // Nothing is taken once the response has ended, whichever way.
            FUZZ_CHECK(result.consumed == 0 && result.status == status);
            continue;
        }
        if (result.status == Status::Incomplete)
            FUZZ_CHECK(result.consumed == piece.size());
        consumed += result.consumed;
        status = result.status;
        FUZZ_CHECK(parser.body().size() <= limits.maxBodyBytes);
    }
    // A second end, and bytes after it, change nothing.
    if (status != Status::Incomplete)
        FUZZ_CHECK(parser.feed("HTTP/1.1 200 OK\r\n\r\n").consumed == 0);
    return {status, consumed, parser.statusCode(), parser.body()};
}

Outcome closed(const HttpResponseParser::Limits &limits, QByteArrayView bytes,
               const QList<qsizetype> &pieces)
{
    HttpResponseParser parser(limits);
    qsizetype offset = 0;
    for (const qsizetype length : pieces) {
        parser.feed(bytes.sliced(offset, length));
        offset += length;
    }
    const Status before = parser.status();
    const Status after = parser.connectionClosed();
    // A close cannot undo an end already reached.
    if (before != Status::Incomplete)
        FUZZ_CHECK(after == before);
    else
        FUZZ_CHECK(after != Status::Incomplete);
    return {after, 0, parser.statusCode(), parser.body()};
}

HttpResponseParser::Limits limitsFor(std::uint8_t control)
{
    static constexpr std::array<HttpResponseParser::Limits, 4> kChoices = {{
        {64, 0},
        {256, 16},
        {4096, 4096},
        {HttpResponseParser::Limits{}.maxHeaderBytes, 1 << 20},
    }};
    return kChoices[(control >> 4) & 3];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint8_t control = data[0];
    const HttpResponseParser::Limits limits = limitsFor(control);
    const std::size_t cutCount = control & 15;
    std::size_t header = 1 + (cutCount == 15 ? 0 : cutCount);
    if (size < header)
        return 0;
    const QByteArrayView bytes(reinterpret_cast<const char *>(data + header),
                               static_cast<qsizetype>(size - header));

    QList<qsizetype> pieces;
    if (cutCount == 15) {
        pieces.fill(1, bytes.size());
    } else {
        qsizetype left = bytes.size();
        for (std::size_t i = 0; i < cutCount && left > 0; ++i) {
            const qsizetype length = qMin<qsizetype>(left, data[1 + i]);
            pieces.append(length);
            left -= length;
        }
        if (left > 0)
            pieces.append(left);
    }
    const QList<qsizetype> whole = {bytes.size()};

    const Outcome one = run(limits, bytes, whole);
    const Outcome cut = run(limits, bytes, pieces);
    FUZZ_CHECK(one.status == cut.status);
    FUZZ_CHECK(one.statusCode == cut.statusCode);
    // A refused response may have been refused part way through a line or a body in one run
    // and at its start in the other; only a response that ended or is still going must agree
    // byte for byte.
    if (one.status != Status::Bad) {
        FUZZ_CHECK(one.consumed == cut.consumed);
        FUZZ_CHECK(one.body == cut.body);
    }

    const Outcome oneClosed = closed(limits, bytes, whole);
    const Outcome cutClosed = closed(limits, bytes, pieces);
    FUZZ_CHECK(oneClosed.status == cutClosed.status);
    if (oneClosed.status == Status::Complete)
        FUZZ_CHECK(oneClosed.body == cutClosed.body);
    return 0;
}

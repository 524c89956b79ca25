#include "jobs/SavedResponse.h"

#include "files/RegularFile.h"

#include <cstring>

namespace {

// Drops every CR and the LF right after one; a LF on its own is text.
QByteArray joinLines(const QByteArray &raw)
{
    QByteArray joined;
    joined.reserve(raw.size());
    const char *p = raw.constData();
    const char *const end = p + raw.size();
    while (p < end) {
        const auto *cr =
            static_cast<const char *>(std::memchr(p, '\r', static_cast<size_t>(end - p)));
        if (!cr) {
            joined.append(p, end - p);
            break;
        }
        joined.append(p, cr - p);
        p = cr + 1;
        if (p < end && *p == '\n')
            ++p;
    }
    return joined;
}

} // namespace

Result<QByteArray> readSavedResponse(const QString &path)
{
    // A read that stops half-way would scan a truncated list as if it were whole: a failure
    // reads nothing.
    const Result<QByteArray> raw = readRegularFile(path, SavedResponseCap);
    if (!raw)
        return raw;
    return joinLines(*raw);
}

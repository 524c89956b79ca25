#include "jobs/SavedResponse.h"

#include <QFile>

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
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failure{file.errorString()};
    const QByteArray raw = file.readAll();
    // A read that stops half-way would scan a truncated list as if it were whole.
    if (file.error() != QFileDevice::NoError)
        return Failure{file.errorString()};
    return joinLines(raw);
}

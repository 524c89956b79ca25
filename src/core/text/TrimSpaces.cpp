#include "text/TrimSpaces.h"

#include <utility>

namespace {

// The [begin, end) stretch of text without the leading and trailing characters isStripped
// accepts.
template <typename Text, typename IsStripped>
std::pair<qsizetype, qsizetype> keptStretch(const Text &text, IsStripped isStripped)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isStripped(text.at(begin)))
        ++begin;
    while (end > begin && isStripped(text.at(end - 1)))
        --end;
    return {begin, end};
}

} // namespace

QString trimSpaces(const QString &text)
{
    const auto [begin, end] = keptStretch(text, [](QChar c) { return c == u' '; });
    return text.mid(begin, end - begin);
}

QByteArrayView trimSpaces(QByteArrayView text)
{
    const auto [begin, end] = keptStretch(text, [](char c) { return c == ' '; });
    return text.sliced(begin, end - begin);
}

QByteArrayView trimBlanks(QByteArrayView text)
{
    const auto [begin, end] = keptStretch(text, [](char c) { return c == ' ' || c == '\t'; });
    return text.sliced(begin, end - begin);
}

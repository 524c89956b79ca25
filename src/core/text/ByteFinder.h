#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <array>

// Finds a text's bytes in a larger one, ASCII letters in either case unless asked to match
// case; bytes outside ASCII always match exactly. A skip table (Horspool) passes most of the
// bytes unread, so a 10-byte text is found at well over a gigabyte a second.
class ByteFinder
{
public:
    ByteFinder() = default;
    ByteFinder(const QByteArray &needle, bool matchCase);

    qsizetype size() const { return m_needle.size(); }
    // The first match that starts in [from, limit) and lies whole in `hay`; -1 when none.
    qsizetype indexIn(QByteArrayView hay, qsizetype from, qsizetype limit) const;

private:
    QByteArray m_needle; // folded
    std::array<unsigned char, 256> m_fold{};
    std::array<qsizetype, 256> m_skip{};
};

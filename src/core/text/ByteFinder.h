#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <array>

// Finds a text's bytes in a larger one, ASCII letters in either case unless asked to match
// case; bytes outside ASCII always match exactly. Sixteen places are tried at once on their
// first and last byte, and only places where both fit are compared whole, so a 10-byte text
// is looked for at gigabytes a second.
class ByteFinder
{
public:
    ByteFinder() = default;
    ByteFinder(const QByteArray &needle, bool matchCase);

    qsizetype size() const { return m_needle.size(); }
    // The first match that starts in [from, limit) and lies whole in `hay`; -1 when none.
    qsizetype indexIn(QByteArrayView hay, qsizetype from, qsizetype limit) const;

private:
    bool matchesAt(const unsigned char *text) const;

    QByteArray m_needle; // folded
    std::array<unsigned char, 256> m_fold{};
    // Or-ed into a byte before it is compared with the first or last byte of the text: 0x20
    // folds the two cases of a letter onto one (and nothing else onto it).
    unsigned char m_firstFold = 0;
    unsigned char m_lastFold = 0;
};

#pragma once

#include <QByteArray>

// Chunks whose sizes use every hex letter in both cases, ending in the last chunk, and the 681
// bytes of body they carry. Servers mostly write sizes in lower case: 15, 31 and 500 bytes are
// "f", "1f" and "1f4".
struct LetteredChunks
{
    QByteArray chunks;
    QByteArray body;
};

inline LetteredChunks letteredChunks()
{
    LetteredChunks lettered;
    for (const QByteArray size :
         {"a", "A", "b", "B", "c", "C", "d", "D", "e", "E", "f", "F", "1f", "1F4"}) {
        const QByteArray data(size.toInt(nullptr, 16), size[0]);
        lettered.chunks += size + "\r\n" + data + "\r\n";
        lettered.body += data;
    }
    lettered.chunks += "0\r\n\r\n";
    return lettered;
}

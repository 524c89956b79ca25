#pragma once

#include <QByteArray>

#include <utility>

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
    for (const auto &[size, count] : {std::pair{"a", 10},
                                      {"A", 10},
                                      {"b", 11},
                                      {"B", 11},
                                      {"c", 12},
                                      {"C", 12},
                                      {"d", 13},
                                      {"D", 13},
                                      {"e", 14},
                                      {"E", 14},
                                      {"f", 15},
                                      {"F", 15},
                                      {"1f", 31},
                                      {"1F4", 500}}) {
        const QByteArray data(count, size[0]);
        lettered.chunks += QByteArray(size) + "\r\n" + data + "\r\n";
        lettered.body += data;
    }
    lettered.chunks += "0\r\n\r\n";
    return lettered;
}

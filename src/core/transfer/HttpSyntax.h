#pragma once

#include <QByteArrayView>

// A character that may stand in an HTTP token (a method, a field name).
inline bool isTokenChar(char c)
{
    static constexpr QByteArrayView extra("!#$%&'*+-.^_`|~");
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')
        || extra.contains(c);
}

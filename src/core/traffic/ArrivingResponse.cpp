#include "traffic/ArrivingResponse.h"

#include <utility>

void ArrivingResponse::start()
{
    m_lines = LineIndex();
}

void ArrivingResponse::indexLines(QByteArrayView soFar)
{
    m_lines.extend(soFar);
}

LineIndex ArrivingResponse::takeLines()
{
    return std::exchange(m_lines, LineIndex());
}

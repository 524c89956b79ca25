#pragma once

#include <QByteArray>
#include <QFile>

#include <malloc.h>

using namespace Qt::StringLiterals;

// This process's resident memory as the kernel counts it, for figures of peak growth.
namespace ProcessMemory {

// A figure of /proc/self/status in KiB ("VmRSS", "VmHWM"); -1 when it cannot be read.
inline qint64 statusKiB(const QByteArray &field)
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Sets the peak resident size back to the present one, so the next peak is the next step's.
// Freed heap goes back to the system first: memory an earlier run freed but the allocator kept
// would otherwise be reused without counting as growth.
inline void resetPeak()
{
    malloc_trim(0);
    QFile clear(u"/proc/self/clear_refs"_s);
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

} // namespace ProcessMemory

#pragma once

#include <QDir>
#include <QFile>

#include <unistd.h>

using namespace Qt::StringLiterals;

// What a virtual machine's host does to the figures measured inside it.
namespace VirtualMachine {

// The time the host kept this machine's processors from running anything, summed over the
// processors ("steal" in /proc/stat), in ms; -1 when it cannot be read. A stall that this time
// accounts for was not the program's: nothing in the machine could run.
inline double stolenMs()
{
    QFile stat(u"/proc/stat"_s);
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    // "cpu  user nice system idle iowait irq softirq steal ...": the first line sums all.
    const QList<QByteArray> fields = stat.readLine().simplified().split(' ');
    if (fields.size() < 9 || fields[0] != "cpu")
        return -1;
    bool ok = false;
    const qint64 ticks = fields[8].toLongLong(&ok);
    return ok ? double(ticks) * 1000.0 / double(sysconf(_SC_CLK_TCK)) : -1;
}

// Whether the kernel hands memory it frees back to the host (a virtio balloon with free page
// reporting). The host then backs each such page again on its first use, so memory new to a
// process, the page cache a log write fills included, costs several times what it costs on
// a machine of its own.
inline bool handsFreedMemoryBack()
{
    constexpr qsizetype kReportingFeatureBit = 5;
    const QDir devices(u"/sys/bus/virtio/devices"_s);
    for (const QString &name : devices.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile device(devices.filePath(name + u"/device"_s));
        QFile features(devices.filePath(name + u"/features"_s));
        if (!device.open(QIODevice::ReadOnly) || !features.open(QIODevice::ReadOnly))
            continue;
        const QByteArray bits = features.readAll();
        if (device.readAll().trimmed() == "0x0005" && bits.size() > kReportingFeatureBit
            && bits[kReportingFeatureBit] == '1')
            return true;
    }
    return false;
}

} // namespace VirtualMachine

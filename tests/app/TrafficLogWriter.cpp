// Writes received blocks to a traffic log as fast as it can, telling its parent after each,
// until it is killed. Every block has the same size, so a reader can tell a whole one.
#include "app/TrafficLog.h"

#include <QString>

#include <unistd.h>

int main(int argc, char *argv[])
{
    if (argc != 3)
        return 2;
    TrafficLog log;
    QString error;
    if (!log.create(QString::fromLocal8Bit(argv[1]), &error))
        return 1;
    // Bigger than a page and than any buffer, so the kill can land inside a block.
    const QByteArray body(QByteArray(argv[2]).toInt(), 'b');
    for (;;) {
        if (!log.writeBlock({QByteArrayView("---Data Received---"), body}))
            return 1;
        [[maybe_unused]] const auto told = ::write(STDOUT_FILENO, ".", 1);
    }
}

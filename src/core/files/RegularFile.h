#pragma once

#include "Result.h"

#include <QByteArray>
#include <QString>

#include <sys/types.h>

// Reading a file named by an operator, a settings file or a command line. Any such name may be
// a FIFO (opening it blocks until a writer comes, reading it until the writer leaves), a device
// (/dev/zero never ends), a link to either, or a file of gigabytes: none of them may freeze the
// window or end the program.
//
// The file is opened without blocking, read only when it is a regular file, and only up to the
// cap it is given. The reasons are written to follow "cannot read X: ": "it is not a regular
// file but a FIFO", "it is larger than 1 MiB".
enum class WhenMissing {
    Fails, // the system's reason, "No such file or directory"
    Empty, // no bytes, as for an empty file
};

Result<QByteArray> readRegularFile(const QString &fileName, qint64 cap,
                                   WhenMissing missing = WhenMissing::Fails);

// "it is not a regular file but a character device", for a file of this mode.
QString notRegularReason(mode_t mode);

// "1 MiB", "2 GiB", "512 bytes": a cap as the reasons name it.
QString sizeText(qint64 bytes);

#pragma once

#include "FileBytes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <sys/sysmacros.h>

// What a name given to the program may stand for.
enum class FileKind { Missing, Regular, LinkToRegular, Fifo, LinkToFifo, CharacterDevice, Folder };

// Makes `path` of this kind, a regular file holding `bytes`, a link's target beside it. False
// when it cannot be made: a device node needs root. The device is the null device's numbers in
// the test's own folder, never the system's.
inline bool makeFileKind(const QString &path, FileKind kind, const QByteArray &bytes = {})
{
    const QString target = QFileInfo(path).dir().filePath(QStringLiteral("target"));
    const auto fifo = [](const QString &name) {
        return ::mkfifo(QFile::encodeName(name).constData(), 0600) == 0;
    };
    switch (kind) {
    case FileKind::Missing:
        return true;
    case FileKind::Regular:
        return writeFileBytes(path, bytes);
    case FileKind::LinkToRegular:
        return writeFileBytes(target, bytes) && QFile::link(target, path);
    case FileKind::Fifo:
        return fifo(path);
    case FileKind::LinkToFifo:
        return fifo(target) && QFile::link(target, path);
    case FileKind::CharacterDevice:
        return ::mknod(QFile::encodeName(path).constData(), S_IFCHR | 0600, makedev(1, 3)) == 0;
    case FileKind::Folder:
        return QDir().mkdir(path);
    }
    return false;
}

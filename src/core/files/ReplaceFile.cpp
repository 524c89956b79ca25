#include "files/ReplaceFile.h"

#include "files/RegularFile.h"

#include <QFile>
#include <QSaveFile>

#include <sys/stat.h>

namespace {

// Whether fileName may be replaced: it is missing, or it is a regular file.
Result<> replaceable(const QString &fileName)
{
    struct stat status = {};
    if (::stat(QFile::encodeName(fileName).constData(), &status) != 0 || S_ISREG(status.st_mode))
        return {};
    return Failure{notRegularReason(status.st_mode)};
}

} // namespace

Result<> replaceFile(const QString &fileName, const std::function<bool(QIODevice &)> &write)
{
    if (Result<> allowed = replaceable(fileName); !allowed)
        return allowed;
    QSaveFile file(fileName);
    // Unbuffered: a buffered write that fails only when flushed at commit() (a full disk, a size
    // limit) is not reported by commit(), which would put a cut-off file in place of the old one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return Failure{file.errorString()};
    if (!write(file) || file.error() != QFileDevice::NoError) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return Failure{reason};
    }
    // Checked again just before the rename: the name may have been given to a device while the
    // file was written.
    if (Result<> allowed = replaceable(fileName); !allowed) {
        file.cancelWriting();
        return allowed;
    }
    if (!file.commit())
        return Failure{file.errorString()};
    return {};
}

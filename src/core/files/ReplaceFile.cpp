#include "files/ReplaceFile.h"

#include <QSaveFile>

Result<> replaceFile(const QString &fileName, const std::function<bool(QIODevice &)> &write)
{
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
    if (!file.commit())
        return Failure{file.errorString()};
    return {};
}

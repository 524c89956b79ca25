#include "StandardOutput.h"

#include <QString>

#include <cerrno>
#include <cstdio>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

Failure outputFailure()
{
    return Failure{u"cannot write standard output: "_s
                   + QString::fromLocal8Bit(std::strerror(errno))};
}

} // namespace

Result<> writeStandardOutput(QByteArrayView bytes)
{
    // Flushed at once: a buffered failure would otherwise show only at the end, or never.
    if ((!bytes.isEmpty()
         && std::fwrite(bytes.data(), 1, std::size_t(bytes.size()), stdout)
             != std::size_t(bytes.size()))
        || std::fflush(stdout) != 0)
        return outputFailure();
    return {};
}

Result<> closeStandardOutput()
{
    if (std::fflush(stdout) != 0 || std::fclose(stdout) != 0)
        return outputFailure();
    return {};
}

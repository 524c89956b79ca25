#include "AccessLog.h"

#include <iostream>
#include <string>

AccessLog::AccessLog(bool enabled)
    : m_enabled(enabled)
{ }

void AccessLog::record(std::string_view method, std::string_view target, int status,
                       std::size_t bytes)
{
    if (!m_enabled)
        return;
    std::string line;
    line.reserve(method.size() + target.size() + 24);
    line.append(method).append(" ").append(target).append(" ");
    line.append(std::to_string(status)).append(" ").append(std::to_string(bytes)).append("\n");
    const std::lock_guard lock(m_mutex);
    std::cout << line << std::flush;
}

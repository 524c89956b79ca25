#pragma once

#include <cstddef>
#include <mutex>
#include <string_view>

// One line per answer on standard output: method, target, status, body bytes. Worker threads
// share it, so each line is written whole and flushed at once for whoever reads the pipe.
class AccessLog final
{
public:
    explicit AccessLog(bool enabled);
    AccessLog(const AccessLog &) = delete;
    AccessLog &operator=(const AccessLog &) = delete;

    void record(std::string_view method, std::string_view target, int status, std::size_t bytes);

private:
    const bool m_enabled;
    std::mutex m_mutex;
};

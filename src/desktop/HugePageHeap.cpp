#include "desktop/HugePageHeap.h"

#include <cstdlib>
#include <cstring>
#include <string>

#if defined(__linux__) && defined(__GLIBC__)
#include <sys/auxv.h>
#include <unistd.h>
#endif

void RestartWithHugePageHeap(char *argv[])
{
#if defined(__linux__) && defined(__GLIBC__)
    static constexpr char kSetting[] = "glibc.malloc.hugetlb";
    const char *const current = std::getenv("GLIBC_TUNABLES");
    // A privileged start drops the setting again: starting once more would never end.
    if ((current && std::strstr(current, kSetting)) || ::getauxval(AT_SECURE))
        return;
    const std::string kept = current ? current : "";
    const std::string tunables = (kept.empty() ? "" : kept + ':') + kSetting + "=1";
    if (::setenv("GLIBC_TUNABLES", tunables.c_str(), 1) != 0)
        return;
    ::execv("/proc/self/exe", argv);
    if (current)
        ::setenv("GLIBC_TUNABLES", kept.c_str(), 1);
    else
        ::unsetenv("GLIBC_TUNABLES");
#else
    (void)argv;
#endif
}

#include "desktop/HugePageHeap.h"

#include <cstdlib>
#include <cstring>
#include <string>

#if defined(__linux__) && defined(__GLIBC__)
#include <climits>
#include <sys/auxv.h>
#include <unistd.h>
#endif

void restartWithHugePageHeap(char *argv[])
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
    // Started by its own path, the program keeps its name in the process list (ps, pgrep,
    // killall); /proc/self/exe would name it "exe". That link is the fallback for a program
    // file that was removed or replaced since it started.
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length > 0 && length < ssize_t(sizeof path - 1)) {
        path[length] = '\0';
        ::execv(path, argv);
    }
    ::execv("/proc/self/exe", argv);
    if (current)
        ::setenv("GLIBC_TUNABLES", kept.c_str(), 1);
    else
        ::unsetenv("GLIBC_TUNABLES");
#else
    (void)argv;
#endif
}

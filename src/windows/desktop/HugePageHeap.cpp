#include "desktop/HugePageHeap.h"

#include "desktop/ProgramFolder.h"

#include <cstdlib>
#include <cstring>
#include <string>

#if defined(__linux__) && defined(__GLIBC__)
#include <sys/auxv.h>
#include <unistd.h>
#endif

void restartWithHugePageHeap(char *argv[])
{
    // Every start resolves its own file here, first thing, and the program folder comes from
    // the same answer later.
    const ProgramFile &file = startedProgramFile();
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
    if (!file.path.empty() && !file.deleted)
        ::execv(file.path.c_str(), argv);
    ::execv("/proc/self/exe", argv);
    if (current)
        ::setenv("GLIBC_TUNABLES", kept.c_str(), 1);
    else
        ::unsetenv("GLIBC_TUNABLES");
#else
    (void)argv;
    (void)file;
#endif
}

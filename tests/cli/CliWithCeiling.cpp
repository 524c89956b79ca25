#include "AllocationCeiling.h"
#include "CliMain.h"

#include <cstdlib>

// talus-test-cli whose allocator fails any block over TALUS_ALLOCATION_CEILING bytes, as the
// machine's does when memory runs out.
int main(int argc, char *argv[])
{
    if (const char *ceiling = std::getenv("TALUS_ALLOCATION_CEILING"))
        setAllocationCeiling(std::strtoull(ceiling, nullptr, 10));
    return runTalusTestCli(argc, argv);
}

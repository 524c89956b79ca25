#pragma once

// A list of a hundred thousand jobs has the program allocate some hundred thousand small blocks
// in a fraction of a second. Where page faults are dear (on the virtual machines we measured,
// they took half the time of such a list), a heap in transparent huge pages makes them rare.
// glibc reads its malloc settings only when a program starts, so the program starts itself
// once more with the setting added to its environment, unless it is there already (the
// operator's own setting stands). If that cannot be done the program goes on as it is.
// Call first thing in main(), before anything else runs: it also resolves the program's own
// file (startedProgramFile()).
void restartWithHugePageHeap(char *argv[]);

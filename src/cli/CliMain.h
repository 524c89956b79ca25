#pragma once

// talus-test-cli from its arguments to its exit status: the program's main, and a test's.
int runTalusTestCli(int argc, char *argv[]);

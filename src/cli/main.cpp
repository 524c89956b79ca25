#include "CliMain.h"

int main(int argc, char *argv[])
{
    return runTalusTestCli(argc, argv);
}

// Compiles: a command-line source sees its own root and the core's.
#include "CliOptions.h"
#include "traffic/TrafficLog.h"

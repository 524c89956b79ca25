// Compiles: a core source sees its own root.
#include "traffic/TrafficLog.h"

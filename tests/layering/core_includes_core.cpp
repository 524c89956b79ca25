// Compiles: the probes' set-up is sound, so their failure is the upward include alone.
#include "traffic/TrafficLog.h"

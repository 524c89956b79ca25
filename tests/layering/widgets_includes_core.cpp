// Compiles: a widgets source sees its own root and the core's.
#include "TrafficView.h"
#include "jobs/JobStatusTable.h"

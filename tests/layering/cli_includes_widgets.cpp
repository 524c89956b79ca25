// Must not compile: the command-line client links the core alone and does not see the widgets'
// include root.
#include "TrafficView.h"

// Must not compile: the core library does not see the widgets' include root.
#include "TrafficView.h"

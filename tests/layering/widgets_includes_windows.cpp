// Must not compile: the widgets library does not see the windows' include root.
#include "main/frmMain.h"

#pragma once

#include <QString>

// The text the status line shows for a transfer state; empty for numbers outside 1 to 12.
QString statusText(int state);

#pragma once

#include "Result.h"

#include <QByteArrayView>

// Standard output, every write checked: a script reads it, and a full disk or a reader that
// went away (`| head -1`) must not pass for an answer written. The reason is the one line the
// operator sees, "cannot write standard output: No space left on device".
Result<> writeStandardOutput(QByteArrayView bytes);
// Flushes and closes it; the last chance for a failure to show.
Result<> closeStandardOutput();

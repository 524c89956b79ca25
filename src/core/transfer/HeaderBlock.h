#pragma once

#include <QString>

// The fixed header lines sent with every request, each ending in CR LF, then an empty line.
// address goes into the Host line as given (callers pass the trimmed address).
QString BuildHeaderBlock(const QString &address);

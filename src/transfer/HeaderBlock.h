#pragma once

#include <QString>

// The fixed header lines sent with every request, each ending in CR LF, then an empty line.
// address goes into the Host line as given (callers pass the trimmed address).
QString BuildHeaderBlock(const QString &address);

// "http://" + address + "/api/videocompare/tracking" + suffix.
QString TrackingUrl(const QString &address, const QString &suffix = QString());

// The address as requests use it: leading and trailing spaces removed, nothing else.
QString TrimSpaces(const QString &text);

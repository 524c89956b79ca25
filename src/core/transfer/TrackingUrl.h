#pragma once

#include <QString>

// "http://" + address + "/api/videocompare/tracking" + suffix.
QString trackingUrl(const QString &address, const QString &suffix = QString());

// The identifier as read, but with the characters that would end or split a path segment
// ("/", "?", "#") and "%" itself percent-encoded: "a?b" must not address job "a".
QString pathSegment(const QString &externalId);

// The host and port of a typed address: what comes before any "/", "?" or "#" in it.
QString addressAuthority(const QString &address);

#pragma once

#include <QString>

// An address that starts with "https://" (any letter case) is reached over TLS; one that starts
// with "http://" is the same as the address without it; any other text is the address itself.
bool isHttpsAddress(const QString &address);
QString addressWithoutScheme(const QString &address);

// "http://" (or "https://" for an https address) + the address without its scheme +
// "/api/videocompare/tracking" + suffix.
QString trackingUrl(const QString &address, const QString &suffix = QString());

// What the Host field carries for a typed address: its host and port, without scheme or path.
QString hostField(const QString &address);

// The identifier as read, but with the characters that would end or split a path segment
// ("/", "?", "#") and "%" itself percent-encoded: "a?b" must not address job "a".
QString pathSegment(const QString &externalId);

// The host and port of a typed address: what comes before any "/", "?" or "#" in it.
QString addressAuthority(const QString &address);

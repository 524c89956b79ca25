#pragma once

#include <QString>

// One API request as every program of the project composes it from the address the operator
// typed: the URL, the method, the header block and the body, as handed to InetTransfer::Execute
// and written to the traffic log.
struct TrackingRequest
{
    QString url;
    QString method;
    QString headers;
    QString body;
};

// The address is trimmed of spaces; a path typed after it ("10.0.0.5:8080/prefix") stays in the
// URL, but the Host field carries only the host and port (never an "https://" in front). suffix
// follows the tracking path
// ("/" + pathSegment(id) + "/stopTracking").
TrackingRequest composeTrackingRequest(const QString &typedAddress, const QString &method,
                                       const QString &suffix, const QString &body);

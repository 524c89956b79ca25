#include "transfer/TrackingRequest.h"

#include "text/TrimSpaces.h"
#include "transfer/HeaderBlock.h"
#include "transfer/TrackingUrl.h"

TrackingRequest composeTrackingRequest(const QString &typedAddress, const QString &method,
                                       const QString &suffix, const QString &body)
{
    const QString address = trimSpaces(typedAddress);
    return {trackingUrl(address, suffix), method, BuildHeaderBlock(hostField(address)), body};
}

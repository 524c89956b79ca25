#include "transfer/TrackingRequest.h"

#include "text/TrimSpaces.h"
#include "transfer/HeaderBlock.h"
#include "transfer/RequestWire.h"
#include "transfer/TrackingUrl.h"

TrackingRequest composeTrackingRequest(const QString &typedAddress, const QString &method,
                                       const QString &suffix, const QString &body)
{
    const QString address = trimSpaces(typedAddress);
    return {trackingUrl(address, suffix), method, BuildHeaderBlock(hostField(address)), body};
}

Result<TrackingRequest> composeSendableRequest(const QString &typedAddress, const QString &method,
                                               const QString &suffix, const QString &body)
{
    TrackingRequest request = composeTrackingRequest(typedAddress, method, suffix, body);
    const Result<RequestWire> wire =
        RequestWire::compose(request.url, request.method, request.body, request.headers);
    if (!wire)
        return Failure{wire.reason()};
    return request;
}

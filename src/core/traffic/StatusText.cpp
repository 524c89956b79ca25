#include "traffic/StatusText.h"

#include "transfer/InetTransfer.h"

using namespace Qt::StringLiterals;

QString statusText(int state)
{
    // Operators and their scripts know these texts as they stand, misspelling included.
    switch (state) {
    case InetTransfer::Resolving:
        return u"Resolving Host"_s;
    case InetTransfer::Resolved:
        return u"Host Resolved"_s;
    case InetTransfer::Connecting:
        return u"Connecting"_s;
    case InetTransfer::Connected:
        return u"Connected"_s;
    case InetTransfer::Requesting:
        return u"Requesting"_s;
    case InetTransfer::RequestSent:
        return u"Request Sent"_s;
    case InetTransfer::Receiving:
        return u"Receiving Response"_s;
    case InetTransfer::ResponseReceived:
        return u"Response Received"_s;
    case InetTransfer::Disconnecting:
        return u"Disconecting"_s;
    case InetTransfer::Disconnected:
        return u"Disconnected"_s;
    case InetTransfer::Failed:
        return u"Error"_s;
    case InetTransfer::ResponseCompleted:
        return u"Response Completed"_s;
    }
    return QString();
}

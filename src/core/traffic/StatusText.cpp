#include "traffic/StatusText.h"

#include <array>

QString statusText(int state)
{
    // Operators and their scripts know these texts as they stand, misspelling included.
    static const std::array<const char *, 12> texts = {
        "Resolving Host", "Host Resolved",      "Connecting",        "Connected",    "Requesting",
        "Request Sent",   "Receiving Response", "Response Received", "Disconecting", "Disconnected",
        "Error",          "Response Completed",
    };
    if (state < 1 || state > int(texts.size()))
        return QString();
    return QString::fromLatin1(texts[std::size_t(state - 1)]);
}

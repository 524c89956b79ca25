#include "Exchange.h"

#include "traffic/TransferDetails.h"

QString Exchange::details() const
{
    return completed ? completedDetails(status, phrase, body.size(), elapsedMs)
                     : failedDetails(failureText);
}

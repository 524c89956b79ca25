#include "traffic/ExchangeOutcome.h"

#include "traffic/TransferDetails.h"

QString ExchangeOutcome::details() const
{
    return completed ? completedDetails(status, phrase, body.size(), elapsedMs)
                     : failedDetails(failureText);
}

#pragma once

#include "jobs/JobListHistory.h"
#include "transfer/InetTransfer.h"

#include <QByteArray>
#include <QString>

// What the status line's tool tip says of a completed answer:
// "HTTP 404 Not Found · 1234 bytes · 12 ms".
QString completedDetails(int code, const QByteArray &phrase, qsizetype bodySize, qint64 elapsedMs);

// Its second line, where the time went: "connect 3 ms · first byte 8 ms · body 3 ms", with
// "name lookup 2 ms · " in front when the address was a name.
QString timingDetails(const InetTransfer::Timing &timing);

// ... and of a failed transfer: "Failed: connection refused".
QString failedDetails(const QString &failureText);

// After a list, its third line: "100,000 jobs · 12 new · 3 changed · 1 not listed", the first
// number the jobs of that list, the others left out where they are 0 ("5 jobs · no change").
QString listDetails(const JobListHistory::Summary &list);

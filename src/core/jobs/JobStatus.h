#pragma once

#include <QByteArray>

// One job's status as scanned from a job list. Texts are the raw bytes between the quotes of
// the response, spaces trimmed; a slot in use holds three non-empty texts.
struct JobStatus
{
    bool InUse = false;
    QByteArray externalId;
    QByteArray latestAlertStatus;
    QByteArray latestAlertTime;
};

#pragma once

#include "jobs/JobListHistory.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class JobStatusTable;

// The jobs of a list, as the window's scanner reads them, in the table's order.
//
// Table: a header line "externalId\tlatestAlertStatus\tlatestAlertTime", then one line per job
// with its three texts as the grid shows them; a tab or line break in a text would shift the
// columns, so each becomes a space.
QByteArray jobTable(const JobStatusTable &jobs);

// One JSON object per line, {"externalId": ..., "latestAlertStatus": ..., "latestAlertTime":
// ...}. The texts stand between quotes in the answer, so they are read as JSON strings; a text
// that is not one (a stray backslash) is given as its bytes.
QByteArray jobLines(const JobStatusTable &jobs);

// Whether the body has an "externalId" member with this identifier: a job, a list holding it,
// or the server's confirmation of a deletion.
bool namesJob(QByteArrayView body, const QByteArray &externalId);

// What watch prints after each list: one line per job that the list made new, changed or
// gone (JobListHistory::forEachDifference), each with the list's time as the API writes a
// time. As a table: "time\tchange\texternalId\tlatestAlertStatus\tlatestAlertTime" (the
// header line is watchHeader()), texts as jobTable gives them; as JSON: one object a line,
// with the change, the job's texts and, for a changed job, what they were under "was".
QByteArray watchHeader();
QByteArray watchLines(const JobStatusTable &jobs, const QString &time, bool json);

#pragma once

#include <QByteArray>
#include <QByteArrayView>

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

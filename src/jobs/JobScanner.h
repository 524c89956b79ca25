#pragma once

#include <QByteArrayView>

class JobStatusTable;

// Text between the first startMarker and the next endMarker after it, spaces trimmed; empty
// when either is missing. The result views into text.
QByteArrayView ExtractBetween(QByteArrayView startMarker, QByteArrayView endMarker,
                              QByteArrayView text);

// Cuts text at every "{" and stores each stretch holding all three string members
// (externalId, latestAlertStatus, latestAlertTime) into the table.
void ParseJobList(QByteArrayView text, JobStatusTable &JobStatuses);

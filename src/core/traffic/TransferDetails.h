#pragma once

#include <QByteArray>
#include <QString>

// What the status line's tool tip says of a completed answer:
// "HTTP 404 Not Found · 1234 bytes · 12 ms".
QString completedDetails(int code, const QByteArray &phrase, qsizetype bodySize, qint64 elapsedMs);

// ... and of a failed transfer: "Failed: connection refused".
QString failedDetails(const QString &failureText);

#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>

// The create body the client sends for its worked example, CR LF line ends and all.
QByteArray exampleCreateBody();

// The example body with one member replaced, or removed when `value` is undefined. `path`
// names the member with slashes: "channelGroup/1/primaryUdpPort".
QByteArray exampleWith(const QString &path, const QJsonValue &value);

// The example body for another id and times.
QByteArray exampleFor(const QString &externalId, const QString &start, const QString &end);

// A time `secondsFromNow` away, written in UTC with a "Z".
QString utcTimeFromNow(qint64 secondsFromNow);

inline const QByteArray kListPath = "/api/videocompare/tracking";

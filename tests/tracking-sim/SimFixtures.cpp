#include "SimFixtures.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QJsonValue replaced(const QJsonValue &node, QStringList path, const QJsonValue &value)
{
    if (path.isEmpty())
        return value;
    const QString step = path.takeFirst();
    if (node.isArray()) {
        QJsonArray array = node.toArray();
        const int index = step.toInt();
        if (path.isEmpty() && value.isUndefined())
            array.removeAt(index);
        else
            array[index] = replaced(array.at(index), path, value);
        return array;
    }
    QJsonObject object = node.toObject();
    if (path.isEmpty() && value.isUndefined())
        object.remove(step);
    else
        object[step] = replaced(object.value(step), path, value);
    return object;
}

} // namespace

QByteArray exampleCreateBody()
{
    QByteArray body = R"({
    "externalId": "4123856710",
    "startTrackingUtc": "2027-03-01T09:32:00-0500",
    "endTrackingUtc": "2027-03-01T10:02:00-0500",
    "programName": "Evening News",
    "channelGroup": [
        {
            "primaryUdpMulticastIpAddress": "239.10.0.1",
            "primaryUdpPort": 5000,
            "backupUdpMulticastIpAddress": "239.10.0.2",
            "backupUdpPort": 5002,
            "channelName": "Feed A"
        },
        {
            "primaryUdpMulticastIpAddress": "239.20.0.1",
            "primaryUdpPort": 6000,
            "backupUdpMulticastIpAddress": "239.20.0.2",
            "backupUdpPort": 6002,
            "channelName": "Feed B"
        }
    ],
    "defaultThresholdInfos": {
        "thresholdKey1": "ThresholdValue1",
        "thresholdKey2": "ThresholdValue2"
    }
}
)";
    return body.replace("\n", "\r\n");
}

QByteArray exampleWith(const QString &path, const QJsonValue &value)
{
    const QJsonValue root = QJsonDocument::fromJson(exampleCreateBody()).object();
    return QJsonDocument(replaced(root, path.split(u'/'), value).toObject()).toJson();
}

QByteArray exampleFor(const QString &externalId, const QString &start, const QString &end)
{
    QJsonObject root = QJsonDocument::fromJson(exampleCreateBody()).object();
    root[u"externalId"] = externalId;
    root[u"startTrackingUtc"] = start;
    root[u"endTrackingUtc"] = end;
    return QJsonDocument(root).toJson();
}

QString utcTimeFromNow(qint64 secondsFromNow)
{
    return QDateTime::currentDateTimeUtc().addSecs(secondsFromNow).toString(u"yyyy-MM-ddTHH:mm:ss")
        + u'Z';
}

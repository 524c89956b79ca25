#include "CreateInput.h"

#include "files/RegularFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace {

// A job's body is under a kilobyte; a file far larger is not one.
constexpr qint64 kCreateFileCap = 1024 * 1024;

// Reads the members of one JSON object into texts, naming the first that is of the wrong kind.
class MemberReader
{
public:
    MemberReader(const QJsonObject &object, QString where)
        : m_object(object)
        , m_where(std::move(where))
    { }

    void text(const QString &member, QString &into)
    {
        const QJsonValue value = m_object.value(member);
        if (value.isString())
            into = value.toString();
        else if (!value.isUndefined())
            fail(member, u"a text"_s);
    }

    // A port is written bare in the body; a file may hold it as a number or as a text.
    void port(const QString &member, QString &into)
    {
        const QJsonValue value = m_object.value(member);
        if (value.isDouble())
            into = QString::number(value.toDouble(), 'g', 17);
        else
            text(member, into);
    }

    QJsonObject object(const QString &member)
    {
        const QJsonValue value = m_object.value(member);
        if (!value.isObject() && !value.isUndefined())
            fail(member, u"an object"_s);
        return value.toObject();
    }

    QJsonArray array(const QString &member)
    {
        const QJsonValue value = m_object.value(member);
        if (!value.isArray() && !value.isUndefined())
            fail(member, u"an array"_s);
        return value.toArray();
    }

    Result<> result() const
    {
        if (m_problem.isEmpty())
            return {};
        return Failure{m_problem};
    }

private:
    void fail(const QString &member, const QString &kind)
    {
        if (m_problem.isEmpty())
            m_problem = u"%1%2 is not %3"_s.arg(m_where, member, kind);
    }

    QJsonObject m_object;
    QString m_where;
    QString m_problem;
};

Result<> readStream(const QJsonValue &value, std::size_t index, CreateFields::Stream &stream)
{
    const QString where = u"channelGroup %1 "_s.arg(index + 1);
    if (!value.isObject())
        return Failure{where + u"is not an object"_s};
    MemberReader read(value.toObject(), where);
    read.text(u"primaryUdpMulticastIpAddress"_s, stream.primaryIP);
    read.port(u"primaryUdpPort"_s, stream.primaryPort);
    read.text(u"backupUdpMulticastIpAddress"_s, stream.backupIP);
    read.port(u"backupUdpPort"_s, stream.backupPort);
    read.text(u"channelName"_s, stream.channelName);
    return read.result();
}

Result<CreateFields> fieldsFromObject(const QJsonObject &body)
{
    CreateFields fields;
    MemberReader read(body, QString());
    read.text(u"externalId"_s, fields.externalId);
    read.text(u"startTrackingUtc"_s, fields.start);
    read.text(u"endTrackingUtc"_s, fields.end);
    read.text(u"programName"_s, fields.program);
    const QJsonObject keys = read.object(u"defaultThresholdInfos"_s);
    const QJsonArray streams = read.array(u"channelGroup"_s);
    if (Result<> kinds = read.result(); !kinds)
        return Failure{kinds.reason()};
    MemberReader readKeys(keys, u"defaultThresholdInfos "_s);
    readKeys.text(u"thresholdKey1"_s, fields.thresholdKey1);
    readKeys.text(u"thresholdKey2"_s, fields.thresholdKey2);
    if (Result<> kinds = readKeys.result(); !kinds)
        return Failure{kinds.reason()};
    if (streams.size() > qsizetype(fields.streams.size()))
        return Failure{u"channelGroup holds %1 streams; a job has two"_s.arg(streams.size())};
    for (qsizetype i = 0; i < streams.size(); ++i) {
        if (Result<> read = readStream(streams.at(i), std::size_t(i), fields.streams[i]); !read)
            return Failure{read.reason()};
    }
    return fields;
}

} // namespace

Result<CreateFields::Stream> parseGroupOption(const QString &text)
{
    const QStringList parts = text.split(u',');
    if (parts.size() != 5)
        return Failure{u"\"%1\" is not IP,PORT,IP,PORT,NAME (five parts)"_s.arg(text)};
    return CreateFields::Stream{parts.at(0), parts.at(1), parts.at(2), parts.at(3), parts.at(4)};
}

Result<CreateFields> readCreateFile(const QString &fileName)
{
    const Result<QByteArray> bytes = readRegularFile(fileName, kCreateFileCap);
    if (!bytes)
        return Failure{u"--from: cannot read %1: %2"_s.arg(fileName, bytes.reason())};
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(*bytes, &error);
    if (error.error != QJsonParseError::NoError)
        return Failure{u"--from: %1 is not valid JSON: %2 at byte %3"_s.arg(
            fileName, error.errorString(), QString::number(error.offset))};
    if (!document.isObject())
        return Failure{u"--from: %1 does not hold a JSON object"_s.arg(fileName)};
    Result<CreateFields> fields = fieldsFromObject(document.object());
    if (!fields)
        return Failure{u"--from: %1: %2"_s.arg(fileName, fields.reason())};
    return fields;
}

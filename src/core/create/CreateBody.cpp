#include "create/CreateBody.h"

#include "text/TrimSpaces.h"

namespace {

class BodyWriter
{
public:
    void literal(int indent, QLatin1String text)
    {
        m_text += QString(indent, QLatin1Char(' ')) + text + CrLf();
    }

    void string(int indent, QLatin1String key, const QString &value, QLatin1String tail)
    {
        m_text += QString(indent, QLatin1Char(' ')) + QLatin1Char('"') + key
            + QLatin1String("\": \"") + trimSpaces(value) + QLatin1Char('"') + tail + CrLf();
    }

    void bare(int indent, QLatin1String key, const QString &value, QLatin1String tail)
    {
        m_text += QString(indent, QLatin1Char(' ')) + QLatin1Char('"') + key + QLatin1String("\": ")
            + trimSpaces(value) + tail + CrLf();
    }

    void opener(int indent, QLatin1String key, QLatin1String opening)
    {
        m_text += QString(indent, QLatin1Char(' ')) + QLatin1Char('"') + key + QLatin1Char('"')
            + opening + CrLf();
    }

    void stream(const CreateFields::Stream &fields)
    {
        const QLatin1String comma(",");
        string(12, QLatin1String("primaryUdpMulticastIpAddress"), fields.primaryIP, comma);
        bare(12, QLatin1String("primaryUdpPort"), fields.primaryPort, comma);
        string(12, QLatin1String("backupUdpMulticastIpAddress"), fields.backupIP, comma);
        bare(12, QLatin1String("backupUdpPort"), fields.backupPort, comma);
        string(12, QLatin1String("channelName"), fields.channelName, QLatin1String());
    }

    QString text() const { return m_text; }

private:
    static QLatin1String CrLf() { return QLatin1String("\r\n"); }

    QString m_text;
};

} // namespace

QString buildCreateBody(const CreateFields &fields)
{
    const QLatin1String comma(",");
    const QLatin1String none;

    BodyWriter body;
    body.literal(0, QLatin1String("{"));
    body.string(4, QLatin1String("externalId"), fields.externalId, comma);
    body.string(4, QLatin1String("startTrackingUtc"), fields.start, comma);
    body.string(4, QLatin1String("endTrackingUtc"), fields.end, comma);
    body.string(4, QLatin1String("programName"), fields.program, comma);
    body.opener(4, QLatin1String("channelGroup"), QLatin1String(": ["));
    body.literal(8, QLatin1String("{"));
    body.stream(fields.streams[0]);
    body.literal(8, QLatin1String("},"));
    body.literal(8, QLatin1String("{"));
    body.stream(fields.streams[1]);
    body.literal(8, QLatin1String("}"));
    body.literal(4, QLatin1String("],"));
    body.opener(4, QLatin1String("defaultThresholdInfos"), QLatin1String(": {"));
    body.string(8, QLatin1String("thresholdKey1"), fields.thresholdKey1, comma);
    body.string(8, QLatin1String("thresholdKey2"), fields.thresholdKey2, none);
    body.literal(4, QLatin1String("}"));
    body.literal(0, QLatin1String("}"));
    return body.text();
}

#include "create/CreateCheck.h"

#include "create/PortNumber.h"
#include "text/TrimSpaces.h"

#include <QStringList>

#include <algorithm>
#include <iterator>

using namespace Qt::StringLiterals;

namespace {

class FieldChecker
{
public:
    void text(const QString &member, const QString &value)
    {
        if (trimSpaces(value).isEmpty())
            m_problems.append(member + u" is empty"_s);
    }

    void port(const QString &member, const QString &value)
    {
        if (!isValidPort(value))
            m_problems.append(u"%1 \"%2\" is not a port"_s.arg(member, value));
    }

    void key(const QString &member, const QString &value)
    {
        if (std::none_of(std::begin(ThresholdKeys), std::end(ThresholdKeys),
                         [&](const char *key) { return value == QLatin1String(key); }))
            m_problems.append(u"%1 \"%2\" is not %3 or %4"_s.arg(
                member, value, QLatin1String(ThresholdKeys[0]), QLatin1String(ThresholdKeys[1])));
    }

    Result<> result() const
    {
        if (m_problems.isEmpty())
            return {};
        return Failure{m_problems.join(u"; "_s)};
    }

private:
    QStringList m_problems;
};

} // namespace

Result<> checkCreateFields(const CreateFields &fields)
{
    FieldChecker check;
    check.text(u"externalId"_s, fields.externalId);
    check.text(u"startTrackingUtc"_s, fields.start);
    check.text(u"endTrackingUtc"_s, fields.end);
    check.text(u"programName"_s, fields.program);
    for (std::size_t i = 0; i < fields.streams.size(); ++i) {
        const CreateFields::Stream &stream = fields.streams[i];
        const QString group = u"channelGroup %1 "_s.arg(i + 1);
        check.text(group + u"primaryUdpMulticastIpAddress"_s, stream.primaryIP);
        check.port(group + u"primaryUdpPort"_s, stream.primaryPort);
        check.text(group + u"backupUdpMulticastIpAddress"_s, stream.backupIP);
        check.port(group + u"backupUdpPort"_s, stream.backupPort);
        check.text(group + u"channelName"_s, stream.channelName);
    }
    check.key(u"thresholdKey1"_s, fields.thresholdKey1);
    check.key(u"thresholdKey2"_s, fields.thresholdKey2);
    return check.result();
}

#pragma once

#include "memory/HugePages.h"

#include <QByteArray>

// Builds job-list bodies the way the tracking server pretty-prints them: members written
// "key": "value", one per line, each job carrying its two stream objects and its threshold
// object after the three status members. With the usual 4-space indentation a job takes about
// 1,000 bytes; with 2 spaces about 865. Deterministic: the same arguments give the same bytes.
class JobListGenerator
{
public:
    // One job object as an element of the top-level array (indented one step), without a
    // trailing comma or line end.
    static QByteArray job(int index, int indentStep = 4, int statusShift = 0)
    {
        const auto pad = [indentStep](int level) { return QByteArray(level * indentStep, ' '); };
        const QByteArray id = QByteArray::number(4100000000LL + index);
        const QByteArray minute = QByteArray::number(10 + index % 50);
        const QByteArray octet = QByteArray::number(1 + index % 250);
        QByteArray text;
        text.reserve(1100);
        text += pad(1) + "{\n";
        text += pad(2) + "\"externalId\": \"" + id + "\",\n";
        text += pad(2) + "\"latestAlertStatus\": \"" + status(index + statusShift) + "\",\n";
        text += pad(2) + "\"latestAlertTime\": \"2027-03-01T09:" + minute + ":00-0500\",\n";
        text += pad(2) + "\"programName\": \"Evening News " + QByteArray::number(index % 97)
            + "\",\n";
        text += pad(2) + "\"startTrackingUtc\": \"2027-03-01T09:32:00-0500\",\n";
        text += pad(2) + "\"endTrackingUtc\": \"2027-03-01T10:02:00-0500\",\n";
        text += pad(2) + "\"channelGroup\": [\n";
        text += stream(pad(3), pad(4), "239.10.0." + octet, "5000", "239.10.1." + octet, "5002",
                       "Feed A");
        text += pad(3) + "},\n";
        text += stream(pad(3), pad(4), "239.20.0." + octet, "6000", "239.20.1." + octet, "6002",
                       "Feed B");
        text += pad(3) + "}\n";
        text += pad(2) + "],\n";
        text += pad(2) + "\"defaultThresholdInfos\": {\n";
        text += pad(3) + "\"thresholdKey1\": \"ThresholdValue1\",\n";
        text += pad(3) + "\"thresholdKey2\": \"ThresholdValue2\"\n";
        text += pad(2) + "}\n";
        text += pad(1) + "}";
        return text;
    }

    // The same list as a server gives it a little later, with something to mark: every
    // hundredth job's status changed, every thousandth job gone, and a thousandth as many new
    // jobs at the end.
    static QByteArray changedList(int jobs, int indentStep = 4)
    {
        return list(jobs, indentStep, true);
    }

    // A whole response body: a JSON array of jobs 0 .. jobs - 1.
    static QByteArray list(int jobs, int indentStep = 4, bool changed = false)
    {
        QByteArray text;
        text.reserve(static_cast<qsizetype>(jobs) * (700 + 80 * indentStep) + 8);
        // As the program's own large blocks are: a list built in small pages leaves the
        // memory the program's next body arrives into to be gathered into huge pages again.
        offerHugePages(text.constData(), text.capacity());
        text += "[\n";
        const int added = changed ? jobs / 1000 : 0;
        bool first = true;
        for (int i = 0; i < jobs + added; ++i) {
            if (changed && i < jobs && i % 1000 == 999)
                continue;
            text += first ? "" : ",\n";
            text += job(i, indentStep, changed && i % 100 == 0 ? 1 : 0);
            first = false;
        }
        text += "\n";
        text += "]\n";
        return text;
    }

private:
    static QByteArray status(int index)
    {
        switch (index % 3) {
        case 0:
            return "NoAlert";
        case 1:
            return "VideoMismatch";
        default:
            return "AudioSilence";
        }
    }

    static QByteArray stream(const QByteArray &outer, const QByteArray &inner,
                             const QByteArray &primary, const QByteArray &primaryPort,
                             const QByteArray &backup, const QByteArray &backupPort,
                             const QByteArray &name)
    {
        QByteArray text;
        text += outer + "{\n";
        text += inner + "\"primaryUdpMulticastIpAddress\": \"" + primary + "\",\n";
        text += inner + "\"primaryUdpPort\": " + primaryPort + ",\n";
        text += inner + "\"backupUdpMulticastIpAddress\": \"" + backup + "\",\n";
        text += inner + "\"backupUdpPort\": " + backupPort + ",\n";
        text += inner + "\"channelName\": \"" + name + "\"\n";
        return text;
    }
};

#pragma once

#include <QByteArrayList>

// The creation window's worked example by text box; its buttons can fill the first three.
inline constexpr const char *CreateExampleFields[][2] = {
    {"txtExternalID", "4123856710"},
    {"txtStart", "2027-03-01T09:32:00-0500"},
    {"txtEnd", "2027-03-01T10:02:00-0500"},
    {"txtProgram", "Evening News"},
    {"txtPrimaryIP_1", "239.10.0.1"},
    {"txtPrimaryPort_1", "5000"},
    {"txtBackupIP_1", "239.10.0.2"},
    {"txtBackupPort_1", "5002"},
    {"txtChannelName_1", "Feed A"},
    {"txtPrimaryIP_2", "239.20.0.1"},
    {"txtPrimaryPort_2", "6000"},
    {"txtBackupIP_2", "239.20.0.2"},
    {"txtBackupPort_2", "6002"},
    {"txtChannelName_2", "Feed B"},
};

// The worked example as the simulator renders it; %1 is the time it was created.
inline constexpr char WorkedExampleJob[] = R"({
    "externalId": "4123856710",
    "latestAlertStatus": "None",
    "latestAlertTime": "%1",
    "programName": "Evening News",
    "startTrackingUtc": "2027-03-01T09:32:00-0500",
    "endTrackingUtc": "2027-03-01T10:02:00-0500",
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
})";

// What the creation window sends for it: no alert members, the form's order, CR LF line ends.
inline QByteArray workedExampleBody()
{
    QByteArrayList lines = QByteArray(WorkedExampleJob).split('\n');
    lines.remove(2, 2);
    lines.move(2, 4);
    return lines.join("\r\n") + "\r\n";
}

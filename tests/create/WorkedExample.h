#pragma once

#include <utility>

// The job every test starts from, and the exact body it must give: 26 lines, 837 characters.
inline constexpr std::pair<const char *, const char *> WorkedExampleFields[] = {
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

inline constexpr char WorkedExampleBody[] =
    "{\r\n"
    "    \"externalId\": \"4123856710\",\r\n"
    "    \"startTrackingUtc\": \"2027-03-01T09:32:00-0500\",\r\n"
    "    \"endTrackingUtc\": \"2027-03-01T10:02:00-0500\",\r\n"
    "    \"programName\": \"Evening News\",\r\n"
    "    \"channelGroup\": [\r\n"
    "        {\r\n"
    "            \"primaryUdpMulticastIpAddress\": \"239.10.0.1\",\r\n"
    "            \"primaryUdpPort\": 5000,\r\n"
    "            \"backupUdpMulticastIpAddress\": \"239.10.0.2\",\r\n"
    "            \"backupUdpPort\": 5002,\r\n"
    "            \"channelName\": \"Feed A\"\r\n"
    "        },\r\n"
    "        {\r\n"
    "            \"primaryUdpMulticastIpAddress\": \"239.20.0.1\",\r\n"
    "            \"primaryUdpPort\": 6000,\r\n"
    "            \"backupUdpMulticastIpAddress\": \"239.20.0.2\",\r\n"
    "            \"backupUdpPort\": 6002,\r\n"
    "            \"channelName\": \"Feed B\"\r\n"
    "        }\r\n"
    "    ],\r\n"
    "    \"defaultThresholdInfos\": {\r\n"
    "        \"thresholdKey1\": \"ThresholdValue1\",\r\n"
    "        \"thresholdKey2\": \"ThresholdValue2\"\r\n"
    "    }\r\n"
    "}\r\n";

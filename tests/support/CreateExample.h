#pragma once

// The creation window's worked example: every text box by object name, with what goes in it.
// The first three are the ones its buttons can fill.
inline constexpr const char *CreateExampleFields[][2] = {
    {"txtExternalID", "4123856710"}, {"txtStart", "2027-03-01T09:32:00-0500"},
    {"txtEnd", "2027-03-01T10:02:00-0500"}, {"txtProgram", "Evening News"},
    {"txtPrimaryIP_1", "239.10.0.1"}, {"txtPrimaryPort_1", "5000"},
    {"txtBackupIP_1", "239.10.0.2"}, {"txtBackupPort_1", "5002"}, {"txtChannelName_1", "Feed A"},
    {"txtPrimaryIP_2", "239.20.0.1"}, {"txtPrimaryPort_2", "6000"},
    {"txtBackupIP_2", "239.20.0.2"}, {"txtBackupPort_2", "6002"}, {"txtChannelName_2", "Feed B"},
};

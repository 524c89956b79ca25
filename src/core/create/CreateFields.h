#pragma once

#include <QString>

#include <array>

// The texts of the creation window as typed, in the order the create-job body uses them.
struct CreateFields
{
    struct Stream
    {
        QString primaryIP;
        QString primaryPort;
        QString backupIP;
        QString backupPort;
        QString channelName;
    };

    QString externalId;
    QString start;
    QString end;
    QString program;
    std::array<Stream, 2> streams; // stream 1, then stream 2
    QString thresholdKey1;
    QString thresholdKey2;
};

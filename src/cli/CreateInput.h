#pragma once

#include "Result.h"
#include "create/CreateFields.h"

#include <QString>

// "IP,PORT,IP,PORT,NAME": a stream's five fields, as typed (spaces kept; the body trims them).
Result<CreateFields::Stream> parseGroupOption(const QString &text);

// A create-job body read from a JSON file: the members the creation window fills
// (externalId, startTrackingUtc, endTrackingUtc, programName, channelGroup with two streams,
// defaultThresholdInfos with thresholdKey1 and thresholdKey2). A port may be a number or a
// text. A missing member stays empty, for the field checks to name; a member of the wrong
// kind, an unreadable file or text that is not JSON fails here.
Result<CreateFields> readCreateFile(const QString &fileName);

#pragma once

#include "Result.h"
#include "create/CreateFields.h"

// The creation window's rules for its fields, for every program that creates a job: each text
// but the threshold keys must hold something besides spaces, each port must read as a number
// above 0 (readPortNumber), and each threshold key must be one the window offers. Every field
// is checked; the reason names each one that fails by its member in the create-job body
// ("externalId is empty; channelGroup 1 primaryUdpPort \"0\" is not a port").
Result<> checkCreateFields(const CreateFields &fields);

// The threshold keys the window offers, the first one preselected for stream 1 and the second
// for stream 2.
inline constexpr const char *ThresholdKeys[] = {"ThresholdValue1", "ThresholdValue2"};

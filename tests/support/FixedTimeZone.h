#pragma once

#include "timeconv/FormatUtcTimestamp.h"

// A zone with fixed figures, as the local zone would report them.
class FixedTimeZone final : public TimeZoneSource
{
public:
    explicit FixedTimeZone(ZoneBias bias = {})
        : m_bias(bias)
    { }
    ZoneBias currentBias() const override { return m_bias; }

private:
    ZoneBias m_bias;
};

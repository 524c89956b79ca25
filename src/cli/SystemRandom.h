#pragma once

#include "create/RandomSource.h"

#include <QRandomGenerator>

// Draws from the system's generator: each run of smoke must create a job no earlier run made.
class SystemRandom final : public RandomSource
{
public:
    // 24 bits fill a float's mantissa exactly, so the draw stays below 1.
    float next() override
    {
        return float(QRandomGenerator::global()->bounded(1u << 24)) / float(1u << 24);
    }
};

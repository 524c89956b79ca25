#pragma once

#include <cstdint>

// Uniform draws on [0, 1) in single precision.
class RandomSource
{
public:
    virtual ~RandomSource() = default;
    virtual float next() = 0;
};

// Starts from the same fixed state in every run, so every run draws the same sequence.
class FixedSeedRandom final : public RandomSource
{
public:
    float next() override;

private:
    std::uint64_t m_state = 0x853c49e6748fea9bULL;
};

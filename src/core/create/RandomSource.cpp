#include "create/RandomSource.h"

namespace {

// PCG32 (XSH RR): a 64-bit linear congruential state with a permuted 32-bit output.
constexpr std::uint64_t Multiplier = 6364136223846793005ULL;
constexpr std::uint64_t Increment = 1442695040888963407ULL;

std::uint32_t rotateRight(std::uint32_t value, unsigned shift)
{
    return (value >> shift) | (value << ((32U - shift) & 31U));
}

} // namespace

float FixedSeedRandom::next()
{
    const std::uint64_t old = m_state;
    m_state = old * Multiplier + Increment;
    const auto mixed = static_cast<std::uint32_t>(((old >> 18U) ^ old) >> 27U);
    const auto output = rotateRight(mixed, static_cast<unsigned>(old >> 59U));
    // 24 bits fill a float's mantissa exactly, so the result is never rounded up to 1.
    return static_cast<float>(output >> 8U) * (1.0F / 16777216.0F);
}

#pragma once

#include <QString>

class RandomSource;

// Nearest whole number; a value exactly halfway goes to the even neighbour, whatever the
// floating-point rounding mode happens to be.
float roundHalfEven(float value);

// Two draws, each scaled to a whole number from 32000 to 96000, written one after the other:
// always ten digits.
QString nextExternalId(RandomSource &random);

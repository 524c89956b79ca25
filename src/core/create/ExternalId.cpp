#include "create/ExternalId.h"

#include "create/RandomSource.h"

#include <cmath>

namespace {

QString nextHalf(RandomSource &random)
{
    const float scaled = random.next() * 64000.0F + 32000.0F;
    return QString::number(static_cast<qint32>(roundHalfEven(scaled)));
}

} // namespace

float roundHalfEven(float value)
{
    const float below = std::floor(value);
    const float fraction = value - below;
    if (fraction < 0.5F)
        return below;
    if (fraction > 0.5F)
        return below + 1.0F;
    return std::fmod(below, 2.0F) == 0.0F ? below : below + 1.0F;
}

QString nextExternalId(RandomSource &random)
{
    const QString first = nextHalf(random);
    return first + nextHalf(random);
}

#pragma once

#include "create/RandomSource.h"

#include <QList>

// Hands out the given draws in order, then starts over.
class ScriptedRandom final : public RandomSource
{
public:
    explicit ScriptedRandom(QList<float> draws)
        : m_draws(std::move(draws))
    {
    }

    float next() override
    {
        const float draw = m_draws.at(m_position);
        m_position = (m_position + 1) % m_draws.size();
        return draw;
    }

private:
    QList<float> m_draws;
    qsizetype m_position = 0;
};

#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <algorithm>

// The longest gap between the ticks of a fast repeating timer in the calling thread: how long
// the event loop was kept from running, as an operator would feel it.
class StallMeter final
{
public:
    explicit StallMeter(int intervalMs)
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(intervalMs);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { tick(); });
    }
    StallMeter(const StallMeter &) = delete;
    StallMeter &operator=(const StallMeter &) = delete;

    void start()
    {
        m_longestNs = 0;
        m_clock.start();
        m_lastNs = 0;
        m_timer.start();
    }

    // Counts the gap up to now as well: a stall that lasts until the end has no tick after it.
    void stop()
    {
        tick();
        m_timer.stop();
    }

    double longestMs() const { return double(m_longestNs) / 1e6; }

private:
    void tick()
    {
        const qint64 now = m_clock.nsecsElapsed();
        m_longestNs = std::max(m_longestNs, now - m_lastNs);
        m_lastNs = now;
    }

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastNs = 0;
    qint64 m_longestNs = 0;
};

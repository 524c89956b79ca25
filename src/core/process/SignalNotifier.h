#pragma once

#include <QObject>

#include <initializer_list>

class QSocketNotifier;

// Turns Unix signals (a logout, kill, Ctrl+C in the terminal) into a Qt signal from the event
// loop, so that a program ends through its normal path: a window saves its settings, the
// command-line client writes its report. The handler itself only writes the signal's number to
// a socket pair (all a signal handler may safely do); the rest runs in the event loop.
class SignalNotifier final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SignalNotifier)

public:
    // One at a time: the signals are routed to the newest one. The default actions come back
    // when it is destroyed.
    explicit SignalNotifier(std::initializer_list<int> signalNumbers, QObject *parent = nullptr);
    ~SignalNotifier() override;

    // Whether the signals are caught (a socket pair could be made).
    bool isWatching() const { return m_notifier != nullptr; }

Q_SIGNALS:
    void received(int signalNumber);

private:
    void readSignals();

    QList<int> m_signals;
    QSocketNotifier *m_notifier = nullptr;
};

#pragma once

#include <QObject>
#include <QPointer>

class QSocketNotifier;
class QWidget;

// Turns SIGTERM, SIGINT and SIGHUP (a logout, kill, Ctrl+C in the terminal) into a normal
// close of the window, through the same path as its close box: the settings are saved and the
// traffic log closed before the program ends. The handler itself only writes a byte to a
// socket pair; the close runs in the event loop.
class CloseOnSignals final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CloseOnSignals)

public:
    // One at a time: the signals are routed to the newest one.
    explicit CloseOnSignals(QWidget &window, QObject *parent = nullptr);
    ~CloseOnSignals() override;

private:
    void onSignal();

    QPointer<QWidget> m_window;
    QSocketNotifier *m_notifier = nullptr;
};

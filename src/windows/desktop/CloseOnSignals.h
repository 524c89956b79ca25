#pragma once

#include "process/SignalNotifier.h"

#include <QObject>
#include <QPointer>

class QWidget;

// Turns SIGTERM, SIGINT and SIGHUP (a logout, kill, Ctrl+C in the terminal) into a normal
// close of the window, through the same path as its close box: the settings are saved and the
// traffic log closed before the program ends.
class CloseOnSignals final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CloseOnSignals)

public:
    explicit CloseOnSignals(QWidget &window, QObject *parent = nullptr);

private:
    void onSignal();

    QPointer<QWidget> m_window;
    SignalNotifier m_notifier;
};

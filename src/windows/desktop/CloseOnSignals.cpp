#include "desktop/CloseOnSignals.h"

#include <QCoreApplication>
#include <QWidget>

#include <csignal>

CloseOnSignals::CloseOnSignals(QWidget &window, QObject *parent)
    : QObject(parent)
    , m_window(&window)
    , m_notifier({SIGTERM, SIGINT, SIGHUP})
{
    connect(&m_notifier, &SignalNotifier::received, this, &CloseOnSignals::onSignal);
}

void CloseOnSignals::onSignal()
{
    if (m_window)
        m_window->close();
    // A modal box may be open; quitting leaves its loop too.
    QCoreApplication::quit();
}

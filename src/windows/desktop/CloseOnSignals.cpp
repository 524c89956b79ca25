#include "desktop/CloseOnSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QWidget>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace {

std::array<int, 2> g_pair{-1, -1};
constexpr std::array<int, 3> kSignals{SIGTERM, SIGINT, SIGHUP};

void writeByte(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const auto ignored = ::write(g_pair[0], &byte, 1);
    errno = saved;
}

} // namespace

CloseOnSignals::CloseOnSignals(QWidget &window, QObject *parent)
    : QObject(parent)
    , m_window(&window)
{
    if (g_pair[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pair.data()) != 0) {
        qWarning("Signals will end the program without saving: %s", std::strerror(errno));
        return;
    }
    m_notifier = new QSocketNotifier(g_pair[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CloseOnSignals::onSignal);

    struct sigaction action = {};
    action.sa_handler = writeByte;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : kSignals)
        ::sigaction(number, &action, nullptr);
}

CloseOnSignals::~CloseOnSignals()
{
    for (const int number : kSignals)
        std::signal(number, SIG_DFL);
}

void CloseOnSignals::onSignal()
{
    char bytes[16];
    [[maybe_unused]] const auto ignored = ::read(g_pair[1], bytes, sizeof bytes);
    if (m_window)
        m_window->close();
    // A modal box may be open; quitting leaves its loop too.
    QCoreApplication::quit();
}

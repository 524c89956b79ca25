#include "process/SignalNotifier.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace {

std::array<int, 2> g_pair{-1, -1};

void writeNumber(int number)
{
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const auto ignored = ::write(g_pair[0], &byte, 1);
    errno = saved;
}

} // namespace

SignalNotifier::SignalNotifier(std::initializer_list<int> signalNumbers, QObject *parent)
    : QObject(parent)
    , m_signals(signalNumbers)
{
    if (g_pair[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pair.data()) != 0) {
        qWarning("Signals will end the program at once: %s", std::strerror(errno));
        return;
    }
    m_notifier = new QSocketNotifier(g_pair[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalNotifier::readSignals);

    struct sigaction action = {};
    action.sa_handler = writeNumber;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : std::as_const(m_signals))
        ::sigaction(number, &action, nullptr);
}

SignalNotifier::~SignalNotifier()
{
    for (const int number : std::as_const(m_signals))
        std::signal(number, SIG_DFL);
}

void SignalNotifier::readSignals()
{
    unsigned char numbers[16];
    const ssize_t got = ::read(g_pair[1], numbers, sizeof numbers);
    for (ssize_t i = 0; i < got; ++i)
        emit received(numbers[i]);
}

#include "FramingServer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Connections are held by a worker each from the first byte to the close, so there are enough
// workers that dozens of stalled clients leave the rest answered at once.
constexpr std::size_t kWorkers = 128;
constexpr std::size_t kMaxRequestsPerConnection = 1000;
constexpr std::chrono::milliseconds kWriteTimeout{5000};
// A refused client may still be sending; its bytes are read and dropped this long before the
// close, so the refusal is not lost to a reset.
constexpr std::chrono::milliseconds kLinger{1000};
constexpr std::chrono::milliseconds kStopCheck{100};

enum class Wait { Ready, TimedOut, Stopping };

Wait waitFor(const Channel &channel, short events, Clock::time_point deadline,
             const std::function<bool()> &stopping)
{
    if ((events & POLLIN) && channel.hasBuffered())
        return Wait::Ready;
    for (;;) {
        if (stopping())
            return Wait::Stopping;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return Wait::TimedOut;
        pollfd entry{channel.socket(), events, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(std::min(left, kStopCheck).count()));
        if (ready > 0)
            return Wait::Ready;
        if (ready < 0 && errno != EINTR)
            return Wait::TimedOut;
    }
}

ssize_t sendSome(Channel &channel, const char *data, std::size_t size)
{
    return channel.sendSome(data, size, static_cast<int>(kWriteTimeout.count()));
}

bool sendAll(Channel &channel, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t sent = sendSome(channel, bytes.data(), bytes.size());
        if (sent <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

void addressOf(int sock, bool peer, std::string &ip, int &port)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    auto *raw = reinterpret_cast<sockaddr *>(&address);
    if ((peer ? ::getpeername(sock, raw, &length) : ::getsockname(sock, raw, &length)) != 0)
        return;
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        const auto *v4 = reinterpret_cast<const sockaddr_in *>(&address);
        ::inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
        port = ntohs(v4->sin_port);
    } else if (address.ss_family == AF_INET6) {
        const auto *v6 = reinterpret_cast<const sockaddr_in6 *>(&address);
        ::inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
        port = ntohs(v6->sin6_port);
    }
    ip = text;
}

// One framed request for the library to read, and the socket it writes its answer to.
class FramedStream final : public httplib::Stream
{
public:
    FramedStream(Channel &channel, std::string request)
        : m_channel(channel)
        , m_sock(channel.socket())
        , m_request(std::move(request))
    { }

    bool is_readable() const override { return m_read < m_request.size(); }
    bool is_writable() const override
    {
        pollfd entry{m_sock, POLLOUT, 0};
        return ::poll(&entry, 1, static_cast<int>(kWriteTimeout.count())) > 0;
    }
    ssize_t read(char *ptr, size_t size) override
    {
        const std::size_t count = std::min(size, m_request.size() - m_read);
        std::copy_n(m_request.data() + m_read, count, ptr);
        m_read += count;
        return static_cast<ssize_t>(count);
    }
    ssize_t write(const char *ptr, size_t size) override { return sendSome(m_channel, ptr, size); }
    void get_remote_ip_and_port(std::string &ip, int &port) const override
    {
        addressOf(m_sock, true, ip, port);
    }
    void get_local_ip_and_port(std::string &ip, int &port) const override
    {
        addressOf(m_sock, false, ip, port);
    }
    socket_t socket() const override { return m_sock; }

private:
    Channel &m_channel;
    const int m_sock;
    const std::string m_request;
    std::size_t m_read = 0;
};

const char *reasonPhrase(int status)
{
    switch (status) {
    case 408:
        return "Request Timeout";
    case 413:
        return "Payload Too Large";
    case 431:
        return "Request Header Fields Too Large";
    default:
        return "Bad Request";
    }
}

bool sendRefusal(Channel &channel, int status, const std::string &body)
{
    return sendAll(channel,
                   "HTTP/1.1 " + std::to_string(status) + " " + reasonPhrase(status)
                       + "\r\nContent-Type: application/json\r\nContent-Length: "
                       + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
}

void closeGracefully(Channel &channel, const std::function<bool()> &stopping)
{
    channel.endSending();
    const auto until = Clock::now() + kLinger;
    char sink[16 * 1024];
    while (waitFor(channel, POLLIN, until, stopping) == Wait::Ready
           && channel.receive(sink, sizeof sink) > 0) {
    }
    ::close(channel.socket());
}

} // namespace

FramingServer::FramingServer(RequestFramer::Limits limits, Timing timing, Refusal refusal)
    : m_limits(limits)
    , m_timing(timing)
    , m_refusal(std::move(refusal))
{
    new_task_queue = [] { return new httplib::ThreadPool(kWorkers); };
    set_payload_max_length(limits.maxBodyBytes);
    set_keep_alive_max_count(kMaxRequestsPerConnection);
    set_keep_alive_timeout(std::max<time_t>(
        1, std::chrono::duration_cast<std::chrono::seconds>(timing.keepAliveIdle).count()));
}

void FramingServer::useTls(std::shared_ptr<const TlsContext> tls)
{
    m_tls = std::move(tls);
}

bool FramingServer::readRequest(Channel &channel, RequestFramer &framer, std::string &pending)
{
    const auto isStopping = [this] { return stopping(); };
    const auto idleUntil = Clock::now() + m_timing.keepAliveIdle;
    auto headUntil = idleUntil, bodyUntil = idleUntil;
    bool continueSent = false;
    char buffer[16 * 1024];
    for (;;) {
        const bool wasStarted = framer.started();
        const RequestFramer::Result result = framer.feed(pending);
        pending.erase(0, result.consumed);
        if (result.status != RequestFramer::Status::Incomplete)
            return true;
        if (!wasStarted && framer.started())
            headUntil = Clock::now() + m_timing.headDeadline;
        if (framer.awaitsContinue() && !continueSent)
            continueSent = sendAll(channel, "HTTP/1.1 100 Continue\r\n\r\n");
        const auto deadline = !framer.started() ? idleUntil
            : !framer.headComplete()            ? headUntil
                                                : bodyUntil;
        const Wait wait = waitFor(channel, POLLIN, deadline, isStopping);
        if (wait == Wait::TimedOut && framer.started()) {
            const std::string reason = framer.headComplete() ? "the body stalled"
                                                             : "the request head took too long";
            sendRefusal(channel, 408, m_refusal(framer, 408, reason));
        }
        const ssize_t received = wait == Wait::Ready ? channel.receive(buffer, sizeof buffer)
                                                     : ssize_t(0);
        if (received <= 0)
            return false;
        pending.append(buffer, static_cast<std::size_t>(received));
        bodyUntil = Clock::now() + m_timing.bodyIdle;
    }
}

bool FramingServer::process_and_close_socket(socket_t sock)
{
    SSL *ssl = nullptr;
    if (m_tls) {
        // A client that does not finish its handshake in time is dropped unanswered.
        ssl = m_tls->accept(sock, static_cast<int>(m_timing.headDeadline.count()));
        if (!ssl) {
            ::close(sock);
            return true;
        }
    }
    Channel channel(sock, ssl);
    std::string pending; // received and not yet framed: the start of the next request
    for (std::size_t served = 0; !stopping();) {
        RequestFramer framer(m_limits);
        if (!readRequest(channel, framer, pending))
            break;
        if (framer.refusalStatus() != 0) {
            const int status = framer.refusalStatus();
            sendRefusal(channel, status, m_refusal(framer, status, framer.refusalReason()));
            break;
        }
        // HTTP/1.0 and "Connection: close" end the connection with this answer; telling the
        // library so also keeps the Keep-Alive header out of it.
        const bool last = !framer.keepsConnection() || ++served >= kMaxRequestsPerConnection;
        FramedStream stream(channel, framer.framedRequest());
        bool closedByLibrary = false;
        const bool answered = process_request(stream, last, closedByLibrary, nullptr);
        if (!answered || last || closedByLibrary)
            break;
    }
    closeGracefully(channel, [this] { return stopping(); });
    return true;
}

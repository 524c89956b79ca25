#pragma once

#include "RequestFramer.h"
#include "TlsChannel.h"

#include <chrono>
#include <functional>
#include <httplib.h>
#include <memory>
#include <string>

// An httplib server that reads its connections itself. The library's own reading drops the
// bytes of a pipelined request, reads a chunked body without limit, refuses a POST that announces
// no body, and lets a client that trickles its head hold a worker for ever. Here each
// request is framed by RequestFramer under deadlines and handed to the library whole, with a
// plain Content-Length, one at a time and in order; the library then routes and answers it.
class FramingServer final : public httplib::Server
{
public:
    struct Timing
    {
        std::chrono::milliseconds headDeadline{5000};  // from a request's first byte to its end
        std::chrono::milliseconds bodyIdle{5000};      // longest pause inside a body
        std::chrono::milliseconds keepAliveIdle{5000}; // longest wait for the next request
    };

    // Gives the JSON body for a request refused before the library saw it, and logs it.
    using Refusal = std::function<std::string(const RequestFramer &framer, int status,
                                              const std::string &reason)>;

    FramingServer(RequestFramer::Limits limits, Timing timing, Refusal refusal);
    // Every connection starts with a TLS handshake under this identity.
    void useTls(std::shared_ptr<const TlsContext> tls);

private:
    bool process_and_close_socket(socket_t sock) override;
    // Reads until `framer` holds a whole or refused request. False when the connection ends
    // first: the client left or fell silent (answered 408 inside a request), or the server stops.
    bool readRequest(Channel &channel, RequestFramer &framer, std::string &pending);
    bool stopping() const { return svr_sock_ == INVALID_SOCKET; }

    const RequestFramer::Limits m_limits;
    const Timing m_timing;
    const Refusal m_refusal;
    std::shared_ptr<const TlsContext> m_tls;
};

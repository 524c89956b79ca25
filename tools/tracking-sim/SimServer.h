#pragma once

#include "AccessLog.h"
#include "FramingServer.h"
#include "SimOptions.h"

#include <memory>
#include <string>

class JobStore;

// The API over HTTP: routes every request to the job store and answers with JSON.
class SimServer final
{
public:
    SimServer(JobStore &store, const SimOptions &options);
    SimServer(const SimServer &) = delete;
    SimServer &operator=(const SimServer &) = delete;

    // Binds the configured address; on failure names the reason in `error`.
    bool bind(std::string &error);
    int port() const { return m_port; }
    // Serves HTTPS under this identity from now on.
    void useTls(std::shared_ptr<const TlsContext> tls) { m_server.useTls(std::move(tls)); }

    // Serves until stop(); returns false when serving failed.
    bool run();
    void stop();
    bool isRunning() const;

private:
    void handle(const httplib::Request &request, httplib::Response &response);
    void handleCollection(const httplib::Request &request, httplib::Response &response);
    std::string refusal(const RequestFramer &framer, int status, const std::string &reason);
    void reply(const httplib::Request &request, httplib::Response &response, int status,
               std::shared_ptr<const std::string> body);
    void replyError(const httplib::Request &request, httplib::Response &response, int status,
                    const std::string &message);
    void replyNotAllowed(const httplib::Request &request, httplib::Response &response,
                         const char *allowed);

    JobStore &m_store;
    const SimOptions m_options;
    AccessLog m_log;
    FramingServer m_server;
    int m_port = 0;
};

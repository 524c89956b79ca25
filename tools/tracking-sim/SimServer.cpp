#include "SimServer.h"

#include "ApiRoute.h"
#include "CreateRequestValidation.h"
#include "JobJson.h"
#include "JobStore.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <sys/socket.h>
#include <thread>

namespace {

using httplib::Request;
using httplib::Response;
using HandlerResponse = httplib::Server::HandlerResponse;

constexpr const char *kJson = "application/json";
constexpr std::size_t kPiece = 64 * 1024;
constexpr std::size_t kMaxBody = 1024 * 1024;
constexpr std::size_t kMaxHead = 64 * 1024;

std::shared_ptr<const std::string> shared(std::string text)
{
    return std::make_shared<const std::string>(std::move(text));
}

// The library's default on Linux is SO_REUSEPORT alone, which lets a second server share a
// port that is already taken; binding must fail then, so the run script can pick another.
void reuseAddressOnly(socket_t socket)
{
    const int yes = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

// The library's own refusals of a request that was framed well.
std::string refusalText(int status)
{
    switch (status) {
    case 400:
        return "the request is not well-formed HTTP";
    case 404:
        return "no such route";
    case 414:
        return "the request target is too long";
    default:
        return "the request could not be served";
    }
}

std::string quoted(const std::string &text)
{
    return "\"" + text + "\"";
}

} // namespace

SimServer::SimServer(JobStore &store, const SimOptions &options)
    : m_store(store)
    , m_options(options)
    , m_log(!options.quiet)
    , m_server({.maxHeadBytes = kMaxHead, .maxBodyBytes = kMaxBody},
               {.headDeadline = std::chrono::milliseconds(options.headDeadlineMs)},
               [this](const RequestFramer &framer, int status, const std::string &reason) {
                   return refusal(framer, status, reason);
               })
{
    m_server.set_socket_options(reuseAddressOnly);

    // Every method reaches one dispatcher, so a known path with the wrong method gets 405 and
    // an unknown path gets a JSON 404 instead of the library's empty one.
    const auto handler = [this](const Request &request, Response &response) {
        handle(request, response);
    };
    m_server.Get(".*", handler)
        .Post(".*", handler)
        .Put(".*", handler)
        .Patch(".*", handler)
        .Delete(".*", handler)
        .Options(".*", handler);

    // Called for every status from 400 up. Answers written by handle() already carry their
    // JSON; only the library's own refusals (malformed request, body too large) arrive bare.
    m_server.set_error_handler(
        httplib::Server::HandlerWithResponse([this](const Request &request, Response &response) {
            if (response.has_header("Content-Type"))
                return HandlerResponse::Unhandled;
            const std::string body = renderError(refusalText(response.status));
            response.set_content(body, kJson);
            m_log.record(request.method, request.target, response.status, body.size());
            return HandlerResponse::Handled;
        }));
    m_server.set_exception_handler(
        [this](const Request &request, Response &response, std::exception_ptr) {
            replyError(request, response, 500, "the simulator failed while answering");
        });
}

bool SimServer::bind(std::string &error)
{
    errno = 0;
    if (m_options.port == 0) {
        m_port = std::max(0, m_server.bind_to_any_port(m_options.host));
    } else if (m_server.bind_to_port(m_options.host, m_options.port)) {
        m_port = m_options.port;
    }
    if (m_port > 0)
        return true;
    const int reason = errno;
    error = "cannot listen on " + m_options.host + " port " + std::to_string(m_options.port);
    error += ": "
        + (reason != 0 ? std::string(std::strerror(reason))
                       : std::string("the address does not resolve"));
    return false;
}

bool SimServer::run()
{
    return m_server.listen_after_bind();
}

void SimServer::stop()
{
    m_server.stop();
}

bool SimServer::isRunning() const
{
    return m_server.is_running();
}

void SimServer::handle(const Request &request, Response &response)
{
    if (m_options.delayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(m_options.delayMs));

    const ApiRoute route = routeFor(request.target);
    const std::string &method = request.method;
    const bool reading = method == "GET" || method == "HEAD";
    const UnixSeconds now = nowSeconds();
    std::string rendered;
    JobStore::Outcome outcome = JobStore::Outcome::NotFound;
    switch (route.kind) {
    case ApiRoute::Kind::Unknown:
        return replyError(request, response, 404, "no such route: " + request.path);
    case ApiRoute::Kind::BadEncoding:
        return replyError(request, response, 400, "the job id in the path has a broken %-escape");
    case ApiRoute::Kind::Collection:
        return handleCollection(request, response);
    case ApiRoute::Kind::Job:
        if (reading) {
            outcome = m_store.find(route.externalId, now, rendered);
        } else if (method == "DELETE") {
            outcome = m_store.remove(route.externalId, now);
            rendered = renderConfirmation(route.externalId, "Deleted");
        } else {
            return replyNotAllowed(request, response, "GET, HEAD, DELETE");
        }
        break;
    case ApiRoute::Kind::StopTracking:
        if (method != "POST")
            return replyNotAllowed(request, response, "POST");
        outcome = m_store.stop(route.externalId, now, rendered);
        break;
    }
    if (outcome == JobStore::Outcome::NotFound)
        return replyError(request, response, 404,
                          "no job with externalId " + quoted(route.externalId));
    reply(request, response, 200, shared(std::move(rendered)));
}

void SimServer::handleCollection(const Request &request, Response &response)
{
    const UnixSeconds now = nowSeconds();
    if (request.method == "GET" || request.method == "HEAD")
        return reply(request, response, 200, m_store.list(now));
    if (request.method != "POST")
        return replyNotAllowed(request, response, "GET, HEAD, POST");

    Job job;
    std::string error;
    if (!jobFromCreateRequest(request.body, job, error))
        return replyError(request, response, 400, error);
    const std::string externalId = job.externalId;
    std::string rendered;
    if (m_store.create(std::move(job), now, rendered) == JobStore::Outcome::Duplicate)
        return replyError(request, response, 409,
                          "a job with externalId " + quoted(externalId) + " already exists");
    response.set_header("Location", jobPath(externalId));
    reply(request, response, 201, shared(std::move(rendered)));
}

std::string SimServer::refusal(const RequestFramer &framer, int status, const std::string &reason)
{
    // Only the request line is known for sure; its first two words stand for method and target.
    const std::string &line = framer.requestLine();
    const auto space = line.find(' ');
    const std::string method = space == std::string::npos ? "-" : line.substr(0, space);
    const std::string target = space == std::string::npos
        ? "-"
        : line.substr(space + 1, line.find(' ', space + 1) - space - 1);
    std::string body = renderError(reason);
    m_log.record(method, target, status, body.size());
    return body;
}

void SimServer::reply(const Request &request, Response &response, int status,
                      std::shared_ptr<const std::string> body)
{
    response.status = status;
    m_log.record(request.method, request.target, status, body->size());
    // Both providers send straight from the shared text, so the cached list is never copied.
    if (m_options.chunked) {
        response.set_chunked_content_provider(
            kJson, [body](std::size_t offset, httplib::DataSink &sink) {
                if (offset >= body->size()) {
                    sink.done();
                    return true;
                }
                return sink.write(body->data() + offset, std::min(kPiece, body->size() - offset));
            });
        return;
    }
    response.set_content_provider(
        body->size(), kJson,
        [body](std::size_t offset, std::size_t length, httplib::DataSink &sink) {
            return sink.write(body->data() + offset, std::min(kPiece, length));
        });
}

void SimServer::replyError(const Request &request, Response &response, int status,
                           const std::string &message)
{
    reply(request, response, status, shared(renderError(message)));
}

void SimServer::replyNotAllowed(const Request &request, Response &response, const char *allowed)
{
    response.set_header("Allow", allowed);
    replyError(request, response, 405, request.method + " is not allowed here; use " + allowed);
}

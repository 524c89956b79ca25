#include "ApiTime.h"
#include "JobStore.h"
#include "SampleJobs.h"
#include "SimOptions.h"
#include "SimServer.h"
#include "TlsCertificates.h"
#include "TlsChannel.h"

#include <atomic>
#include <chrono>
#include <ctime>
#include <iostream>
#include <pthread.h>
#include <signal.h>
#include <string_view>
#include <thread>
#include <vector>

namespace {

std::string urlHost(const std::string &host)
{
    return host.find(':') == std::string::npos ? host : "[" + host + "]";
}

// The identity to serve HTTPS with, from the operator's files or made now; nothing without
// TLS. fingerprint is set for a certificate made now, for the operator to compare.
bool loadTls(const SimOptions &options, std::shared_ptr<const TlsContext> &tls,
             std::string &fingerprint, std::string &error)
{
    if (!options.tls())
        return true;
    PemPair identity;
    if (options.tlsSelfSigned) {
        const auto made = makeCertificate(
            {.commonName = "localhost", .names = {"127.0.0.1", "localhost"}}, nullptr, error);
        if (!made)
            return false;
        identity = *made;
        fingerprint = sha256Fingerprint(identity.certificate);
    } else if (!readWholeFile(options.tlsCertificate, identity.certificate, error)
               || !readWholeFile(options.tlsKey, identity.key, error)) {
        return false;
    }
    tls = TlsContext::create(identity.certificate, identity.key, options.tlsClientCa, error);
    return tls != nullptr;
}

} // namespace

int main(int argc, char *argv[])
{
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const SimOptionsResult parsed = parseSimOptions(args);
    if (!parsed.error.empty()) {
        std::cerr << "tracking-sim: " << parsed.error << "\n"
                  << "Try 'tracking-sim --help' for the options.\n";
        return 2;
    }
    const SimOptions &options = parsed.options;
    if (options.help) {
        std::cout << simUsage();
        return 0;
    }
    if (options.version) {
        std::cout << "tracking-sim " TRACKING_SIM_VERSION "\n";
        return 0;
    }

    // Block the stop signals before any thread exists: every thread inherits the mask and only
    // the waiter below takes them. A shell starts background jobs with SIGINT ignored, and an
    // ignored signal never reaches sigwait, so restore the default first.
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    signal(SIGPIPE, SIG_IGN);
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    tzset();

    JobStore store(options.alertEverySeconds);
    addSampleJobs(store, options.jobs);
    addRunningJobs(store, options.running, nowSeconds());
    store.list(nowSeconds()); // render a large sample list before anyone can ask for it

    SimServer server(store, options);
    std::string error;
    std::shared_ptr<const TlsContext> tls;
    std::string fingerprint;
    if (!loadTls(options, tls, fingerprint, error)) {
        std::cerr << "tracking-sim: " << error << "\n";
        return 1;
    }
    server.useTls(tls);
    if (!server.bind(error)) {
        std::cerr << "tracking-sim: " << error << "\n";
        return 1;
    }
    std::cout << (tls ? "https://" : "http://") << urlHost(options.host) << ':' << server.port()
              << '\n';
    if (!fingerprint.empty())
        std::cout << "SHA-256 fingerprint: " << fingerprint << '\n';
    std::cout << std::flush;

    std::atomic<bool> serving{true};
    std::thread waiter([&] {
        int received = 0;
        sigwait(&stopSignals, &received);
        // A signal that comes before the accept loop runs would make stop() a no-op.
        while (serving && !server.isRunning())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        server.stop();
    });
    const bool served = server.run();
    serving = false;
    pthread_kill(waiter.native_handle(), SIGTERM); // wakes the waiter when serving ended by itself
    waiter.join();
    return served ? 0 : 1;
}

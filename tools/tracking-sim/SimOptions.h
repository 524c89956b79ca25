#pragma once

#include <string>
#include <string_view>
#include <vector>

struct SimOptions
{
    std::string host = "127.0.0.1";
    int port = 80;
    int jobs = 0;
    int running = 0;
    int delayMs = 0;
    int alertEverySeconds = 10;
    int headDeadlineMs = 5000;
    // TLS: the certificate chain and key files, or a throwaway certificate made at start, and
    // the authority a client certificate must come from (asked for only when set).
    std::string tlsCertificate;
    std::string tlsKey;
    bool tlsSelfSigned = false;
    std::string tlsClientCa;
    bool chunked = false;
    bool quiet = false;
    bool help = false;
    bool version = false;

    bool tls() const { return tlsSelfSigned || !tlsCertificate.empty(); }
};

struct SimOptionsResult
{
    SimOptions options;
    std::string error; // empty when the arguments were understood
};

// Reads the arguments after the program name; "--name value" and "--name=value" both work.
SimOptionsResult parseSimOptions(const std::vector<std::string_view> &args);

std::string simUsage();

#include "SimOptions.h"

#include <charconv>
#include <optional>

namespace {

std::optional<int> wholeNumber(std::string_view text, int lowest, int highest)
{
    int value = 0;
    const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (problem != std::errc() || end != text.data() + text.size() || value < lowest
        || value > highest)
        return std::nullopt;
    return value;
}

struct NumberOption
{
    std::string_view name;
    int SimOptions::*field;
    int lowest;
    int highest;
};

constexpr NumberOption kNumberOptions[] = {
    {"--port", &SimOptions::port, 0, 65535},
    {"--jobs", &SimOptions::jobs, 0, 1000000},
    {"--running", &SimOptions::running, 0, 1000},
    {"--delay-ms", &SimOptions::delayMs, 0, 600000},
    {"--alert-every", &SimOptions::alertEverySeconds, 1, 86400},
    {"--head-deadline-ms", &SimOptions::headDeadlineMs, 1, 600000},
};

struct TextOption
{
    std::string_view name;
    std::string SimOptions::*field;
    const char *what;
};

constexpr TextOption kTextOptions[] = {
    {"--host", &SimOptions::host, "an address"},
    {"--tls-cert", &SimOptions::tlsCertificate, "a PEM certificate file"},
    {"--tls-key", &SimOptions::tlsKey, "a PEM key file"},
    {"--tls-client-ca", &SimOptions::tlsClientCa, "a PEM CA file"},
};

std::optional<TextOption> textOption(std::string_view name)
{
    for (const TextOption &option : kTextOptions) {
        if (option.name == name)
            return option;
    }
    return std::nullopt;
}

// The TLS options that only make sense together.
std::string tlsMismatch(const SimOptions &options)
{
    if (options.tlsSelfSigned && !(options.tlsCertificate.empty() && options.tlsKey.empty()))
        return "--tls-self-signed takes the place of --tls-cert and --tls-key";
    if (options.tlsCertificate.empty() != options.tlsKey.empty())
        return "--tls-cert and --tls-key go together";
    if (!options.tlsClientCa.empty() && !options.tls())
        return "--tls-client-ca needs --tls-cert and --tls-key, or --tls-self-signed";
    return {};
}

} // namespace

SimOptionsResult parseSimOptions(const std::vector<std::string_view> &args)
{
    SimOptionsResult result;
    SimOptions &options = result.options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view name = args[i];
        std::optional<std::string_view> value;
        if (const auto equals = name.find('='); name.starts_with("--") && equals != name.npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
        }
        const auto takeValue = [&]() -> std::optional<std::string_view> {
            if (value)
                return value;
            if (i + 1 < args.size())
                return args[++i];
            return std::nullopt;
        };

        if (name == "--help" || name == "-h") {
            options.help = true;
        } else if (name == "--version") {
            options.version = true;
        } else if (name == "--chunked" || name == "--quiet") {
            if (value) {
                result.error = std::string(name) + " takes no value";
                return result;
            }
            (name == "--chunked" ? options.chunked : options.quiet) = true;
        } else if (name == "--tls-self-signed") {
            if (value) {
                result.error = std::string(name) + " takes no value";
                return result;
            }
            options.tlsSelfSigned = true;
        } else if (const auto text = textOption(name)) {
            const auto given = takeValue();
            if (!given || given->empty()) {
                result.error = std::string(name) + " needs " + text->what;
                return result;
            }
            options.*text->field = std::string(*given);
        } else {
            bool known = false;
            for (const NumberOption &option : kNumberOptions) {
                if (name != option.name)
                    continue;
                known = true;
                const auto text = takeValue();
                const auto number = text ? wholeNumber(*text, option.lowest, option.highest)
                                         : std::nullopt;
                if (!number) {
                    result.error = std::string(name) + " needs a whole number from "
                        + std::to_string(option.lowest) + " to " + std::to_string(option.highest)
                        + (text ? ", not '" + std::string(*text) + "'" : std::string());
                    return result;
                }
                options.*option.field = *number;
            }
            if (!known) {
                result.error =
                    (name.starts_with("-") ? "unknown option '" : "unexpected argument '")
                    + std::string(args[i]) + "'";
                return result;
            }
        }
    }
    result.error = tlsMismatch(options);
    return result;
}

std::string simUsage()
{
    return "Usage: tracking-sim [OPTION]...\n"
           "Serves the Video Compare Tracking API from memory, for rehearsals and tests.\n"
           "\n"
           "  --host ADDRESS     address to listen on (default 127.0.0.1, loopback only)\n"
           "  --port PORT        port to listen on, 0 for any free port (default 80)\n"
           "  --jobs N           start with N finished sample jobs, SIM-000001 up (default 0)\n"
           "  --running N        start with N running jobs, SIM-R00001 up, that raise an alert\n"
           "                     every --alert-every seconds for a day (default 0)\n"
           "  --delay-ms MS      hold every answer MS milliseconds before sending it\n"
           "  --chunked          send bodies with chunked transfer coding, not Content-Length\n"
           "  --alert-every S    a running job raises a new alert every S seconds (default 10)\n"
           "  --head-deadline-ms MS\n"
           "                     a request head not whole MS milliseconds after its first byte\n"
           "                     is answered 408 and its connection closed (default 5000)\n"
           "  --tls-cert FILE    serve HTTPS with this PEM certificate (chain after it)\n"
           "  --tls-key FILE     and this PEM private key\n"
           "  --tls-self-signed  serve HTTPS with a throwaway certificate for 127.0.0.1 and\n"
           "                     localhost, made at start; its SHA-256 fingerprint is printed\n"
           "  --tls-client-ca FILE\n"
           "                     ask for a client certificate issued by a CA in this PEM file\n"
           "  --quiet            print only the address line, no access log\n"
           "  --help             show this help and exit\n"
           "  --version          show the version and exit\n"
           "\n"
           "The first line on standard output is the address served, for example\n"
           "http://127.0.0.1:8080 (https:// with TLS; with --tls-self-signed the next line is\n"
           "\"SHA-256 fingerprint: AB:CD:...\"); then one line per request: method, target,\n"
           "status, bytes.\n"
           "Times in answers are this machine's local time, written as the client writes them:\n"
           "2027-03-01T09:32:00-0500 behind UTC, 2027-03-01T09:32:00 0100 at or ahead of it.\n"
           "Exit status: 0 after SIGINT or SIGTERM, 1 when the address cannot be bound,\n"
           "2 for bad options.\n";
}

#include "CreateRequestValidation.h"

#include <nlohmann/json.hpp>

namespace {

using Json = nlohmann::ordered_json;

constexpr std::string_view kTimeExample = "2027-03-01T09:32:00-0500";

// Each reader returns the problem with one member, or an empty text when the member is usable.

std::string readText(const Json &object, const char *key, const std::string &name,
                     std::string &value)
{
    const auto member = object.find(key);
    if (member == object.end())
        return name + " is missing";
    if (!member->is_string())
        return name + " must be a string";
    value = member->get<std::string>();
    // Only spaces is as good as nothing: the client trims spaces before it compares ids.
    if (value.find_first_not_of(' ') == std::string::npos)
        return name + " must not be empty";
    return {};
}

std::string readPort(const Json &object, const char *key, const std::string &name, int &port)
{
    const auto member = object.find(key);
    if (member == object.end())
        return name + " is missing";
    const bool whole = member->is_number_integer();
    const auto number = whole ? member->get<std::int64_t>() : 0;
    if (!whole || number < 1 || number > 65535)
        return name + " must be a whole number from 1 to 65535";
    port = static_cast<int>(number);
    return {};
}

std::string readTime(const Json &object, const char *key, std::string &text, UnixSeconds &instant)
{
    std::string problem = readText(object, key, key, text);
    if (!problem.empty())
        return problem;
    const auto parsed = parseApiTime(text);
    if (!parsed)
        return std::string(key) + " is not a time like \"" + std::string(kTimeExample) + "\"";
    instant = *parsed;
    return {};
}

std::string readStream(const Json &stream, const std::string &prefix, JobStream &out)
{
    if (!stream.is_object())
        return "channelGroup must hold two stream objects";
    const auto name = [&prefix](const char *key) { return prefix + key; };
    std::string problem = readText(stream, "primaryUdpMulticastIpAddress",
                                   name("primaryUdpMulticastIpAddress"),
                                   out.primaryUdpMulticastIpAddress);
    if (problem.empty())
        problem = readPort(stream, "primaryUdpPort", name("primaryUdpPort"), out.primaryUdpPort);
    if (problem.empty())
        problem = readText(stream, "backupUdpMulticastIpAddress",
                           name("backupUdpMulticastIpAddress"), out.backupUdpMulticastIpAddress);
    if (problem.empty())
        problem = readPort(stream, "backupUdpPort", name("backupUdpPort"), out.backupUdpPort);
    if (problem.empty())
        problem = readText(stream, "channelName", name("channelName"), out.channelName);
    return problem;
}

std::string readJob(const Json &body, Job &job)
{
    if (!body.is_object())
        return "the body must be a JSON object";
    std::string problem = readText(body, "externalId", "externalId", job.externalId);
    if (problem.empty())
        problem = readTime(body, "startTrackingUtc", job.startTrackingUtc, job.start);
    if (problem.empty())
        problem = readTime(body, "endTrackingUtc", job.endTrackingUtc, job.end);
    if (problem.empty() && job.end <= job.start)
        problem = "endTrackingUtc must be later than startTrackingUtc";
    if (problem.empty())
        problem = readText(body, "programName", "programName", job.programName);
    if (!problem.empty())
        return problem;

    const auto streams = body.find("channelGroup");
    if (streams == body.end() || !streams->is_array() || streams->size() != 2)
        return "channelGroup must hold two stream objects";
    for (std::size_t i = 0; i < 2 && problem.empty(); ++i)
        problem = readStream((*streams)[i], "channelGroup[" + std::to_string(i) + "].",
                             job.channelGroup[i]);
    if (!problem.empty())
        return problem;

    const auto thresholds = body.find("defaultThresholdInfos");
    if (thresholds == body.end() || !thresholds->is_object())
        return "defaultThresholdInfos must be an object";
    problem = readText(*thresholds, "thresholdKey1", "defaultThresholdInfos.thresholdKey1",
                       job.thresholdKey1);
    if (problem.empty())
        problem = readText(*thresholds, "thresholdKey2", "defaultThresholdInfos.thresholdKey2",
                           job.thresholdKey2);
    return problem;
}

} // namespace

bool jobFromCreateRequest(std::string_view body, Job &job, std::string &error)
{
    Json parsed;
    try {
        parsed = Json::parse(body);
    } catch (const Json::parse_error &e) {
        // Drop the library's "[json.exception.parse_error.101] " tag; keep where and why.
        const std::string_view what = e.what();
        const auto tagEnd = what.find("] ");
        error = "the body is not valid JSON: "
            + std::string(tagEnd == std::string_view::npos ? what : what.substr(tagEnd + 2));
        return false;
    }
    error = readJob(parsed, job);
    return error.empty();
}

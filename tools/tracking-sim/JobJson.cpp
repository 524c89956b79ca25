#include "JobJson.h"

namespace {

using Json = nlohmann::ordered_json;

std::string pretty(const Json &value)
{
    // Replacing instead of throwing keeps rendering total; parsed input is valid UTF-8 anyway.
    return value.dump(4, ' ', false, Json::error_handler_t::replace);
}

Json streamToJson(const JobStream &stream)
{
    Json json = Json::object();
    json["primaryUdpMulticastIpAddress"] = stream.primaryUdpMulticastIpAddress;
    json["primaryUdpPort"] = stream.primaryUdpPort;
    json["backupUdpMulticastIpAddress"] = stream.backupUdpMulticastIpAddress;
    json["backupUdpPort"] = stream.backupUdpPort;
    json["channelName"] = stream.channelName;
    return json;
}

} // namespace

nlohmann::ordered_json jobToJson(const Job &job)
{
    Json json = Json::object();
    json["externalId"] = job.externalId;
    json["latestAlertStatus"] = job.latestAlertStatus;
    json["latestAlertTime"] = formatApiTime(job.latestAlertTime);
    json["programName"] = job.programName;
    json["startTrackingUtc"] = job.startTrackingUtc;
    json["endTrackingUtc"] = job.endTrackingUtc;
    Json streams = Json::array();
    for (const JobStream &stream : job.channelGroup)
        streams.push_back(streamToJson(stream));
    json["channelGroup"] = std::move(streams);
    Json thresholds = Json::object();
    thresholds["thresholdKey1"] = job.thresholdKey1;
    thresholds["thresholdKey2"] = job.thresholdKey2;
    json["defaultThresholdInfos"] = std::move(thresholds);
    return json;
}

std::string renderJob(const Job &job)
{
    return pretty(jobToJson(job));
}

void appendIndented(std::string &out, std::string_view rendered)
{
    constexpr std::string_view indent = "    ";
    out += indent;
    std::size_t from = 0;
    for (std::size_t at = rendered.find('\n'); at != std::string_view::npos;
         at = rendered.find('\n', from)) {
        out += rendered.substr(from, at + 1 - from);
        out += indent;
        from = at + 1;
    }
    out += rendered.substr(from);
}

std::string renderError(std::string_view message)
{
    Json json = Json::object();
    json["error"] = message;
    return pretty(json);
}

std::string renderConfirmation(std::string_view externalId, std::string_view result)
{
    Json json = Json::object();
    json["externalId"] = externalId;
    json["result"] = result;
    return pretty(json);
}

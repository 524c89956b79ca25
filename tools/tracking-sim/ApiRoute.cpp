#include "ApiRoute.h"

#include <optional>

namespace {

constexpr std::string_view kCollection = "/api/videocompare/tracking";
constexpr std::string_view kStop = "/stopTracking";

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<std::string> percentDecode(std::string_view text)
{
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        const int high = hexValue(text[i + 1]);
        const int low = hexValue(text[i + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        decoded += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return decoded;
}

ApiRoute idRoute(ApiRoute::Kind kind, std::string_view segment)
{
    const auto id = percentDecode(segment);
    if (!id)
        return {ApiRoute::Kind::BadEncoding, {}};
    return {kind, *id};
}

} // namespace

ApiRoute routeFor(std::string_view target)
{
    std::string_view path = target.substr(0, target.find('?'));
    if (path == kCollection)
        return {ApiRoute::Kind::Collection, {}};
    if (!path.starts_with(kCollection) || path.size() <= kCollection.size() + 1
        || path[kCollection.size()] != '/')
        return {};
    path.remove_prefix(kCollection.size() + 1);
    const auto slash = path.find('/');
    if (slash == std::string_view::npos)
        return idRoute(ApiRoute::Kind::Job, path);
    if (slash > 0 && path.substr(slash) == kStop)
        return idRoute(ApiRoute::Kind::StopTracking, path.substr(0, slash));
    return {};
}

std::string jobPath(std::string_view externalId)
{
    constexpr char kHex[] = "0123456789ABCDEF";
    std::string path(kCollection);
    path += '/';
    for (const char c : externalId) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z')
            || (byte >= '0' && byte <= '9') || c == '-' || c == '.' || c == '_' || c == '~') {
            path += c;
        } else {
            path += '%';
            path += kHex[byte >> 4];
            path += kHex[byte & 15];
        }
    }
    return path;
}

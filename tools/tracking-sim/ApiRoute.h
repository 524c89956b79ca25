#pragma once

#include <string>
#include <string_view>

// Where a request target points within the API.
struct ApiRoute
{
    enum class Kind {
        Collection,   // /api/videocompare/tracking
        Job,          // /api/videocompare/tracking/{externalId}
        StopTracking, // /api/videocompare/tracking/{externalId}/stopTracking
        BadEncoding,  // the id segment holds a broken %-escape
        Unknown,
    };
    Kind kind = Kind::Unknown;
    std::string externalId; // percent-decoded
};

// Splits the raw target before decoding, so an id holding an encoded "/" stays one id.
// A query string is ignored.
ApiRoute routeFor(std::string_view target);

// The path of one job, its id percent-encoded so that routeFor() reads it back as one segment.
std::string jobPath(std::string_view externalId);

#pragma once

#include "Job.h"

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

// A job as every answer shows it: status members first, so a client that scans for them
// finds them before the nested stream objects.
nlohmann::ordered_json jobToJson(const Job &job);

// Pretty-printed with 4-space indentation, the same text the job has inside the list.
std::string renderJob(const Job &job);

// Shifts a rendered value one level deeper, as it stands inside a pretty-printed array.
// Rendered strings never hold a raw line break, so every line break starts a new line.
void appendIndented(std::string &out, std::string_view rendered);

// {"error": message}, pretty-printed like everything else.
std::string renderError(std::string_view message);

// {"externalId": id, "result": result}.
std::string renderConfirmation(std::string_view externalId, std::string_view result);

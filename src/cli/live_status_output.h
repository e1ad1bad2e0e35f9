#pragma once

#include <string>

#include "engine/live_status.h"

namespace orvane {

class JsonWriter;

// The status's JSON fields, written into an object the caller opened.
void WriteLiveStatusFields(const LiveStatus& status, JsonWriter& json);

// Texts for people: "-" where nothing is known yet.
std::string SatellitesText(const LiveStatus& status);
std::string OffsetText(const LiveStatus& status);
std::string AccuracyText(const LiveStatus& status);
std::string PllReferenceText(const LiveStatus& status);

}  // namespace orvane

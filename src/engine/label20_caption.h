#pragma once

#include <optional>
#include <string>

#include "engine/ubx_parser.h"

namespace orvane {

// The diagnostic `Label20` caption for a few RXM and MON messages: length and first bytes, hex
// digits upper case without leading zeros. nullopt leaves the caption as it is (another message,
// or one too short for the bytes it prints).
std::optional<std::string> Label20Caption(const UbxFrame& frame);

}  // namespace orvane

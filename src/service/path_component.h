#pragma once

#include <string>
#include <string_view>

namespace orvane {

// A serial as one component of a file path: it comes from the device, so anything but letters,
// digits, '-' and '_' becomes '_' ("../x" cannot climb out of a folder).
std::string PathComponentOf(std::string_view serial);

}  // namespace orvane

#include "service/path_component.h"

namespace orvane {

std::string PathComponentOf(std::string_view serial) {
  std::string safe(serial);
  for (char& c : safe) {
    const bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                         (c >= '0' && c <= '9') || c == '-' || c == '_';
    if (!allowed) c = '_';
  }
  return safe;
}

}  // namespace orvane

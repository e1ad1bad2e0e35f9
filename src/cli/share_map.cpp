#include "cli/share_map.h"

#include <sstream>

namespace orvane {

std::map<std::string, std::string> ReadShareMap(std::istream& lines) {
  std::map<std::string, std::string> addresses;
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::string serial, address, extra;
    if (words >> serial >> address && !(words >> extra)) addresses[serial] = address;
  }
  return addresses;
}

}  // namespace orvane

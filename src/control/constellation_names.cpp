#include "control/constellation_names.h"

#include <algorithm>
#include <cctype>
#include <iterator>

namespace orvane {

std::optional<std::uint8_t> ConstellationMaskFromList(std::string_view list, std::string* unknown) {
  std::string lower(list);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (lower == "none") return std::uint8_t{0};
  std::uint8_t mask = 0;
  std::size_t start = 0;
  while (start <= lower.size()) {
    const std::size_t comma = std::min(lower.find(',', start), lower.size());
    const std::string name = lower.substr(start, comma - start);
    const auto* found = std::find(std::begin(kConstellationNames), std::end(kConstellationNames),
                                  std::string_view(name));
    if (found == std::end(kConstellationNames)) {
      *unknown = name;
      return std::nullopt;
    }
    mask |= static_cast<std::uint8_t>(1u << (found - std::begin(kConstellationNames)));
    start = comma + 1;
  }
  return mask;
}

std::vector<std::string> ConstellationNamesOf(std::uint8_t mask) {
  std::vector<std::string> names;
  for (std::size_t bit = 0; bit < std::size(kConstellationNames); ++bit) {
    if (mask & (1u << bit)) names.emplace_back(kConstellationNames[bit]);
  }
  return names;
}

std::string AcceptedConstellationsText() {
  std::string text;
  for (const char* name : kConstellationNames)
    text += (text.empty() ? "" : ", ") + std::string(name);
  return text + " (comma-separated), or none";
}

}  // namespace orvane

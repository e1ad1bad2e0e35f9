#include "device/hid/report_framing.h"

#include <algorithm>

namespace orvane {

std::vector<std::uint8_t> FrameInputReport(std::span<const std::uint8_t> received, bool numbered) {
  std::vector<std::uint8_t> report;
  report.reserve(received.size() + 1);
  if (!numbered) report.push_back(0);
  report.insert(report.end(), received.begin(), received.end());
  return report;
}

bool FinishFeatureReply(int result, std::span<std::uint8_t> report) {
  if (result < 2) return false;
  const std::size_t received = std::min(static_cast<std::size_t>(result), report.size());
  std::fill(report.begin() + static_cast<std::ptrdiff_t>(received), report.end(), 0);
  return true;
}

std::optional<std::wstring> DeviceString(int result, const wchar_t* text) {
  if (result != 0 || text == nullptr || text[0] == L'\0') return std::nullopt;
  return std::wstring(text);
}

}  // namespace orvane

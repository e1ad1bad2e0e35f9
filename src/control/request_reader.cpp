#include "control/request_reader.h"

namespace orvane {

void RequestReader::Append(std::string_view bytes) {
  pending_.erase(0, start_);
  start_ = 0;
  pending_.append(bytes);
}

std::optional<RequestReader::Line> RequestReader::Next() {
  while (true) {
    const std::size_t end = pending_.find('\n', start_);
    if (skipping_) {
      if (end == std::string::npos) {
        pending_.clear();
        start_ = 0;
        return std::nullopt;
      }
      start_ = end + 1;
      skipping_ = false;
      continue;
    }
    if (end == std::string::npos) {
      if (Pending() <= max_line_) return std::nullopt;
      pending_.clear();
      start_ = 0;
      skipping_ = true;
      return Line{"", true};
    }
    const std::size_t length = end - start_;
    Line line{pending_.substr(start_, length), length > max_line_};
    start_ = end + 1;
    if (line.too_long) {
      line.text.clear();
    } else if (!line.text.empty() && line.text.back() == '\r') {
      line.text.pop_back();
    }
    return line;
  }
}

}  // namespace orvane

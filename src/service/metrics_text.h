#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace orvane {

// The Prometheus text exposition format, one family at a time: its HELP and TYPE lines, then its
// samples. Label values may hold anything a device reports; they are escaped here.
class MetricsText {
 public:
  enum class Type { kGauge, kCounter };
  using Labels = std::initializer_list<std::pair<std::string_view, std::string_view>>;

  void Family(std::string_view name, Type type, std::string_view help);
  // A sample of the family opened last (`name` is that family's).
  void Sample(std::string_view name, Labels labels, double value);

  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

}  // namespace orvane

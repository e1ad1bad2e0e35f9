#include "service/metrics_text.h"

#include <charconv>
#include <cmath>

namespace orvane {
namespace {

void AppendEscaped(std::string& out, std::string_view text, bool quotes) {
  for (const char c : text) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '"' && quotes) {
      out += "\\\"";
    } else {
      out += c;
    }
  }
}

void AppendNumber(std::string& out, double value) {
  if (std::isnan(value)) {
    out += "NaN";
  } else if (std::isinf(value)) {
    out += value > 0 ? "+Inf" : "-Inf";
  } else {
    char digits[32];
    // Shortest text that reads back as the same double: counters stay whole numbers.
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
  }
}

}  // namespace

void MetricsText::Family(std::string_view name, Type type, std::string_view help) {
  text_ += "# HELP ";
  text_ += name;
  text_ += ' ';
  AppendEscaped(text_, help, false);
  text_ += "\n# TYPE ";
  text_ += name;
  text_ += type == Type::kCounter ? " counter\n" : " gauge\n";
}

void MetricsText::Sample(std::string_view name, Labels labels, double value) {
  text_ += name;
  char separator = '{';
  for (const auto& [label, label_value] : labels) {
    text_ += separator;
    text_ += label;
    text_ += "=\"";
    AppendEscaped(text_, label_value, true);
    text_ += '"';
    separator = ',';
  }
  if (separator == ',') text_ += '}';
  text_ += ' ';
  AppendNumber(text_, value);
  text_ += '\n';
}

}  // namespace orvane

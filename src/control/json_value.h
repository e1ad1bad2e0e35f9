#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvane {

struct JsonValue;
using JsonArray = std::vector<JsonValue>;
// Members in the order they came; a repeated key is refused by the reader.
using JsonObject = std::vector<std::pair<std::string, JsonValue>>;

// The member named key, or null when there is none.
const JsonValue* FindMember(const JsonObject& object, std::string_view key);

// One JSON value as read from a control line. (Not a std::variant: its alternatives would
// hold this type before it is complete.)
struct JsonValue {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };

  Kind kind = Kind::kNull;
  bool boolean = false;
  double number = 0;
  // The exact value of a whole-number literal that fits: a double keeps only 53 bits, and
  // nanoseconds since 1970 need 61.
  std::optional<std::int64_t> whole;
  std::string text;
  JsonArray items;
  JsonObject members;

  bool IsNull() const { return kind == Kind::kNull; }
  const bool* AsBool() const { return kind == Kind::kBool ? &boolean : nullptr; }
  const double* AsNumber() const { return kind == Kind::kNumber ? &number : nullptr; }
  const std::int64_t* AsWhole() const { return whole ? &*whole : nullptr; }
  const std::string* AsString() const { return kind == Kind::kString ? &text : nullptr; }
  const JsonArray* AsArray() const { return kind == Kind::kArray ? &items : nullptr; }
  const JsonObject* AsObject() const { return kind == Kind::kObject ? &members : nullptr; }
  // The member named key of an object, or null when there is none.
  const JsonValue* Find(std::string_view key) const;

  bool operator==(const JsonValue&) const = default;
};

// The member `key` of an object as a whole number of type T, exact where the text wrote it as
// one; nullopt when it is missing, not whole or out of T's range.
template <typename T>
std::optional<T> WholeMember(const JsonValue& object, std::string_view key) {
  const JsonValue* member = object.Find(key);
  if (const std::int64_t* whole = member ? member->AsWhole() : nullptr) {
    if (!std::in_range<T>(*whole)) return std::nullopt;
    return static_cast<T>(*whole);
  }
  const double* number = member ? member->AsNumber() : nullptr;
  if (number == nullptr || std::trunc(*number) != *number ||
      *number < static_cast<double>(std::numeric_limits<T>::lowest()) ||
      *number >= std::ldexp(1.0, std::numeric_limits<T>::digits)) {
    return std::nullopt;
  }
  return static_cast<T>(*number);
}

// Containers nested deeper than this are refused, so that no input can exhaust the stack.
inline constexpr int kMaxJsonDepth = 16;

struct JsonParseResult {
  std::optional<JsonValue> value;
  std::string error;  // why there is no value
};

// Reads one whole JSON text (RFC 8259; surrounding white space allowed). Strings must be UTF-8;
// \u escapes become UTF-8, a lone surrogate is refused.
JsonParseResult ParseJson(std::string_view text);

}  // namespace orvane

#pragma once

#include <cstdint>
#include <ostream>
#include <string_view>
#include <vector>

namespace orvane {

// Writes one compact JSON document to a stream, commas and escaping included. The caller keeps
// the nesting right: every Begin has its End, and inside objects every value follows a Key.
class JsonWriter {
 public:
  explicit JsonWriter(std::ostream& out) : out_(out) {}

  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  JsonWriter& Key(std::string_view key);

  JsonWriter& String(std::string_view text);
  // Non-finite numbers, which JSON cannot hold, are written as null.
  JsonWriter& Number(double value);
  JsonWriter& Integer(std::int64_t value);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();

 private:
  void BeforeValue();
  void Open(char bracket);
  void Close(char bracket);

  std::ostream& out_;
  std::vector<bool> first_;  // per open container: nothing written in it yet
  bool after_key_ = false;
};

}  // namespace orvane

#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "control/json_value.h"
#include "control/json_writer.h"

namespace orvane {

// orvaned's control protocol: JSON lines over a Unix stream socket, one request object per line
// and one reply object per line, in order. A client says hello first:
//   {"id":1,"op":"hello","version":1}
//   {"id":1,"ok":true,"version":1,"writable":false}
// Requests name an operation of the engine, the clock by "serial" where one is meant, and the
// operation's arguments as members of the same object; never report bytes.
inline constexpr int kControlProtocolVersion = 1;

enum class ArgKind { kInteger, kNumber, kBool, kString, kStringList };

struct ArgSpec {
  std::string_view name;
  ArgKind kind;
  bool required;
};

struct OperationSpec {
  std::string_view name;
  bool changes;  // changes a clock: refused on the read-only socket
  bool needs_clock;
  std::span<const ArgSpec> args;
};

// Every operation the service answers, hello first.
std::span<const OperationSpec> ControlOperations();
const OperationSpec* FindOperation(std::string_view name);

// Reply error codes, stable for scripts.
namespace control_error {
inline constexpr std::string_view kMalformed = "malformed";
inline constexpr std::string_view kTooLong = "too-long";
inline constexpr std::string_view kUnknownOperation = "unknown-operation";
inline constexpr std::string_view kBadArgument = "bad-argument";
inline constexpr std::string_view kVersion = "version";
inline constexpr std::string_view kReadOnly = "read-only";
}  // namespace control_error

struct ControlError {
  std::string code;
  std::string message;
};

// A request whose operation is known and whose arguments have the kinds the operation takes.
struct ControlRequest {
  std::optional<std::int64_t> id;
  const OperationSpec* operation = nullptr;
  std::optional<std::string> serial;
  JsonObject args;  // only the operation's own arguments

  std::optional<std::int64_t> Integer(std::string_view name) const;
  std::optional<double> Number(std::string_view name) const;
  std::optional<bool> Bool(std::string_view name) const;
  std::optional<std::string> String(std::string_view name) const;
  std::optional<std::vector<std::string>> StringList(std::string_view name) const;
};

struct RequestParse {
  std::optional<ControlRequest> request;
  std::optional<std::int64_t> id;  // the line's id where it had one, for the error reply
  ControlError error;
};

// Reads one request line (without its newline). Anything off (not JSON, not an object, an
// unknown operation or member, a member of the wrong kind) gives an error and no request.
RequestParse ParseControlRequest(std::string_view line);

// The line a client sends for a request, newline included.
std::string ControlRequestLine(const ControlRequest& request);

// A success reply being written: {"id":..,"ok":true then the caller's members; Line() closes it.
class ControlReply {
 public:
  explicit ControlReply(const ControlRequest& request);
  JsonWriter& json() { return json_; }
  // The reply line, newline included.
  std::string Line();

 private:
  std::ostringstream out_;
  JsonWriter json_{out_};
};

// An error reply line, newline included.
std::string ControlErrorLine(std::optional<std::int64_t> id, const ControlError& error);

}  // namespace orvane

#include "control/control_protocol.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <sstream>

#include "control/json_writer.h"

namespace orvane {
namespace {

// Whole numbers a double holds exactly.
constexpr double kLargestWhole = 9007199254740992.0;  // 2^53

constexpr std::array kHelloArgs{ArgSpec{"version", ArgKind::kInteger, true}};
constexpr std::array kPlanArgs{
    ArgSpec{"hz", ArgKind::kNumber, true},      ArgSpec{"all", ArgKind::kBool, false},
    ArgSpec{"limit", ArgKind::kInteger, false}, ArgSpec{"vco", ArgKind::kInteger, false},
    ArgSpec{"n2hs", ArgKind::kInteger, false},  ArgSpec{"n2ls", ArgKind::kInteger, false},
    ArgSpec{"bw", ArgKind::kInteger, false}};
constexpr std::array kSetFrequencyArgs{
    ArgSpec{"hz", ArgKind::kNumber, true}, ArgSpec{"vco", ArgKind::kInteger, false},
    ArgSpec{"n2hs", ArgKind::kInteger, false}, ArgSpec{"n2ls", ArgKind::kInteger, false},
    ArgSpec{"bw", ArgKind::kInteger, false}};
constexpr std::array kProgramArgs{
    ArgSpec{"gps", ArgKind::kInteger, true},   ArgSpec{"n31", ArgKind::kInteger, true},
    ArgSpec{"n2hs", ArgKind::kInteger, true},  ArgSpec{"n2ls", ArgKind::kInteger, true},
    ArgSpec{"n1hs", ArgKind::kInteger, true},  ArgSpec{"nc1ls", ArgKind::kInteger, true},
    ArgSpec{"nc2ls", ArgKind::kInteger, true}, ArgSpec{"bw", ArgKind::kInteger, false}};
constexpr std::array kOutputArgs{ArgSpec{"on", ArgKind::kBool, true}};
constexpr std::array kDriveArgs{ArgSpec{"ma", ArgKind::kInteger, true}};
constexpr std::array kConstellationArgs{ArgSpec{"names", ArgKind::kStringList, true}};
constexpr std::array kCorrectionArgs{ArgSpec{"ppb", ArgKind::kNumber, false}};
constexpr std::array kSerialArgs{ArgSpec{"new_serial", ArgKind::kString, true}};
constexpr std::array kFactoryDefaultsArgs{ArgSpec{"serial_for_unset", ArgKind::kString, false}};
constexpr std::array kRegisterArgs{ArgSpec{"reg", ArgKind::kInteger, true},
                                   ArgSpec{"data", ArgKind::kInteger, true}};
constexpr std::array kMessagesArgs{ArgSpec{"on", ArgKind::kBool, true}};

// name, changes, needs a clock, arguments. "messages" and "subscribe" only take or give back
// the client's own lease on the receiver's messages, which the service keeps on while it serves.
constexpr std::array kOperations{
    OperationSpec{"hello", false, false, kHelloArgs},
    OperationSpec{"list", false, false, {}},
    OperationSpec{"show", false, true, {}},
    OperationSpec{"readback", false, true, {}},
    OperationSpec{"status", false, true, {}},
    OperationSpec{"plan", false, false, kPlanArgs},
    OperationSpec{"messages", false, true, kMessagesArgs},
    OperationSpec{"subscribe", false, true, {}},
    OperationSpec{"unsubscribe", false, true, {}},
    OperationSpec{"set-frequency", true, true, kSetFrequencyArgs},
    OperationSpec{"program", true, true, kProgramArgs},
    OperationSpec{"output", true, true, kOutputArgs},
    OperationSpec{"drive", true, true, kDriveArgs},
    OperationSpec{"blink", true, true, {}},
    OperationSpec{"constellations", true, true, kConstellationArgs},
    OperationSpec{"correction", true, true, kCorrectionArgs},
    OperationSpec{"serial", true, true, kSerialArgs},
    OperationSpec{"sleep", true, true, {}},
    OperationSpec{"factory-defaults", true, true, kFactoryDefaultsArgs},
    OperationSpec{"register", true, true, kRegisterArgs},
};

bool IsWhole(double value) {
  return std::trunc(value) == value && std::fabs(value) <= kLargestWhole;
}

bool HasKind(const JsonValue& value, ArgKind kind) {
  switch (kind) {
    case ArgKind::kInteger:
      return value.AsNumber() != nullptr && IsWhole(*value.AsNumber());
    case ArgKind::kNumber:
      return value.AsNumber() != nullptr;
    case ArgKind::kBool:
      return value.AsBool() != nullptr;
    case ArgKind::kString:
      return value.AsString() != nullptr;
    case ArgKind::kStringList: {
      const JsonArray* items = value.AsArray();
      return items != nullptr && std::all_of(items->begin(), items->end(), [](const auto& item) {
               return item.AsString() != nullptr;
             });
    }
  }
  return false;
}

std::string_view KindName(ArgKind kind) {
  switch (kind) {
    case ArgKind::kInteger:
      return "a whole number";
    case ArgKind::kNumber:
      return "a number";
    case ArgKind::kBool:
      return "true or false";
    case ArgKind::kString:
      return "a string";
    case ArgKind::kStringList:
      return "a list of strings";
  }
  return "";
}

RequestParse Refuse(std::optional<std::int64_t> id, std::string_view code, std::string message) {
  return {std::nullopt, id, {std::string(code), std::move(message)}};
}

void WriteValue(JsonWriter& json, const JsonValue& value) {
  if (value.IsNull()) {
    json.Null();
  } else if (const bool* flag = value.AsBool()) {
    json.Bool(*flag);
  } else if (const double* number = value.AsNumber()) {
    if (IsWhole(*number)) {
      json.Integer(static_cast<std::int64_t>(*number));
    } else {
      json.Number(*number);
    }
  } else if (const std::string* text = value.AsString()) {
    json.String(*text);
  } else if (const JsonArray* items = value.AsArray()) {
    json.BeginArray();
    for (const JsonValue& item : *items) WriteValue(json, item);
    json.EndArray();
  } else if (const JsonObject* members = value.AsObject()) {
    json.BeginObject();
    for (const auto& [name, member] : *members) WriteValue(json.Key(name), member);
    json.EndObject();
  }
}

}  // namespace

std::span<const OperationSpec> ControlOperations() { return kOperations; }

const OperationSpec* FindOperation(std::string_view name) {
  for (const OperationSpec& operation : kOperations) {
    if (operation.name == name) return &operation;
  }
  return nullptr;
}

std::optional<std::int64_t> ControlRequest::Integer(std::string_view name) const {
  const JsonValue* value = FindMember(args, name);
  if (value == nullptr || value->AsNumber() == nullptr || !IsWhole(*value->AsNumber())) return {};
  return static_cast<std::int64_t>(*value->AsNumber());
}

std::optional<double> ControlRequest::Number(std::string_view name) const {
  const JsonValue* value = FindMember(args, name);
  if (value == nullptr || value->AsNumber() == nullptr) return {};
  return *value->AsNumber();
}

std::optional<bool> ControlRequest::Bool(std::string_view name) const {
  const JsonValue* value = FindMember(args, name);
  if (value == nullptr || value->AsBool() == nullptr) return {};
  return *value->AsBool();
}

std::optional<std::string> ControlRequest::String(std::string_view name) const {
  const JsonValue* value = FindMember(args, name);
  if (value == nullptr || value->AsString() == nullptr) return {};
  return *value->AsString();
}

std::optional<std::vector<std::string>> ControlRequest::StringList(std::string_view name) const {
  const JsonValue* value = FindMember(args, name);
  if (value == nullptr || value->AsArray() == nullptr) return {};
  std::vector<std::string> texts;
  for (const JsonValue& item : *value->AsArray()) {
    if (item.AsString() == nullptr) return {};
    texts.push_back(*item.AsString());
  }
  return texts;
}

RequestParse ParseControlRequest(std::string_view line) {
  JsonParseResult parsed = ParseJson(line);
  if (!parsed.value) return Refuse(std::nullopt, control_error::kMalformed, parsed.error);
  const JsonObject* members = parsed.value->AsObject();
  if (members == nullptr) {
    return Refuse(std::nullopt, control_error::kMalformed, "a request is one JSON object");
  }

  std::optional<std::int64_t> id;
  if (const JsonValue* id_value = parsed.value->Find("id")) {
    if (id_value->AsNumber() == nullptr || !IsWhole(*id_value->AsNumber())) {
      return Refuse(std::nullopt, control_error::kMalformed, "\"id\" must be a whole number");
    }
    id = static_cast<std::int64_t>(*id_value->AsNumber());
  }
  const JsonValue* op = parsed.value->Find("op");
  if (op == nullptr || op->AsString() == nullptr) {
    return Refuse(id, control_error::kMalformed, "\"op\" must name an operation");
  }
  const OperationSpec* operation = FindOperation(*op->AsString());
  if (operation == nullptr) {
    return Refuse(id, control_error::kUnknownOperation, "no operation \"" + *op->AsString() + "\"");
  }

  ControlRequest request{id, operation, std::nullopt, {}};
  for (const auto& member : *members) {
    // Named, not bound: clang 14 lets no lambda capture a structured binding.
    const std::string& name = member.first;
    const JsonValue& value = member.second;
    if (name == "id" || name == "op") continue;
    if (name == "serial") {
      if (!operation->needs_clock || value.AsString() == nullptr) {
        return Refuse(id, control_error::kBadArgument,
                      operation->needs_clock ? "\"serial\" must be a string"
                                             : std::string(operation->name) + " takes no serial");
      }
      request.serial = *value.AsString();
      continue;
    }
    const auto declared = std::find_if(operation->args.begin(), operation->args.end(),
                                       [&](const ArgSpec& arg) { return arg.name == name; });
    if (declared == operation->args.end()) {
      return Refuse(id, control_error::kBadArgument,
                    std::string(operation->name) + " takes no \"" + name + "\"");
    }
    if (!HasKind(value, declared->kind)) {
      return Refuse(id, control_error::kBadArgument,
                    "\"" + name + "\" must be " + std::string(KindName(declared->kind)));
    }
    request.args.emplace_back(name, value);
  }
  for (const ArgSpec& arg : operation->args) {
    if (arg.required && FindMember(request.args, arg.name) == nullptr) {
      return Refuse(id, control_error::kBadArgument,
                    std::string(operation->name) + " needs \"" + std::string(arg.name) + "\"");
    }
  }
  return {std::move(request), id, {}};
}

std::string ControlRequestLine(const ControlRequest& request) {
  std::ostringstream out;
  JsonWriter json(out);
  json.BeginObject();
  if (request.id) json.Key("id").Integer(*request.id);
  json.Key("op").String(request.operation->name);
  if (request.serial) json.Key("serial").String(*request.serial);
  for (const auto& [name, value] : request.args) WriteValue(json.Key(name), value);
  json.EndObject();
  out << '\n';
  return out.str();
}

ControlReply::ControlReply(const ControlRequest& request) {
  json_.BeginObject();
  if (request.id) json_.Key("id").Integer(*request.id);
  json_.Key("ok").Bool(true);
}

std::string ControlReply::Line() {
  json_.EndObject();
  out_ << '\n';
  return out_.str();
}

std::string ControlErrorLine(std::optional<std::int64_t> id, const ControlError& error) {
  std::ostringstream out;
  JsonWriter json(out);
  json.BeginObject();
  if (id) json.Key("id").Integer(*id);
  json.Key("ok").Bool(false);
  json.Key("error").String(error.code);
  json.Key("message").String(error.message);
  json.EndObject();
  out << '\n';
  return out.str();
}

}  // namespace orvane

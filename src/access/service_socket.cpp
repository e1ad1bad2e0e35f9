#include "access/service_socket.h"

#include <sys/stat.h>

namespace orvane {

std::string ControlSocketPath(const char* environment_path) {
  return environment_path && *environment_path ? environment_path : kDefaultControlSocket;
}

bool ControlSocketExists(const std::string& path) {
  struct stat status {};
  return (stat(path.c_str(), &status) == 0 && S_ISSOCK(status.st_mode)) ||
         (stat((path + ".ro").c_str(), &status) == 0 && S_ISSOCK(status.st_mode));
}

std::unique_ptr<ControlConnection> ConnectToService(const std::string& path, std::string* error) {
  bool denied = false;
  std::unique_ptr<ControlConnection> connection = ControlConnection::Open(path, error, &denied);
  if (connection || !denied) return connection;
  // Not in the group that may change clocks: the read-only socket still shows everything, and
  // a change asked there gets the service's refusal naming the group.
  std::string read_only_error;
  connection = ControlConnection::Open(path + ".ro", &read_only_error);
  if (!connection) *error += "; " + read_only_error;
  return connection;
}

bool ServesClock(ControlConnection& connection, const std::string& serial) {
  const std::optional<JsonValue> reply = connection.Ask("list", std::nullopt);
  const JsonValue* clocks = reply ? reply->Find("clocks") : nullptr;
  if (clocks == nullptr || clocks->AsArray() == nullptr) return false;
  for (const JsonValue& entry : *clocks->AsArray()) {
    const JsonValue* name = entry.Find("serial");
    const JsonValue* connected = entry.Find("connected");
    const bool serving = connected && connected->AsBool() && *connected->AsBool();
    if (serving && (serial.empty() || (name && name->AsString() && *name->AsString() == serial))) {
      return true;
    }
  }
  return false;
}

std::unique_ptr<ControlConnection> ChooseService(const std::string& named, bool direct,
                                                 bool simulated, const std::string& default_socket,
                                                 const std::string& serial, std::string* error) {
  if (!named.empty()) return ConnectToService(named, error);
  if (direct || simulated || !ControlSocketExists(default_socket)) return nullptr;
  std::string unreachable;
  std::unique_ptr<ControlConnection> connection = ConnectToService(default_socket, &unreachable);
  if (!connection || !ServesClock(*connection, serial)) return nullptr;
  return connection;
}

}  // namespace orvane

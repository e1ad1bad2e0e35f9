#pragma once

#include <memory>
#include <string>

#include "access/control_connection.h"

namespace orvane {

// Where orvaned's control socket is when nothing names another: systemd's RuntimeDirectory.
inline constexpr char kDefaultControlSocket[] = "/run/orvane/control";

// The socket a front end looks for by itself: `environment_path` ($ORVANE_CONTROL_SOCKET) where
// set, else the default.
std::string ControlSocketPath(const char* environment_path);

// Whether a socket file (PATH, or PATH.ro beside it) is there at all.
bool ControlSocketExists(const std::string& path);

// Connects to PATH where this user may, else to the read-only PATH.ro beside it; nullptr with
// the reason in `*error`.
std::unique_ptr<ControlConnection> ConnectToService(const std::string& path, std::string* error);

// Whether the service serves `serial` now (empty: any clock).
bool ServesClock(ControlConnection& connection, const std::string& serial);

// The front end's choice, made once at start: the socket `named` (--service) whatever it serves
// (nullptr with the reason in `*error` when it cannot be reached), else nullptr (no error) when
// the clock is opened here (`direct`, simulated clocks, or no service at `default_socket` that
// serves `serial`), else the connection to that service.
std::unique_ptr<ControlConnection> ChooseService(const std::string& named, bool direct,
                                                 bool simulated, const std::string& default_socket,
                                                 const std::string& serial, std::string* error);

}  // namespace orvane

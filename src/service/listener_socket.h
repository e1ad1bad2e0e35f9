#pragma once

#include <string>

#include "service/listen_address.h"

namespace orvane {

// A non-blocking TCP socket listening on `address` with SO_REUSEADDR only (a second service on
// the same port fails rather than sharing it), or -1 and `*error`. `*bound` gets the address
// actually bound (the port chosen when 0 was asked for).
int OpenListener(const ListenAddress& address, int backlog, ListenAddress* bound,
                 std::string* error);

}  // namespace orvane

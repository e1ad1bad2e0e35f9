#pragma once

#include <memory>

#include "sim/receiver_stream.h"

namespace orvane {

// The receiver a simulated device carries unless a test hands it another.
std::unique_ptr<ReceiverStream> MakeDefaultReceiver();

}  // namespace orvane

#pragma once

#include <istream>
#include <map>
#include <string>

namespace orvane {

// Where orvaned writes the addresses it shares each clock's UBX stream on (its runtime
// directory), one line per clock: "SERIAL ADDR:PORT".
inline constexpr char kShareMapPath[] = "/run/orvane/ubx-share";

// Serial number → address; lines that are not two words are skipped.
std::map<std::string, std::string> ReadShareMap(std::istream& lines);

}  // namespace orvane

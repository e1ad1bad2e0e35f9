#pragma once

#include <cstdint>

namespace orvane {

// Every UBX frame starts with these two characters.
inline constexpr std::uint8_t kUbxSync1 = 0xB5;
inline constexpr std::uint8_t kUbxSync2 = 0x62;

// Message classes.
inline constexpr std::uint8_t kUbxClassNav = 0x01;
inline constexpr std::uint8_t kUbxClassRxm = 0x02;
inline constexpr std::uint8_t kUbxClassCfg = 0x06;
inline constexpr std::uint8_t kUbxClassMon = 0x0A;

// Message ids within their class.
inline constexpr std::uint8_t kUbxIdNavPvt = 0x07;
inline constexpr std::uint8_t kUbxIdNavTimeUtc = 0x21;
inline constexpr std::uint8_t kUbxIdNavClock = 0x22;
inline constexpr std::uint8_t kUbxIdNavTimeLs = 0x26;
inline constexpr std::uint8_t kUbxIdNavSvInfo = 0x30;
inline constexpr std::uint8_t kUbxIdCfgMsg = 0x01;
// Shown raw in the diagnostic `Label20` caption.
inline constexpr std::uint8_t kUbxIdRxm52 = 0x52;
inline constexpr std::uint8_t kUbxIdMon11 = 0x11;
inline constexpr std::uint8_t kUbxIdMon1B = 0x1B;
inline constexpr std::uint8_t kUbxIdMon1E = 0x1E;

}  // namespace orvane

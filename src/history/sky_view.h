#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <vector>

#include "engine/ubx_messages.h"

namespace orvane {

// Where the receiver sees its satellites: the latest positions, each satellite's trail over the
// last hours, and the mean C/N0 per azimuth × elevation cell over the whole run, which shows what
// blocks the antenna's view.
class SkyView {
 public:
  static constexpr int kCellDegrees = 10;
  static constexpr int kAzimuthCells = 360 / kCellDegrees;
  static constexpr int kElevationCells = 90 / kCellDegrees;
  static constexpr std::int64_t kTrailMs = 6 * 3600 * 1000;

  struct Satellite {
    std::uint8_t svid = 0;
    std::int16_t azimuth = 0;   // degrees, 0 = north, clockwise
    std::int8_t elevation = 0;  // degrees above the horizon
    std::uint8_t cno = 0;       // dB-Hz, 0 while not tracked
    bool used = false;
  };
  struct TrailPoint {
    std::int64_t time_ms = 0;
    std::int16_t azimuth = 0;
    std::int8_t elevation = 0;
  };

  // One NAV-SVINFO received at `time_ms`. Satellites below the horizon or without a known
  // position are left out.
  void Take(const NavSvInfo& info, std::int64_t time_ms);

  const std::vector<Satellite>& satellites() const { return satellites_; }
  const std::map<std::uint8_t, std::deque<TrailPoint>>& trails() const { return trails_; }
  // Mean C/N0 of the cell holding (azimuth, elevation) cell indices; 0 when nothing was seen there.
  double CellMeanCno(int azimuth_cell, int elevation_cell) const;

 private:
  struct Cell {
    double sum = 0;
    std::uint32_t count = 0;
  };

  std::vector<Satellite> satellites_;
  std::map<std::uint8_t, std::deque<TrailPoint>> trails_;
  std::array<Cell, kAzimuthCells * kElevationCells> cells_{};
};

}  // namespace orvane

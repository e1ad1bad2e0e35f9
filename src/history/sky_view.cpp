#include "history/sky_view.h"

#include <algorithm>

namespace orvane {
namespace {

// NAV-SVINFO's "orbit information available" flag.
constexpr std::uint8_t kOrbitAvailable = 0x04;

}  // namespace

void SkyView::Take(const NavSvInfo& info, std::int64_t time_ms) {
  satellites_.clear();
  for (const SvInfoChannel& channel : info.Channels()) {
    const bool placed = channel.cno > 0 || (channel.flags & kOrbitAvailable);
    if (!placed || channel.elevation < 0 || channel.azimuth < 0 || channel.azimuth >= 360) continue;
    satellites_.push_back({.svid = channel.svid,
                           .azimuth = channel.azimuth,
                           .elevation = channel.elevation,
                           .cno = channel.cno,
                           .used = (channel.flags & kSvInfoUsedForNavigation) != 0});
    // A trail point only where the satellite moved: they cross the sky by degrees an hour.
    std::deque<TrailPoint>& trail = trails_[channel.svid];
    if (trail.empty() || trail.back().azimuth != channel.azimuth ||
        trail.back().elevation != channel.elevation)
      trail.push_back({time_ms, channel.azimuth, channel.elevation});
    if (channel.cno == 0) continue;
    const int azimuth_cell = channel.azimuth / kCellDegrees;
    const int elevation_cell = std::min(channel.elevation / kCellDegrees, kElevationCells - 1);
    Cell& cell = cells_[static_cast<std::size_t>(elevation_cell * kAzimuthCells + azimuth_cell)];
    cell.sum += channel.cno;
    ++cell.count;
  }
  for (auto it = trails_.begin(); it != trails_.end();) {
    std::deque<TrailPoint>& trail = it->second;
    while (!trail.empty() && trail.front().time_ms < time_ms - kTrailMs) trail.pop_front();
    it = trail.empty() ? trails_.erase(it) : std::next(it);
  }
}

double SkyView::CellMeanCno(int azimuth_cell, int elevation_cell) const {
  const Cell& cell =
      cells_[static_cast<std::size_t>(elevation_cell * kAzimuthCells + azimuth_cell)];
  return cell.count == 0 ? 0.0 : cell.sum / cell.count;
}

}  // namespace orvane

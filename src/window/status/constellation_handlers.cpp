#include "window/status/constellation_handlers.h"

#include <utility>

namespace orvane {

ConstellationHandlers::ConstellationHandlers(Controls controls, ClockAccess& access,
                                             ControlEvents& events)
    : ui_(controls), access_(access) {
  using C = ConstellationHandlers;
  const std::pair<QCheckBox*, void (C::*)()> wiring[] = {
      {ui_.GNSS_GPS, &C::GNSS_GPS_Click},         {ui_.GNSS_SBAS, &C::GNSS_SBAS_Click},
      {ui_.GNSS_Galileo, &C::GNSS_Galileo_Click}, {ui_.GNSS_BeiDou, &C::GNSS_BeiDou_Click},
      {ui_.GNSS_IMES, &C::GNSS_IMES_Click},       {ui_.GNSS_QZSS, &C::GNSS_QZSS_Click},
      {ui_.GNSS_Glonass, &C::GNSS_Glonass_Click}};
  for (const auto& [box, handler] : wiring) {
    events.OnCheckClick(box, [this, handler] { (this->*handler)(); });
  }
}

void ConstellationHandlers::SetConstellations() {
  // In bit order; a greyed box counts as unchecked.
  const QCheckBox* const boxes[] = {ui_.GNSS_GPS,  ui_.GNSS_SBAS, ui_.GNSS_Galileo, ui_.GNSS_BeiDou,
                                    ui_.GNSS_IMES, ui_.GNSS_QZSS, ui_.GNSS_Glonass};
  std::uint8_t mask = 0;
  for (std::size_t bit = 0; bit < std::size(boxes); ++bit) {
    if (boxes[bit]->checkState() == Qt::Checked) mask |= static_cast<std::uint8_t>(1u << bit);
  }
  access_.SetConstellations(mask);
}

}  // namespace orvane

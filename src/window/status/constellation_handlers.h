#pragma once

#include <QCheckBox>

#include "access/clock_access.h"
#include "ui/control_events.h"

namespace orvane {

// The seven constellation boxes: any change sends the whole selection as one mask byte.
class ConstellationHandlers {
 public:
  struct Controls {
    QCheckBox* GNSS_GPS;
    QCheckBox* GNSS_SBAS;
    QCheckBox* GNSS_Galileo;
    QCheckBox* GNSS_BeiDou;
    QCheckBox* GNSS_IMES;
    QCheckBox* GNSS_QZSS;
    QCheckBox* GNSS_Glonass;
  };

  ConstellationHandlers(Controls controls, ClockAccess& access, ControlEvents& events);

  void GNSS_GPS_Click() { SetConstellations(); }
  void GNSS_SBAS_Click() { SetConstellations(); }
  void GNSS_Galileo_Click() { SetConstellations(); }
  void GNSS_BeiDou_Click() { SetConstellations(); }
  void GNSS_IMES_Click() { SetConstellations(); }
  void GNSS_QZSS_Click() { SetConstellations(); }
  void GNSS_Glonass_Click() { SetConstellations(); }

  // Sends the mask of the checked boxes, bit 0 GPS to bit 6 Glonass; the empty one too.
  void SetConstellations();

 private:
  Controls ui_;
  ClockAccess& access_;
};

}  // namespace orvane

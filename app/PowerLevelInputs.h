#pragma once

#include <bitset>

#include "protocol/SensorIndex.h"

// Which sensors had their voltage and their current read in this visit. The window's power
// level multiplies the last of each, a never-read one counting as 0; only a power level of two
// readings is a reading.
class PowerLevelInputs {
  public:
    void VoltageRead(SensorIndex sensor);
    void CurrentRead(SensorIndex sensor);
    bool BothRead(SensorIndex sensor) const;

  private:
    std::bitset<kSensorCount> voltage_;
    std::bitset<kSensorCount> current_;
};

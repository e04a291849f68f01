#include "protocol/SensorStatus.h"

bool SensorStatus::Holds(Condition condition, SensorIndex sensor) const {
    if (sensor < 0 || sensor >= kSensorCount) {
        return false;
    }
    return ((Byte(condition) >> sensor) & 1U) != 0;
}

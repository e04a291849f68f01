#include "app/PowerLevelInputs.h"

#include <cstddef>

void PowerLevelInputs::VoltageRead(SensorIndex sensor) {
    voltage_.set(static_cast<std::size_t>(sensor));
}

void PowerLevelInputs::CurrentRead(SensorIndex sensor) {
    current_.set(static_cast<std::size_t>(sensor));
}

bool PowerLevelInputs::BothRead(SensorIndex sensor) const {
    const auto index = static_cast<std::size_t>(sensor);
    return voltage_.test(index) && current_.test(index);
}

#include "dialogs/PowerLevelTable.h"

const std::array<PowerLevel, kPowerLevelCount>& PowerLevels() {
    static constexpr std::array<PowerLevel, kPowerLevelCount> levels{{
        {"1    mW (147Bh)", "147B"},
        {"2    mW (28F6h)", "28F6"},
        {"2.5 mW (3333h)", "3333"},
        {"4    mW (51ECh)", "51EC"},
        {"5    mW (6666h)", "6666"},
        {"6    mW (7ADBh)", "7ADB"},
        {"6.5 mW (851Bh)", "851B"},
        {"6.6 mW (872Ah)", "872A"},
    }};
    return levels;
}

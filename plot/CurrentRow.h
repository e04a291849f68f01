#pragma once

#include <array>

// One sample of the four dump columns: seconds since the dump began, currents in mA.
struct CurrentRow {
    static constexpr int kColumns = 4;

    double seconds = 0.0;
    std::array<double, kColumns> milliamps{};
};

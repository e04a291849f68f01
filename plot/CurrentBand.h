#pragma once

// What the window shows of one dump column's extremes: its "Max", its "Min" and whether its
// spread lamp is lit.
struct CurrentBand {
    double minimum = 0.0;
    double maximum = 0.0;
    bool overLimit = false;
};

// Renders the current plot after a short simulated dump (two minutes of reports from a card on
// COM2, one every 910 ms on a simulated clock) into a PNG file.
#include <QApplication>
#include <QPushButton>
#include <chrono>
#include <cmath>
#include <cstdio>

#include "ScreenshotSupport.h"
#include "app/MaintenanceDialog.h"
#include "plot/CurrentPlotFeed.h"
#include "plot/CurrentPlotWindow.h"
#include "protocol/InstrumentLink.h"
#include "tools/cardsim/CardSimulator.h"

namespace {

constexpr int kReports = 130;
constexpr auto kTick = std::chrono::milliseconds(910);

// Four sensors near 5 mA, with a little noise; sensor 2 drifts past the spread limit.
std::string Report(int i) {
    const double phase = i * 0.37;
    const int noise[4] = {static_cast<int>(12 * std::sin(phase)),
                          static_cast<int>(10 * std::sin(1.7 * phase + 1)),
                          static_cast<int>(9 * std::sin(1.3 * phase + 2)),
                          static_cast<int>(11 * std::sin(0.9 * phase + 3))};
    const int drift = i > 60 ? (i - 60) : 0;
    char text[32];
    std::snprintf(text, sizeof text, "%04X %04X %04X %04X\r\n", 0x4000 + noise[0],
                  0x40C0 + noise[1], 0x4180 + noise[2] + drift, 0x4240 + noise[3]);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    const char* const path = ScreenshotPath(argc, argv);
    if (path == nullptr) {
        return 2;
    }
    QApplication application(argc, argv);
    cardsim::CardOptions options;
    options.dumpInterval = std::chrono::hours(24);  // the reports below stand in for the card's
    cardsim::CardSimulator card(options);
    PrepareScreenshot(card);

    MaintenanceDialog window;
    auto now = std::chrono::steady_clock::now();
    window.PlotFeed().SetClock([&now] { return now; });
    if (!ShowConnected(window)) {
        return 1;
    }
    window.ControlAs<QPushButton>(MaintenanceDialog::IdStartStop)->click();
    if (!window.IsDumpRunning()) {
        std::fprintf(stderr, "the dump did not start\n");
        return 1;
    }
    window.OpenCurrentPlot();
    for (int i = 0; i < kReports; ++i) {
        now += kTick;
        window.Link()->OnReceive(Report(i));
        window.OnDumpTick();
    }
    window.CurrentPlot()->Refresh();
    QApplication::processEvents();
    return SaveScreenshot(*window.CurrentPlot(), path);
}

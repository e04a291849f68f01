#include "app/MaintenanceDialog.h"
#include "platform/ui/WindowPlacement.h"
#include "plot/CurrentPlotFeed.h"
#include "plot/CurrentPlotWindow.h"

void MaintenanceDialog::OpenCurrentPlot() {
    if (currentPlot_ == nullptr) {
        // A child window, so that the modal main window does not block it.
        currentPlot_ = new CurrentPlotWindow(plotFeed_->Store(), this);
        plotFeed_->SetChangeHandler([plot = currentPlot_] { plot->ScheduleRefresh(); });
        ui::ShowBeside(*currentPlot_, *this);
    }
    currentPlot_->show();
    currentPlot_->raise();
    currentPlot_->activateWindow();
}

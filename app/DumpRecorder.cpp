#include <QLabel>

#include "app/MaintenanceDialog.h"
#include "controls/StatusLamp.h"

namespace {

constexpr double kClearedMaximum = 0.0;
constexpr double kClearedMinimum = 999999.0;

}  // namespace

void MaintenanceDialog::RecordCurrentSample(std::string /*text*/) {}

void MaintenanceDialog::ResetCurrentExtremes() {
    for (int column = 0; column < kDumpColumnCount; ++column) {
        spreadLamps_[column]->SetLit(0);
        extremeLabels_[column]->setText(QString());
        extremeLabels_[column + kDumpColumnCount]->setText(QString());
        maximumCurrent_[column] = kClearedMaximum;
        minimumCurrent_[column] = kClearedMinimum;
    }
}

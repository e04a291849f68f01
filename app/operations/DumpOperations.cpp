#include "app/MaintenanceDialog.h"

void MaintenanceDialog::OnStartStop() {}

void MaintenanceDialog::OnLeftTube() {}

void MaintenanceDialog::OnRightTube() {}

void MaintenanceDialog::OnResetExtremes() {}

void MaintenanceDialog::OnBrowseDumpFile() {}

void MaintenanceDialog::OnDumpTick() {}

void MaintenanceDialog::StopDumpForTermination() {}

#include "app/MaintenanceDialog.h"

void MaintenanceDialog::OnQueryVoltage() {}

void MaintenanceDialog::OnQueryCurrent() {}

void MaintenanceDialog::OnQueryTripPoint() {}

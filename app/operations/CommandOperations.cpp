#include "app/MaintenanceDialog.h"

void MaintenanceDialog::OnGoOffline() {}

void MaintenanceDialog::OnGoOnline() {}

void MaintenanceDialog::OnSetPowerLevel() {}

void MaintenanceDialog::OnSetVoltage() {}

void MaintenanceDialog::OnSetTripPoint() {}

void MaintenanceDialog::OnAdjustTripPoint() {}

void MaintenanceDialog::OnSensorReports() {}

void MaintenanceDialog::OnTrainSensor() {}

void MaintenanceDialog::OnSaveTrainingData() {}

void MaintenanceDialog::OnRestoreTrainingData() {}

void MaintenanceDialog::OnSensorTimingTest() {}

void MaintenanceDialog::OnTrainingTick() {}

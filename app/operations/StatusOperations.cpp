#include "app/MaintenanceDialog.h"

void MaintenanceDialog::OnUpdateStatus() {}

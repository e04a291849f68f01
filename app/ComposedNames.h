#pragma once

#include <QString>
#include <vector>

class MaintenanceDialog;

// Names the main window's fields that no label right before them names, from the labels a
// sighted user reads: a status cell by its row and its sensor's column ("Enabled 7"), a query
// field by its row and column ("Voltage Response", "Voltage Sensor #"), an extreme by its row
// and dump column ("Max 0"), the dump file name by its check box and its "..." button by what
// it does, and the spread lamps by their dump column. Runs once the status cells exist.
void NameUnlabelledControls(MaintenanceDialog& window);

// The status grid's row headings ("Enabled" to "Covered") and column headings ("7" to "0"), as
// the window shows them.
std::vector<QString> StatusRowHeadings(const MaintenanceDialog& window);
std::vector<QString> StatusColumnHeadings(const MaintenanceDialog& window);

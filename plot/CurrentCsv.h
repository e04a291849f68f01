#pragma once

#include <string>

class CurrentDumpStore;

// The dump's rows as comma-separated values: a header row naming the columns, then per row
// the time in seconds and the four currents in mA, in the C number format whatever the
// locale, each line ended by CR LF.
std::string CurrentCsvText(const CurrentDumpStore& store);

// Writes CurrentCsvText to the file, replacing it; false when it cannot be written whole.
bool SaveCurrentCsv(const CurrentDumpStore& store, const std::string& path);

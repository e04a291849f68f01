#pragma once

#include <string>

// The probe's commands. Each prints its findings on stdout, one "KEY value..." line each,
// and returns the process's exit status. port: "COM1" to "COM4", mapped to a device the
// usual way (MERROWBY_COM1 and so on).

// Applies each settings string read from stdin (one a line) through the port manager and
// prints what the driver then holds: "SETTING <text> configured=0|1 stored=<text> speed=...".
int ApplyEachSetting(const std::string& port);
// Watches RTS while the port stays idle for 300 ms, then while five voltage queries go out
// and their answers come back, and for 300 ms after: prints "RTS ..." counts.
int WatchRts(const std::string& port);
// Takes the card offline, reads one sensor's voltage, prints "VOLTAGE <reply>", and lets the
// link put the card back online.
int QueryVoltage(const std::string& port, int sensor);
// Takes the card offline and runs a left-tube dump until SIGTERM or SIGINT, then stops it the
// way the window does and puts the card back online. Prints "DUMP RUNNING", a "SAMPLE" line
// for the first samples, and "DUMP STOPPED samples=N".
int RunDump(const std::string& port);

#pragma once

// The exit statuses of the subcommands.
namespace cli {

enum ExitStatus : int {
    kInOrder = 0,   // the card read and every sensor in order; a report written
    kFailed = 1,    // anything else: a bad command line, a file, an interruption, a card not
                    // confirmed back online, a result that could not be written
    kNoCard = 2,    // "No available serial ports." or "No Sensor Card was found."
    kFindings = 3,  // the card read, with findings
    // No port could be opened: access to a device was refused (the group dialout).
    kAccessRefused = 5,
    // No port could be opened: a device is held by another program (and none refused).
    kLineInUse = 6,
};

}  // namespace cli

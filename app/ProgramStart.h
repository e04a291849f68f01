#pragma once

#include <memory>
#include <optional>

#include "app/CommandLine.h"
#include "trace/ProtocolTrace.h"

// Gives the process's port mapping its device folder (MERROWBY_DEVICE_ROOT, else /dev), the
// folder it reads sys/ and proc/ from (MERROWBY_SYSTEM_ROOT, else /), the saved settings and
// the command line's choices.
void ConfigurePortMapping(const CommandLine& commandLine);

// Numbers are shown and read the C way whatever the user's locale (called once QApplication
// has taken the environment's).
void UseCNumberFormat();

// Answers what needs no window (help, version, the port list, a bad command line) on the
// standard streams and returns the exit status; nothing when the window is to run.
std::optional<int> RunWithoutWindow(const CommandLine& commandLine);

// The trace for the program's run: to the command line's file, else MERROWBY_TRACE's, else
// into the trace window's history only; it starts with the port mapping. A file that cannot
// be opened is reported once on the standard error.
std::unique_ptr<trace::ProtocolTrace> StartTrace(const CommandLine& commandLine);

#pragma once

#include <string>

// The descriptor this process holds open on the device at path (symbolic links followed),
// found through /proc/self/fd; -1 when there is none. Lets the probe look at a line that a
// port of its own holds exclusively.
int OwnDescriptor(const std::string& path);

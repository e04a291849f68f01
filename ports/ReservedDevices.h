#pragma once

#include <sys/types.h>

#include <set>
#include <string>
#include <vector>

#include "platform/DeviceProbe.h"

// The devices the default port list leaves alone: the system console, every terminal a
// process has as its controlling terminal (a login, a getty), and the devices already
// chosen explicitly for a port name. Read once, at construction, from <systemRoot>.
class ReservedDevices {
  public:
    ReservedDevices(const std::string& systemRoot, const std::vector<std::string>& chosenPaths);

    bool Contains(const std::string& path) const;

  private:
    std::set<std::string> consoleNames_;
    std::set<dev_t> heldNumbers_;
    std::vector<platform::DeviceIdentity> chosen_;
};

#include "WindowBench.h"

#include <cstdlib>

void PointCom1Only(const std::string& device) {
    ::setenv("MERROWBY_COM1", device.c_str(), 1);
    for (int n = 2; n <= 4; ++n) {
        ::setenv(("MERROWBY_COM" + std::to_string(n)).c_str(), "/nonexistent/merrowby", 1);
    }
}

#include "ports/PortManager.h"
#include "ports/PortManagerImpl.h"

extern "C" PortManager* GetPortManager() {
    static PortManagerImpl manager;
    return &manager;
}

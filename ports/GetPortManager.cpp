#include "ports/PortManager.h"
#include "ports/PortManagerImpl.h"

PortManagerImpl& ProcessPortManager() {
    static PortManagerImpl manager;
    return manager;
}

extern "C" PortManager* GetPortManager() {
    return &ProcessPortManager();
}

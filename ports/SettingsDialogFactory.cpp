#include "ports/SettingsDialogFactory.h"

#include <atomic>

namespace {

std::atomic<SettingsDialogFactory> installedFactory{nullptr};

}  // namespace

void SetSettingsDialogFactory(SettingsDialogFactory factory) {
    installedFactory.store(factory);
}

SettingsDialogFactory CurrentSettingsDialogFactory() {
    return installedFactory.load();
}

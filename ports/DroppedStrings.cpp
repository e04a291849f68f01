#include "ports/DroppedStrings.h"

DroppedStrings::DroppedStrings() {
    AddPortTap(this);
}

DroppedStrings::~DroppedStrings() {
    RemovePortTap(this);
}

std::uint64_t DroppedStrings::Count(const std::string& portName) const {
    const std::lock_guard guard(mutex_);
    const auto found = counts_.find(portName);
    return found == counts_.end() ? 0 : found->second;
}

void DroppedStrings::Written(const std::string&, const std::string&) {}

void DroppedStrings::Received(const std::string&, const std::string&) {}

void DroppedStrings::Dropped(const std::string& portName, const std::string&) {
    const std::lock_guard guard(mutex_);
    ++counts_[portName];
}

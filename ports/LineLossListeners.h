#pragma once

#include <shared_mutex>
#include <string>
#include <vector>

#include "ports/LineLoss.h"

// The listeners a port manager hands its ports' line losses on to, any number of them.
// Removing one waits for calls in progress on it, so that it may be destroyed afterwards.
class LineLossListeners : public LineLossListener {
  public:
    LineLossListeners() = default;
    LineLossListeners(const LineLossListeners&) = delete;
    LineLossListeners& operator=(const LineLossListeners&) = delete;
    ~LineLossListeners() = default;

    // A listener added twice is told once.
    void Add(LineLossListener* listener);
    void Remove(LineLossListener* listener);
    void LineLost(const std::string& portName, const std::string& devicePath) override;

  private:
    std::shared_mutex lock_;
    std::vector<LineLossListener*> listeners_;
};

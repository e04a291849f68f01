#pragma once

#include <chrono>
#include <functional>
#include <utility>

#include "plot/CurrentDumpStore.h"
#include "plot/DumpObserver.h"

// Collects what the dump recorder records into a CurrentDumpStore, each sample stamped with
// the time since the extremes were last cleared, and tells its change handler after each
// change. Collects whether or not a plot is shown, so that a plot opened late shows the
// whole dump.
class CurrentPlotFeed : public DumpObserver {
  public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    CurrentPlotFeed();

    void OnSampleRecorded(const Currents& milliamps, const Bands& bands) override;
    void OnExtremesReset() override;
    void OnHeadingsChanged(const Headings& headings) override;

    const CurrentDumpStore& Store() const { return store_; }
    void SetChangeHandler(std::function<void()> handler) { changed_ = std::move(handler); }
    // Replaces the steady clock; the next reset takes its time from it.
    void SetClock(Clock clock) { clock_ = std::move(clock); }

  private:
    void NotifyChanged() const;

    CurrentDumpStore store_;
    Clock clock_;
    std::chrono::steady_clock::time_point start_;
    std::function<void()> changed_;
};

#pragma once

#include <array>
#include <string>

#include "plot/CurrentBand.h"
#include "plot/CurrentRow.h"

// Told by the dump recorder what it records, with the values it shows.
class DumpObserver {
  public:
    using Currents = std::array<double, CurrentRow::kColumns>;
    using Bands = std::array<CurrentBand, CurrentRow::kColumns>;
    using Headings = std::array<std::string, CurrentRow::kColumns>;

    virtual ~DumpObserver() = default;

    // One sample as it went into the list, and each column's extremes and lamp after it.
    virtual void OnSampleRecorded(const Currents& milliamps, const Bands& bands) = 0;
    // The extremes were cleared: what follows is a new dump.
    virtual void OnExtremesReset() = 0;
    virtual void OnHeadingsChanged(const Headings& headings) = 0;
};

#include "plot/CurrentPlotFeed.h"

CurrentPlotFeed::CurrentPlotFeed()
    : clock_([] { return std::chrono::steady_clock::now(); }), start_(clock_()) {}

void CurrentPlotFeed::OnSampleRecorded(const Currents& milliamps, const Bands& bands) {
    const std::chrono::duration<double> elapsed = clock_() - start_;
    store_.Append(CurrentRow{elapsed.count(), milliamps});
    store_.SetBands(bands);
    NotifyChanged();
}

void CurrentPlotFeed::OnExtremesReset() {
    store_.Clear();
    start_ = clock_();
    NotifyChanged();
}

void CurrentPlotFeed::OnHeadingsChanged(const Headings& headings) {
    store_.SetHeadings(headings);
    NotifyChanged();
}

void CurrentPlotFeed::NotifyChanged() const {
    if (changed_) {
        changed_();
    }
}

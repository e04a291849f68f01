#pragma once

#include <QImage>
#include <QSize>

#include "report/ServiceReport.h"

// A dump's plot as the "Sensor Current Plot" window draws it, rendered from the recorded
// samples whether or not the window was ever open.
class DumpPicture {
  public:
    static constexpr int kWidth = 720;
    static constexpr int kHeight = 400;

    static QImage Render(const ServiceReport::Dump& dump, const QSize& size = {kWidth, kHeight});
};

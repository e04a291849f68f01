#pragma once

#include <QString>
#include <QWidget>
#include <array>

#include "plot/CurrentDumpStore.h"

class CurrentChartView;
class QAreaSeries;
class QChart;
class QLineSeries;
class QPushButton;
class QTimer;
class QValueAxis;

// "Sensor Current Plot": the dump's four currents against the time since it began, each
// column's Max to Min band shaded (in the lamp's colour once its spread is over the limit).
// Follows the newest sample until zoomed or panned; "Follow" or Home returns to following.
// Redraws at most once per refresh period however fast the samples come.
class CurrentPlotWindow : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kRefreshPeriodMs = 200;

    CurrentPlotWindow(const CurrentDumpStore& store, QWidget* parent);

    // The store has changed: redraw soon, once for however many changes come meanwhile.
    void ScheduleRefresh();
    void Refresh();
    void Follow();
    bool IsFollowing() const;
    // A path ending in ".csv" gets the samples as CSV, any other the plot as PNG.
    bool SaveTo(const QString& path);

    QChart* Chart() const { return chart_; }
    CurrentChartView* ChartView() const { return chartView_; }
    QLineSeries* Line(int column) const { return lines_.at(column); }
    QAreaSeries* Band(int column) const { return bands_.at(column); }
    QPushButton* FollowButton() const { return followButton_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void DescribeForScreenReaders();
    void BuildChart();
    void BuildControls();
    void StopFollowing();
    void UpdateLines();
    void UpdateBands(double endSeconds);
    void ApplyFollowRanges(double endSeconds);
    void OnSaveAs();

    const CurrentDumpStore& store_;
    QChart* chart_ = nullptr;
    CurrentChartView* chartView_ = nullptr;
    QValueAxis* timeAxis_ = nullptr;
    QValueAxis* currentAxis_ = nullptr;
    std::array<QLineSeries*, CurrentDumpStore::kColumns> lines_{};
    std::array<QAreaSeries*, CurrentDumpStore::kColumns> bands_{};
    QPushButton* followButton_ = nullptr;
    QTimer* refreshTimer_ = nullptr;
};

#include "plot/CurrentPlotWindow.h"

#include <QAction>
#include <QAreaSeries>
#include <QChart>
#include <QFile>
#include <QHBoxLayout>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "controls/StatusLamp.h"
#include "platform/ui/EnterPresses.h"
#include "platform/ui/EscapeCloses.h"
#include "platform/ui/Feedback.h"
#include "platform/ui/SaveAsChooser.h"
#include "plot/CurrentChartView.h"
#include "plot/CurrentCsv.h"
#include "plot/CurrentPlotText.h"

namespace {

// One colour per column, kept for the whole dump; red stays the lamp's.
constexpr std::array<QRgb, CurrentDumpStore::kColumns> kLineColours = {0xFF0072B2, 0xFF009E73,
                                                                       0xFFE69F00, 0xFFCC79A7};
constexpr int kBandAlpha = 48;
constexpr int kOverLimitBandAlpha = 96;
constexpr double kShortestTimeSpan = 10.0;     // s shown before the dump is this long
constexpr double kSmallestCurrentSpan = 0.02;  // mA
constexpr double kFullScale = 20.0;            // mA, shown before the first sample
constexpr double kCurrentMarginShare = 0.1;

constexpr double kTimeTicks = 8;  // at most about as many labelled times

// 1, 2 or 5 times a power of ten, the nearest at or above the step.
double NiceStep(double step) {
    const double magnitude = std::pow(10.0, std::floor(std::log10(step)));
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (factor * magnitude >= step) {
            return factor * magnitude;
        }
    }
    return 10.0 * magnitude;
}

QColor BandColour(int column, bool overLimit) {
    QColor colour = QColor::fromRgba(overLimit ? StatusLamp::kLitBody : kLineColours[column]);
    colour.setAlpha(overLimit ? kOverLimitBandAlpha : kBandAlpha);
    return colour;
}

}  // namespace

CurrentPlotWindow::CurrentPlotWindow(const CurrentDumpStore& store, QWidget* parent)
    : QWidget(parent, Qt::Window), store_(store) {
    setWindowTitle(QStringLiteral("Sensor Current Plot"));
    BuildChart();
    BuildControls();
    refreshTimer_ = new QTimer(this);
    refreshTimer_->setSingleShot(true);
    refreshTimer_->setInterval(kRefreshPeriodMs);
    connect(refreshTimer_, &QTimer::timeout, this, &CurrentPlotWindow::Refresh);
    resize(720, 440);
    ui::CloseOnEscape(*this);
    ui::PressFocusedButtonOnEnter(*this);
}

void CurrentPlotWindow::BuildChart() {
    chart_ = new QChart();
    chart_->legend()->setAlignment(Qt::AlignBottom);
    timeAxis_ = new QValueAxis(chart_);
    timeAxis_->setTitleText(QStringLiteral("Time (s)"));
    timeAxis_->setLabelFormat(QStringLiteral("%.0f"));
    // The newest sample stays at the right edge; the labels keep round numbers.
    timeAxis_->setTickType(QValueAxis::TicksDynamic);
    timeAxis_->setTickAnchor(0.0);
    currentAxis_ = new QValueAxis(chart_);
    currentAxis_->setTitleText(QStringLiteral("Current (mA)"));
    currentAxis_->setLabelFormat(QStringLiteral("%.3f"));
    chart_->addAxis(timeAxis_, Qt::AlignBottom);
    chart_->addAxis(currentAxis_, Qt::AlignLeft);
    for (int c = 0; c < CurrentDumpStore::kColumns; ++c) {
        auto* band = new QAreaSeries(chart_);
        band->setUpperSeries(new QLineSeries(band));
        band->setLowerSeries(new QLineSeries(band));
        band->setPen(Qt::NoPen);
        band->setBrush(BandColour(c, false));
        chart_->addSeries(band);
        band->attachAxis(timeAxis_);
        band->attachAxis(currentAxis_);
        chart_->legend()->markers(band).constFirst()->setVisible(false);
        bands_[c] = band;
    }
    for (int c = 0; c < CurrentDumpStore::kColumns; ++c) {
        auto* line = new QLineSeries(chart_);
        line->setPen(QPen(QColor::fromRgba(kLineColours[c]), 1.5));
        chart_->addSeries(line);
        line->attachAxis(timeAxis_);
        line->attachAxis(currentAxis_);
        lines_[c] = line;
    }
    chartView_ = new CurrentChartView(chart_, this);
    chartView_->setAccessibleName(QStringLiteral("Sensor currents"));
    connect(chartView_, &CurrentChartView::ViewMovedByUser, this,
            &CurrentPlotWindow::StopFollowing);
}

void CurrentPlotWindow::BuildControls() {
    followButton_ = new QPushButton(QStringLiteral("Follow"), this);
    followButton_->setCheckable(true);
    followButton_->setChecked(true);
    connect(followButton_, &QPushButton::toggled, this, [this](bool following) {
        if (following) {
            Refresh();
        }
    });
    auto* saveAs = new QPushButton(QStringLiteral("Save As..."), this);
    connect(saveAs, &QPushButton::clicked, this, &CurrentPlotWindow::OnSaveAs);

    auto* home = new QAction(this);
    home->setShortcut(QKeySequence(Qt::Key_Home));
    home->setShortcutContext(Qt::WindowShortcut);
    connect(home, &QAction::triggered, this, &CurrentPlotWindow::Follow);
    addAction(home);

    auto* buttons = new QHBoxLayout();
    buttons->addWidget(followButton_);
    buttons->addStretch();
    buttons->addWidget(saveAs);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(chartView_, 1);
    layout->addLayout(buttons);
}

void CurrentPlotWindow::ScheduleRefresh() {
    // A hidden window catches up when it is shown.
    if (isVisible() && !refreshTimer_->isActive()) {
        refreshTimer_->start();
    }
}

void CurrentPlotWindow::Refresh() {
    refreshTimer_->stop();
    UpdateLines();
    const double endSeconds =
        lines_[0]->count() > 0 ? lines_[0]->at(lines_[0]->count() - 1).x() : 0.0;
    UpdateBands(endSeconds);
    if (IsFollowing()) {
        ApplyFollowRanges(endSeconds);
    }
    DescribeForScreenReaders();
}

// The chart's description reads out what it draws, and follows each refresh.
void CurrentPlotWindow::DescribeForScreenReaders() {
    std::array<std::optional<double>, CurrentDumpStore::kColumns> latest;
    for (int c = 0; c < CurrentDumpStore::kColumns; ++c) {
        if (lines_[c]->count() > 0) {
            latest[c] = lines_[c]->at(lines_[c]->count() - 1).y();
        }
    }
    chartView_->setAccessibleDescription(CurrentPlotText(store_, latest));
}

bool CurrentPlotWindow::IsFollowing() const {
    return followButton_->isChecked();
}

void CurrentPlotWindow::Follow() {
    if (IsFollowing()) {
        Refresh();
        return;
    }
    followButton_->setChecked(true);
}

void CurrentPlotWindow::StopFollowing() {
    followButton_->setChecked(false);
}

void CurrentPlotWindow::UpdateLines() {
    std::array<QList<QPointF>, CurrentDumpStore::kColumns> points;
    store_.ForEachRow([&points](const CurrentRow& row) {
        for (int c = 0; c < CurrentDumpStore::kColumns; ++c) {
            points[c].append(QPointF(row.seconds, row.milliamps[c]));
        }
    });
    for (int c = 0; c < CurrentDumpStore::kColumns; ++c) {
        lines_[c]->setName(QString::fromStdString(store_.ColumnHeadings()[c]));
        lines_[c]->replace(points[c]);
    }
}

void CurrentPlotWindow::UpdateBands(double endSeconds) {
    // Hiding the series would show their legend markers again: an empty band draws nothing.
    const bool any = store_.SampleCount() > 0;
    for (int c = 0; c < CurrentDumpStore::kColumns; ++c) {
        const CurrentBand& band = store_.ColumnBands()[c];
        QAreaSeries* area = bands_[c];
        area->setBrush(BandColour(c, band.overLimit));
        const QList<QPointF> upper{{0.0, band.maximum}, {endSeconds, band.maximum}};
        const QList<QPointF> lower{{0.0, band.minimum}, {endSeconds, band.minimum}};
        area->upperSeries()->replace(any ? upper : QList<QPointF>());
        area->lowerSeries()->replace(any ? lower : QList<QPointF>());
    }
}

void CurrentPlotWindow::ApplyFollowRanges(double endSeconds) {
    const double span = std::max(endSeconds, kShortestTimeSpan);
    timeAxis_->setRange(0.0, span);
    timeAxis_->setTickInterval(NiceStep(span / kTimeTicks));
    if (store_.SampleCount() == 0) {
        currentAxis_->setRange(0.0, kFullScale);
        currentAxis_->applyNiceNumbers();
        return;
    }
    double lowest = kFullScale;
    double highest = 0.0;
    for (const CurrentBand& band : store_.ColumnBands()) {
        lowest = std::min(lowest, band.minimum);
        highest = std::max(highest, band.maximum);
    }
    const double margin = std::max(highest - lowest, kSmallestCurrentSpan) * kCurrentMarginShare;
    currentAxis_->setRange(std::max(0.0, lowest - margin), highest + margin);
    currentAxis_->applyNiceNumbers();
}

bool CurrentPlotWindow::SaveTo(const QString& path) {
    if (path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive)) {
        return SaveCurrentCsv(store_, QFile::encodeName(path).toStdString());
    }
    Refresh();
    return chartView_->grab().save(path, "PNG");
}

void CurrentPlotWindow::OnSaveAs() {
    const QString path =
        ui::AskSavePath(this, {{QStringLiteral("PNG Image (*.png)"), QStringLiteral("png")},
                               {QStringLiteral("CSV Text (*.csv)"), QStringLiteral("csv")}});
    if (path.isEmpty()) {
        return;
    }
    if (!SaveTo(path)) {
        ui::Feedback::Current().Message(this, QStringLiteral("%1 could not be written.").arg(path));
    }
}

void CurrentPlotWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Refresh();
}

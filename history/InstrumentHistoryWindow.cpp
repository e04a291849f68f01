#include "history/InstrumentHistoryWindow.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QScatterSeries>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>
#include <array>

#include "history/DriftTrend.h"
#include "history/HistoryPlotText.h"
#include "history/HistorySource.h"
#include "report/ReportSettings.h"

namespace {

constexpr QSize kPreferredSize{900, 640};
constexpr QSize kFrameAllowance{16, 40};

constexpr std::array<AcceptanceLimits::Quantity, 4> kQuantities{
    AcceptanceLimits::Quantity::Volts, AcceptanceLimits::Quantity::Milliamps,
    AcceptanceLimits::Quantity::TripPointMilliamps, AcceptanceLimits::Quantity::PowerMilliwatts};

QString ConformityText(VisitSummary::Conformity conformity) {
    switch (conformity) {
        case VisitSummary::Conformity::InOrder:
            return QStringLiteral("In order");
        case VisitSummary::Conformity::Findings:
            return QStringLiteral("Findings");
        case VisitSummary::Conformity::NotRead:
            break;
    }
    return QStringLiteral("Not read");
}

QString InstrumentText(const HistoryIndex::Instrument& instrument) {
    const QString serial = instrument.serialNumber.isEmpty() ? QStringLiteral("not identified")
                                                             : instrument.serialNumber;
    return QStringLiteral("%1 (%2), %3 visits")
        .arg(serial,
             instrument.model.isEmpty() ? QStringLiteral("model not given") : instrument.model)
        .arg(instrument.visits);
}

QLineSeries* LimitLine(double value, const QDateTime& from, const QDateTime& to,
                       const QString& name) {
    auto* line = new QLineSeries();
    line->setName(name);
    line->append(static_cast<qreal>(from.toMSecsSinceEpoch()), value);
    line->append(static_cast<qreal>(to.toMSecsSinceEpoch()), value);
    QPen pen = line->pen();
    pen.setStyle(Qt::DashLine);
    line->setPen(pen);
    return line;
}

}  // namespace

InstrumentHistoryWindow::InstrumentHistoryWindow(const QString& recordsFolder, QWidget* parent)
    : QWidget(parent, Qt::Window), databasePath_(HistoryIndex::PathFor(recordsFolder)) {
    setWindowTitle(QStringLiteral("Instrument History"));
    if (const QString path = ReportSettings::AcceptanceLimitsPath(); !path.isEmpty()) {
        QString error;
        limits_ = AcceptanceLimits::Load(path, error);
    }
    source_ = new QLabel(this);
    source_->setWordWrap(true);
    source_->setObjectName(QStringLiteral("historySource"));
    auto* instrumentLabel = new QLabel(QStringLiteral("&Instrument:"), this);
    instrument_ = new QComboBox(this);
    instrumentLabel->setBuddy(instrument_);
    auto* visitsLabel = new QLabel(QStringLiteral("&Visits:"), this);
    table_ = new QTableWidget(0, 6, this);
    table_->setHorizontalHeaderLabels({QStringLiteral("Date"), QStringLiteral("Report number"),
                                       QStringLiteral("Technician"), QStringLiteral("Customer"),
                                       QStringLiteral("As left"), QStringLiteral("Findings")});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setTabKeyNavigation(false);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->verticalHeader()->hide();
    visitsLabel->setBuddy(table_);
    auto* quantityLabel = new QLabel(QStringLiteral("&Quantity:"), this);
    quantity_ = new QComboBox(this);
    for (AcceptanceLimits::Quantity quantity : kQuantities) {
        quantity_->addItem(history::QuantityName(quantity));
    }
    quantityLabel->setBuddy(quantity_);
    auto* sensorLabel = new QLabel(QStringLiteral("&Sensor:"), this);
    sensor_ = new QComboBox(this);
    for (int s = 0; s < VisitSummary::kSensorCount; ++s) {
        sensor_->addItem(QString::number(s));
    }
    sensorLabel->setBuddy(sensor_);
    chart_ = new QChart();
    chart_->legend()->setAlignment(Qt::AlignRight);
    plot_ = new QChartView(chart_, this);  // takes the chart
    plot_->setRenderHint(QPainter::Antialiasing);
    plot_->setMinimumHeight(160);
    plot_->setAccessibleName(QStringLiteral("Plot"));
    plotText_ = new QLabel(this);
    plotText_->setWordWrap(true);
    plotText_->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    plotText_->setFocusPolicy(Qt::StrongFocus);  // a stop for reading the plot's words

    auto* choice = new QHBoxLayout();
    choice->addWidget(instrumentLabel);
    choice->addWidget(instrument_, 1);
    auto* plotChoice = new QHBoxLayout();
    plotChoice->addWidget(quantityLabel);
    plotChoice->addWidget(quantity_);
    plotChoice->addWidget(sensorLabel);
    plotChoice->addWidget(sensor_);
    plotChoice->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(source_);
    layout->addLayout(choice);
    layout->addWidget(visitsLabel);
    layout->addWidget(table_, 1);
    layout->addLayout(plotChoice);
    layout->addWidget(plot_, 2);
    layout->addWidget(plotText_);

    connect(instrument_, &QComboBox::currentIndexChanged, this,
            &InstrumentHistoryWindow::ShowVisits);
    connect(quantity_, &QComboBox::currentIndexChanged, this, &InstrumentHistoryWindow::ShowPlot);
    connect(sensor_, &QComboBox::currentIndexChanged, this, &InstrumentHistoryWindow::ShowPlot);
    Load();
    FitScreen();
}

void InstrumentHistoryWindow::Load() {
    QString note;
    index_ = HistorySource::Open(databasePath_, note);
    source_->setText(note);
    source_->setVisible(!note.isEmpty());
    instruments_ =
        index_ != nullptr ? index_->Instruments() : std::vector<HistoryIndex::Instrument>{};
    const QSignalBlocker quiet(instrument_);
    instrument_->clear();
    for (const HistoryIndex::Instrument& instrument : instruments_) {
        instrument_->addItem(InstrumentText(instrument));
    }
    ShowVisits();
}

void InstrumentHistoryWindow::ShowInstrument(const QString& model, const QString& serialNumber) {
    for (std::size_t i = 0; i < instruments_.size(); ++i) {
        if (instruments_[i].model == model && instruments_[i].serialNumber == serialNumber) {
            instrument_->setCurrentIndex(static_cast<int>(i));
        }
    }
}

void InstrumentHistoryWindow::ShowVisits() {
    const int chosen = instrument_->currentIndex();
    visits_.clear();
    if (chosen >= 0 && chosen < static_cast<int>(instruments_.size()) && index_ != nullptr) {
        const HistoryIndex::Instrument& instrument = instruments_[static_cast<std::size_t>(chosen)];
        visits_ = index_->Visits(instrument.serialNumber, instrument.model);
    }
    table_->setRowCount(static_cast<int>(visits_.size()));
    for (int row = 0; row < static_cast<int>(visits_.size()); ++row) {
        const VisitSummary& visit = visits_[static_cast<std::size_t>(row)];
        const QStringList cells{visit.started.toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                                visit.reportNumber,
                                visit.technician,
                                visit.customer,
                                ConformityText(visit.conformity),
                                visit.findings.isEmpty() ? QStringLiteral("none")
                                                         : visit.findings.join(QLatin1Char(' '))};
        for (int column = 0; column < cells.size(); ++column) {
            table_->setItem(row, column, new QTableWidgetItem(cells[column]));
        }
    }
    table_->resizeColumnsToContents();
    ShowPlot();
}

std::optional<AcceptanceLimits::Range> InstrumentHistoryWindow::Limits(
    AcceptanceLimits::Quantity quantity) const {
    const AcceptanceLimits::ModelLimits* model =
        limits_ && !visits_.empty() ? limits_->ForModel(visits_.back().model) : nullptr;
    return model != nullptr ? (*model)[static_cast<std::size_t>(quantity)] : std::nullopt;
}

void InstrumentHistoryWindow::ShowPlot() {
    const AcceptanceLimits::Quantity quantity =
        kQuantities[static_cast<std::size_t>(std::max(0, quantity_->currentIndex()))];
    const int sensor = std::max(0, sensor_->currentIndex());
    chart_->removeAllSeries();
    for (QAbstractAxis* axis : chart_->axes()) {
        chart_->removeAxis(axis);
        delete axis;
    }
    const QString unit = history::UnitOf(quantity);
    auto* found = new QScatterSeries();
    found->setName(QStringLiteral("As found"));
    found->setMarkerShape(QScatterSeries::MarkerShapeCircle);
    found->setMarkerSize(10);
    auto* left = new QScatterSeries();
    left->setName(QStringLiteral("As left"));
    left->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
    left->setMarkerSize(8);
    std::vector<QAbstractSeries*> series{found, left};
    for (const VisitSummary& visit : visits_) {
        const auto x = static_cast<qreal>(visit.started.toMSecsSinceEpoch());
        const auto& s = static_cast<std::size_t>(sensor);
        if (const auto value = history::ValueOf(visit.asFound[s], quantity)) {
            found->append(x, *value);
        }
        if (const auto value = history::ValueOf(visit.asLeft[s], quantity)) {
            left->append(x, *value);
        }
    }
    const std::optional<AcceptanceLimits::Range> limits = Limits(quantity);
    if (limits && !visits_.empty()) {
        const QDateTime from = visits_.front().started;
        const QDateTime to = visits_.back().started;
        if (limits->min) {
            series.push_back(LimitLine(*limits->min, from, to, QStringLiteral("Minimum")));
        }
        if (limits->max) {
            series.push_back(LimitLine(*limits->max, from, to, QStringLiteral("Maximum")));
        }
    }
    auto* time = new QDateTimeAxis();
    time->setFormat(QStringLiteral("yyyy-MM-dd"));
    time->setTitleText(QStringLiteral("Visit"));
    auto* values = new QValueAxis();
    values->setTitleText(QStringLiteral("%1 (%2)").arg(history::QuantityName(quantity), unit));
    chart_->addAxis(time, Qt::AlignBottom);
    chart_->addAxis(values, Qt::AlignLeft);
    for (QAbstractSeries* one : series) {
        chart_->addSeries(one);
        one->attachAxis(time);
        one->attachAxis(values);
    }
    if (!visits_.empty()) {
        // A day either side, so that a single visit's points stand inside the axis.
        time->setRange(visits_.front().started.addDays(-1), visits_.back().started.addDays(1));
    }
    const QString text = history::PlotText(visits_, sensor, quantity, limits);
    plotText_->setText(text);
    plot_->setAccessibleDescription(text);
}

QString InstrumentHistoryWindow::PlotText() const {
    return plotText_->text();
}

void InstrumentHistoryWindow::FitScreen() {
    const QScreen* shown = screen();
    resize(shown == nullptr
               ? kPreferredSize
               : kPreferredSize.boundedTo(shown->availableGeometry().size() - kFrameAllowance));
}

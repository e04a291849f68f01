#pragma once

#include <QString>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

#include "history/HistoryIndex.h"
#include "record/AcceptanceLimits.h"

class QChart;
class QChartView;
class QComboBox;
class QLabel;
class QTableWidget;

// "Instrument History": the visits of one instrument as a table, and a plot of one quantity
// of one sensor across them (As found and As left marked apart, the limits drawn where they
// apply) with the plot's text beside it for a screen reader. Everything is chosen with the
// keyboard: the instrument, the quantity and the sensor are lists. The visits are the
// organisation's where its database is set, and this computer's, said above them, where it
// cannot be reached.
class InstrumentHistoryWindow : public QWidget {
    Q_OBJECT
  public:
    // The index of the records in `recordsFolder`, as it stands.
    InstrumentHistoryWindow(const QString& recordsFolder, QWidget* parent);

    // Shows the instrument of that model and serial number, where the index has it.
    void ShowInstrument(const QString& model, const QString& serialNumber);
    QString PlotText() const;

  private:
    void Load();
    void ShowVisits();
    void ShowPlot();
    void FitScreen();
    std::optional<AcceptanceLimits::Range> Limits(AcceptanceLimits::Quantity quantity) const;

    QString databasePath_;
    std::unique_ptr<HistoryIndex> index_;
    QLabel* source_ = nullptr;
    std::optional<AcceptanceLimits> limits_;
    std::vector<HistoryIndex::Instrument> instruments_;
    std::vector<VisitSummary> visits_;
    QComboBox* instrument_ = nullptr;
    QTableWidget* table_ = nullptr;
    QComboBox* quantity_ = nullptr;
    QComboBox* sensor_ = nullptr;
    QChart* chart_ = nullptr;
    QChartView* plot_ = nullptr;
    QLabel* plotText_ = nullptr;
};

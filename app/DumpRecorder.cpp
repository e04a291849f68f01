#include <QAccessible>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTreeWidget>
#include <memory>
#include <optional>

#include "app/DumpFile.h"
#include "app/DumpSample.h"
#include "app/MaintenanceDialog.h"
#include "app/VisitEvents.h"
#include "controls/StatusLamp.h"
#include "platform/ui/Feedback.h"
#include "platform/ui/NewestRowOnFocus.h"
#include "platform/ui/ScreenReaderNotice.h"
#include "plot/CurrentPlotFeed.h"
#include "protocol/InstrumentLink.h"
#include "record/VisitRecord.h"

namespace {

constexpr double kClearedMaximum = 0.0;
constexpr double kClearedMinimum = 999999.0;
// More rows than this and the oldest goes: the list keeps the last 101 samples.
constexpr int kRowsBeforeTrimming = 100;

QString ToQString(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QString AccessibleName(QWidget* widget) {
    const QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible != nullptr ? accessible->text(QAccessible::Name) : QString();
}

}  // namespace

void MaintenanceDialog::RecordCurrentSample(std::string text) {
    const DumpSample sample(text);

    std::optional<DumpFile> file;
    const QString fileName = dumpFileName_->text();
    if (dumpToFile_->isChecked() && !fileName.isEmpty()) {
        file.emplace(QFile::encodeName(fileName).toStdString());
        if (!file->IsOpen()) {
            const int cause = static_cast<int>(file->Cause());
            file.reset();
            if (dumpRunning_ != 0 && link_) {
                link_->StopDump();
            }
            // Shown once the caller has returned: from the dump timer's tick, a box opened
            // here would hold that timer for as long as it is open, and the stopped dump would
            // not end until it was closed.
            QMetaObject::invokeMethod(
                this,
                [this, text = QString::asprintf("File could not be opened %d\n", cause)] {
                    ui::Feedback::Current().Message(this, text);
                },
                Qt::QueuedConnection);
        }
    }

    // Follow the newest row only when the list was showing the bottom, within one row (a
    // horizontal scroll bar that comes and goes costs one); a list scrolled up stays where the
    // technician left it. The list scrolls by rows, and its last position is a page before the
    // end, so "the last row's index less the rows per page" is one short of that position.
    const QScrollBar* scrollBar = dumpList_->verticalScrollBar();
    const bool followNewest = scrollBar->value() >= scrollBar->maximum() - 1;

    if (dumpList_->topLevelItemCount() > kRowsBeforeTrimming) {
        std::unique_ptr<QTreeWidgetItem> oldest(dumpList_->takeTopLevelItem(0));
    }

    QStringList lampsLit;
    auto* row = new QTreeWidgetItem();
    DumpObserver::Currents currents{};
    DumpObserver::Bands bands{};
    for (int c = 0; c < kDumpColumnCount; ++c) {
        const double current = sample.Current(c);
        const QString currentText = ToQString(sample.CurrentText(c));
        if (current > maximumCurrent_[c]) {
            maximumCurrent_[c] = current;
            extremeLabels_[c]->setText(currentText);
        }
        if (current < minimumCurrent_[c]) {
            minimumCurrent_[c] = current;
            extremeLabels_[c + kDumpColumnCount]->setText(currentText);
        }
        if (maximumCurrent_[c] - minimumCurrent_[c] > spreadLimit_) {
            const bool wasDark = spreadLamps_[c]->Lit() == 0;
            spreadLamps_[c]->SetLit(1);
            if (wasDark) {
                lampsLit << AccessibleName(spreadLamps_[c]);
            }
        }
        row->setText(c, currentText);
        row->setTextAlignment(c, Qt::AlignCenter);
        currents[c] = current;
        bands[c] = {minimumCurrent_[c], maximumCurrent_[c], spreadLamps_[c]->Lit() != 0};
    }
    dumpList_->addTopLevelItem(row);
    ui::NewestRowOnFocus::NameCellsByHeadings(*row);
    if (followNewest) {
        dumpList_->scrollToItem(row, QAbstractItemView::EnsureVisible);
    }

    if (!lampsLit.isEmpty()) {
        // A lamp that lights is told; the samples themselves are not.
        ui::ScreenReaderNotice::Tell(*this, lampsLit.join(QStringLiteral(". ")) + QLatin1Char('.'));
    }
    if (file) {
        file->Append(sample.FileLine());
    }
    plotFeed_->OnSampleRecorded(currents, bands);
    ++dumpSampleCount_;
    record_->Event("dump_sample", {{"milliamps", visit::Numbers(currents)}});
}

void MaintenanceDialog::ResetCurrentExtremes() {
    for (int column = 0; column < kDumpColumnCount; ++column) {
        spreadLamps_[column]->SetLit(0);
        extremeLabels_[column]->setText(QString());
        extremeLabels_[column + kDumpColumnCount]->setText(QString());
        maximumCurrent_[column] = kClearedMaximum;
        minimumCurrent_[column] = kClearedMinimum;
    }
    plotFeed_->OnExtremesReset();
}

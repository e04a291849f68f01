#include "app/ComposedNames.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <array>
#include <vector>

#include "app/MaintenanceDialog.h"
#include "controls/StatusLamp.h"
#include "platform/ui/AccessibleController.h"
#include "platform/ui/CaptionedLabelAccessible.h"

namespace {

using Id = MaintenanceDialog::ControlId;

// Template positions (dialog units) of the labels the names are made of.
constexpr int kStatusColumnHeadingY = 29;
constexpr int kStatusRowHeadingX = 220;
constexpr int kQueryHeadingY = 138;
constexpr int kExtremeHeadingX = 180;
constexpr int kPowerLevelHeadingX = 14;
constexpr int kPowerLevelHeadingY = 220;
constexpr int kSensorsPerRow = 8;

// The texts of the window's static texts that sit at x (or any x, for -1) and y (or any y),
// in template order.
std::vector<QString> StaticTextsAt(const MaintenanceDialog& window, int x, int y) {
    std::vector<QString> texts;
    for (const ui::BuiltControl& control : window.Controls()) {
        const ui::ControlSpec& spec = *control.spec;
        const bool placed = (x < 0 || spec.x == x) && (y < 0 || spec.y == y);
        if (spec.kind == ui::ControlKind::Static && spec.id == ui::NoId && placed) {
            texts.push_back(qobject_cast<QLabel*>(control.widget)->text());
        }
    }
    return texts;
}

QString Joined(const QString& first, const QString& second) {
    return first + QLatin1Char(' ') + second;
}

void NameStatusCells(MaintenanceDialog& window) {
    const std::vector<QString> columns = StatusColumnHeadings(window);
    const std::vector<QString> rows = StatusRowHeadings(window);
    for (int index = 0; index < MaintenanceDialog::kStatusCellCount; ++index) {
        const auto row = static_cast<std::size_t>(index / kSensorsPerRow);
        const auto column = static_cast<std::size_t>(index % kSensorsPerRow);
        if (row < rows.size() && column < columns.size()) {
            window.StatusCell(index)->setAccessibleName(Joined(rows[row], columns[column]));
        }
    }
}

QString RowText(const MaintenanceDialog& window, int rowButtonId) {
    return window.ControlAs<QAbstractButton>(rowButtonId)->text();
}

void NameQueryFields(MaintenanceDialog& window) {
    const std::vector<QString> headings = StaticTextsAt(window, -1, kQueryHeadingY);
    if (headings.size() != 2) {
        return;
    }
    struct Row {
        int replyId, sensorId;
        QString rowText;
    };
    const std::vector<QString> powerLevel =
        StaticTextsAt(window, kPowerLevelHeadingX, kPowerLevelHeadingY);
    const std::array<Row, 4> rows{{
        {Id::IdVoltageReply, Id::IdVoltageSensor, RowText(window, Id::IdQueryVoltage)},
        {Id::IdCurrentReply, Id::IdCurrentSensor, RowText(window, Id::IdQueryCurrent)},
        {Id::IdTripPointReply, Id::IdTripPointSensor, RowText(window, Id::IdQueryTripPoint)},
        {Id::IdPowerLevelReply, Id::IdPowerLevelSensor, powerLevel.at(0)},
    }};
    for (const Row& row : rows) {
        window.Control(row.replyId)->setAccessibleName(Joined(row.rowText, headings[0]));
        window.Control(row.sensorId)->setAccessibleName(Joined(row.rowText, headings[1]));
    }
}

void NameDumpControls(MaintenanceDialog& window) {
    QWidget* dumpList = window.Control(Id::IdDumpList);
    const std::vector<QString> extremes = StaticTextsAt(window, kExtremeHeadingX, -1);
    for (int column = 0; column < MaintenanceDialog::kDumpColumnCount; ++column) {
        const QString number = QString::number(column);
        for (std::size_t row = 0; row < extremes.size(); ++row) {
            const int id = Id::IdFirstExtremeLabel +
                           static_cast<int>(row) * MaintenanceDialog::kDumpColumnCount + column;
            ui::CaptionedLabelAccessible::SetCaption(window.ControlAs<QLabel>(id),
                                                     Joined(extremes[row], number));
            ui::SetAccessibleController(*window.Control(id), *dumpList);
        }
        window.SpreadLamp(column)->setAccessibleName(QObject::tr("Spread lamp %1").arg(number));
        ui::SetAccessibleController(*window.SpreadLamp(column), *dumpList);
    }
    const QString dumpToFile = window.ControlAs<QAbstractButton>(Id::IdDumpToFile)->text();
    window.Control(Id::IdDumpFileName)->setAccessibleName(dumpToFile);
    // The "..." beside the name chooses the file.
    window.Control(Id::IdBrowseDumpFile)->setAccessibleName(QObject::tr("Choose Dump File"));
    // The list stands under the section's heading and has no label of its own.
    window.Control(Id::IdDumpList)->setAccessibleName(QObject::tr("Sensor Current Dump"));
}

}  // namespace

void NameUnlabelledControls(MaintenanceDialog& window) {
    NameStatusCells(window);
    NameQueryFields(window);
    NameDumpControls(window);
}

std::vector<QString> StatusRowHeadings(const MaintenanceDialog& window) {
    return StaticTextsAt(window, kStatusRowHeadingX, -1);
}

std::vector<QString> StatusColumnHeadings(const MaintenanceDialog& window) {
    return StaticTextsAt(window, -1, kStatusColumnHeadingY);
}

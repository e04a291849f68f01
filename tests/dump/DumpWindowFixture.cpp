#include "DumpWindowFixture.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "controls/StatusLamp.h"
#include "protocol/CommandSet.h"
#include "protocol/InstrumentLink.h"

namespace dumptest {

using namespace std::chrono_literals;
using Id = MaintenanceDialog::ControlId;

const std::vector<int> kCommandButtonIds = {
    Id::IdSetPowerLevel,     Id::IdSetVoltage,  Id::IdSetTripPoint,     Id::IdAdjustTripPoint,
    Id::IdSensorReports,     Id::IdTrainSensor, Id::IdSaveTrainingData, Id::IdRestoreTrainingData,
    Id::IdPollForInstrument, Id::IdUpdate,      Id::IdQueryVoltage,     Id::IdQueryCurrent,
    Id::IdQueryTripPoint};

namespace {

constexpr double kMilliampsPerCount = 0.0003051851;

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

std::string Sample(unsigned c0, unsigned c1, unsigned c2, unsigned c3) {
    char text[32];
    std::snprintf(text, sizeof text, "%04X %04X %04X %04X", c0, c1, c2, c3);
    return text;
}

QString Milliamps(unsigned count) {
    return QString::fromStdString(Format("%6.3f", count * kMilliampsPerCount));
}

std::string FileLine(const std::vector<std::string>& groups) {
    std::string line;
    for (const std::string& group : groups) {
        const unsigned count =
            group.empty() ? 0 : static_cast<unsigned>(std::strtoul(group.c_str(), nullptr, 16));
        line += (group.empty() ? "" : "0x" + group) + "\t" +
                Format("%6.3f", count * kMilliampsPerCount) + "\t";
    }
    return line + "\r\n";
}

void DumpWindowTest::SetUp() {
    ConnectedWindowTest::SetUp();
    if (HasFatalFailure()) {
        return;
    }
    // The card reports nothing by itself: each test injects its samples.
    card->SetDumpInterval(std::chrono::hours(24));
    card->SetNoise(0, 1);
}

QString DumpWindowTest::Text(int id) const {
    QWidget* widget = Widget(id);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        return edit->text();
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return label->text();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        return button->text();
    }
    ADD_FAILURE() << "control " << id << " has no text";
    return {};
}

void DumpWindowTest::StartDump(bool rightTube) {
    // The tube is clicked only when it is not yet the selected one: a click empties the list.
    const int tube = rightTube ? Id::IdRightTube : Id::IdLeftTube;
    if (!window->ControlAs<QAbstractButton>(tube)->isChecked()) {
        Click(tube);
    }
    Click(Id::IdStartStop);
    ASSERT_TRUE(window->IsDumpRunning());
    const std::string command = protocol::StartDumpText(rightTube) + "\r";
    ASSERT_TRUE(card->WaitForReceived(
        [&](const std::string& received) { return received.ends_with(command); },
        windowtest::kDeadline));
}

void DumpWindowTest::TickWithSample(const std::string& sample) {
    // Handed to the link as its I/O thread does, so that the tick sees the whole line.
    window->Link()->OnReceive(sample + "\r\n");
    window->OnDumpTick();
}

void DumpWindowTest::SilentTicks(int count) {
    for (int i = 0; i < count; ++i) {
        window->OnDumpTick();
    }
}

std::vector<QString> DumpWindowTest::Row(int row) const {
    const auto* list = window->ControlAs<QTreeWidget>(Id::IdDumpList);
    std::vector<QString> texts;
    const QTreeWidgetItem* item = list->topLevelItem(row);
    for (int c = 0; item != nullptr && c < MaintenanceDialog::kDumpColumnCount; ++c) {
        texts.push_back(item->text(c));
    }
    return texts;
}

int DumpWindowTest::RowCount() const {
    return window->ControlAs<QTreeWidget>(Id::IdDumpList)->topLevelItemCount();
}

std::vector<QString> DumpWindowTest::Headings() const {
    const QTreeWidgetItem* header = window->ControlAs<QTreeWidget>(Id::IdDumpList)->headerItem();
    std::vector<QString> texts;
    for (int c = 0; c < MaintenanceDialog::kDumpColumnCount; ++c) {
        texts.push_back(header->text(c));
    }
    return texts;
}

std::vector<QString> DumpWindowTest::ExtremeLabels() const {
    std::vector<QString> texts;
    for (int i = 0; i < 2 * MaintenanceDialog::kDumpColumnCount; ++i) {
        texts.push_back(Text(Id::IdFirstExtremeLabel + i));
    }
    return texts;
}

std::vector<int> DumpWindowTest::LitLamps() const {
    std::vector<int> lit;
    for (int c = 0; c < MaintenanceDialog::kDumpColumnCount; ++c) {
        if (window->SpreadLamp(c)->Lit() != 0) {
            lit.push_back(c);
        }
    }
    return lit;
}

std::size_t DumpWindowTest::EnabledCommandButtons() const {
    return std::count_if(kCommandButtonIds.begin(), kCommandButtonIds.end(),
                         [this](int id) { return Widget(id)->isEnabled(); });
}

bool DumpWindowTest::CommandButtonsEnabled() const {
    return EnabledCommandButtons() == kCommandButtonIds.size();
}

bool DumpWindowTest::AnyCommandButtonEnabled() const {
    return EnabledCommandButtons() != 0;
}

void DumpWindowTest::DumpToFile(const std::filesystem::path& path) {
    window->ControlAs<QCheckBox>(Id::IdDumpToFile)->setChecked(true);
    window->ControlAs<QLineEdit>(Id::IdDumpFileName)
        ->setText(QString::fromStdString(path.string()));
}

QString DumpWindowTest::FileErrorMessage(int cause) const {
    return QString::asprintf("File could not be opened %d\n", cause);
}

std::vector<QString> DumpWindowTest::ShownMessages() {
    QCoreApplication::sendPostedEvents(window.get(), QEvent::MetaCall);
    return feedback.Texts(FeedbackRecorder::Event::Message);
}

}  // namespace dumptest

// The port settings dialog against real devices: pseudo-terminals as COM1 to COM4, a plain
// file as LPT1, and ports held through the manager or by another holder.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <array>
#include <cctype>
#include <future>
#include <map>
#include <memory>

#include "AccessibleEventRecorder.h"
#include "DialogDriving.h"
#include "HelpKeyCounter.h"
#include "ModalAnswer.h"
#include "PortTestSupport.h"
#include "dialogs/PortSettingsDialog.h"
#include "dialogs/PortSettingsText.h"
#include "platform/ExclusiveDevice.h"
#include "ports/Port.h"
#include "ports/PortKind.h"
#include "ports/PortManagerImpl.h"

using namespace portsettingstest;
using porttest::DeviceOverride;
using porttest::kDeadline;

namespace {

// What the dialog writes back, with marks that show whether it wrote at all.
struct Outcome {
    std::string name;
    std::string settings = "untouched";
    std::int32_t option = -1;
};

// The leading characters of one item of each line-setting list.
struct LineItems {
    std::string baud;
    std::string parity;
    std::string stopBits;
};

bool StartsWithIgnoringCase(const QString& text, const std::string& prefix) {
    return text.startsWith(QString::fromStdString(prefix), Qt::CaseInsensitive);
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

}  // namespace

// COM1 and COM4 are free pseudo-terminals, COM2 is held by this process through the manager,
// COM3 by another holder; LPT1 is an existing device file, LPT2 and LPT3 do not exist.
class PortSettingsDialogTest : public ::testing::Test {
  protected:
    enum class State { Free, InUse, HeldElsewhere, Absent };
    struct Device {
        std::string name;
        State state;
    };

    void SetUp() override {
        for (std::size_t i = 0; i < com_.size(); ++i) {
            Map("COM" + std::to_string(i + 1), com_[i].SlavePath());
        }
        porttest::WriteFile(dir_.File("lp0"), "");
        Map("LPT1", dir_.File("lp0"));
        Map("LPT2", dir_.File("no-lp1"));
        Map("LPT3", dir_.File("no-lp2"));
        ASSERT_TRUE(elsewhere_.Open(com_[2].SlavePath(), O_RDWR | O_NONBLOCK));
        ASSERT_NE(manager_.Open("COM2", &listener_), nullptr);
        devices_ = {{"COM1", State::Free},  {"COM2", State::InUse}, {"COM3", State::HeldElsewhere},
                    {"COM4", State::Free},  {"LPT1", State::Free},  {"LPT2", State::Absent},
                    {"LPT3", State::Absent}};
    }

    void TearDown() override {
        InstallPortSettingsDialog(nullptr);
        manager_.CloseAll();
    }

    void Map(const std::string& portName, const std::string& path) {
        overrides_.erase(portName);
        overrides_.emplace(portName, std::make_unique<DeviceOverride>(portName, path));
    }

    // The free devices whose kind is in the mask, in table order.
    std::vector<std::string> FreeDevices(std::int32_t mask) const {
        std::vector<std::string> free;
        for (const Device& device : devices_) {
            const std::int32_t kind =
                device.name.starts_with("COM") ? PortKindSerial : PortKindParallel;
            if (device.state == State::Free && (kind & mask) != 0) {
                free.push_back(device.name);
            }
        }
        return free;
    }

    // Free devices of the mask in table order, the file entry, then the ports in use.
    std::vector<std::string> Expected(std::int32_t mask) const {
        std::vector<std::string> expected = FreeDevices(mask);
        if ((mask & PortKindFile) != 0) {
            expected.push_back(portsettings::FileEntryName());
        }
        for (const Device& device : devices_) {
            if (device.state == State::InUse) {
                expected.push_back(device.name);
            }
        }
        return expected;
    }

    std::unique_ptr<PortSettingsDialog> Make(Outcome& outcome, std::int32_t mask = kAllKinds,
                                             int showOption = 1, int enableList = 1,
                                             int enableSettings = 1) {
        auto dialog = std::make_unique<PortSettingsDialog>(manager_, showOption, outcome.name,
                                                           outcome.settings, &outcome.option, mask,
                                                           enableList, enableSettings);
        dialog->Initialise();
        return dialog;
    }

    static constexpr std::int32_t kAllKinds = PortKindSerial | PortKindFile | PortKindParallel;

    std::array<porttest::PtyPair, 4> com_;
    porttest::TempDir dir_;
    std::map<std::string, std::unique_ptr<DeviceOverride>> overrides_;
    platform::ExclusiveDevice elsewhere_;
    PortManagerImpl manager_;
    porttest::RecordingListener listener_;
    std::vector<Device> devices_;
};

TEST_F(PortSettingsDialogTest, ListsOpenableDevicesThenFileEntryThenPortsInUse) {
    Outcome outcome;
    const auto dialog = Make(outcome, kAllKinds);
    const auto entries = Entries(*dialog);
    EXPECT_EQ(entries, Expected(kAllKinds));
    const auto file = std::find(entries.begin(), entries.end(), portsettings::FileEntryName());
    const auto held = std::find(entries.begin(), entries.end(), "COM2");
    ASSERT_NE(file, entries.end());
    ASSERT_NE(held, entries.end());
    EXPECT_LT(file, held) << "the port this process holds comes after the file entry";
    EXPECT_EQ(std::count(entries.begin(), entries.end(), "COM3"), 0);
    // The devices were closed again: another holder can take a listed one at once.
    platform::ExclusiveDevice again;
    EXPECT_TRUE(again.Open(com_[0].SlavePath(), O_RDWR | O_NONBLOCK));
}

TEST_F(PortSettingsDialogTest, SerialMaskLeavesOutFileEntryAndParallelButKeepsPortsInUse) {
    // A file port in use is listed whatever the mask, by its registry name; one no longer in
    // use is not.
    const std::string log = dir_.File("Log.txt");
    ASSERT_NE(manager_.Open(log, &listener_), nullptr);
    const std::string closed = dir_.File("closed.txt");
    ASSERT_NE(manager_.Open(closed, &listener_), nullptr);
    ASSERT_TRUE(manager_.Close(closed, &listener_));
    const std::vector<std::string> inUse{"COM2", PortManagerImpl::NormaliseName(log)};

    Outcome outcome;
    const auto dialog = Make(outcome, PortKindSerial);
    std::vector<std::string> expected = FreeDevices(PortKindSerial);
    for (const std::string& name : manager_.RegisteredNames()) {  // in registry order
        if (std::find(inUse.begin(), inUse.end(), name) != inUse.end()) {
            expected.push_back(name);
        }
    }
    const auto entries = Entries(*dialog);
    EXPECT_EQ(entries, expected);
    EXPECT_EQ(std::count(entries.begin(), entries.end(), portsettings::FileEntryName()), 0);
    EXPECT_EQ(std::count(entries.begin(), entries.end(), "LPT1"), 0);
}

TEST_F(PortSettingsDialogTest, EmptyListHidesAllNineControlsAndOkReturnsNoName) {
    ASSERT_TRUE(manager_.Close("COM2", &listener_));
    for (const char* name : {"COM1", "COM2", "COM4"}) {
        Map(name, dir_.File(std::string("no-") + name));
    }
    Outcome outcome;
    outcome.name = "COM1";
    const auto dialog = Make(outcome, PortKindSerial);
    EXPECT_TRUE(Entries(*dialog).empty());
    EXPECT_EQ(dialog->CurrentName(), "");
    EXPECT_TRUE(AllShown(*dialog, kLineSettingControls, false));
    EXPECT_TRUE(AllShown(*dialog, kPathControls, false));
    ClickOk(*dialog);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(outcome.name, "");
    EXPECT_EQ(outcome.settings, "untouched");
}

TEST_F(PortSettingsDialogTest, APortWithoutSettingsIsProposedTheDefaults) {
    Outcome outcome;
    outcome.name = "COM1";
    const auto dialog = Make(outcome);
    EXPECT_EQ(dialog->CurrentName(), "COM1");
    EXPECT_TRUE(AllShown(*dialog, kLineSettingControls, true));
    EXPECT_TRUE(AllShown(*dialog, kPathControls, false));
    const portsettings::LineChoice defaults =
        portsettings::LineChoiceFrom(portsettings::kDefaultLineSettings);
    EXPECT_TRUE(StartsWithIgnoringCase(CurrentText(*dialog, 1006), defaults.baudCode));
    EXPECT_TRUE(StartsWithIgnoringCase(CurrentText(*dialog, 1008), defaults.parity));
    EXPECT_EQ(CurrentText(*dialog, 1007).toStdString(), defaults.stopBits);
    ClickOk(*dialog);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(outcome.name, "COM1");
    EXPECT_EQ(outcome.settings, portsettings::kDefaultLineSettings);
    EXPECT_EQ(outcome.option, 0);
}

// Items beginning "96", "N" and "1" give "96,N,8,1,0"; 19200 baud, even parity and two stop
// bits give their own string. Each is chosen starting from the other; what the dialog
// composes is what a serial port accepts.
TEST_F(PortSettingsDialogTest, OkComposesTheSettingsFromTheChosenItems) {
    const std::array<LineItems, 2> compositions{{{"96", "N", "1"}, {"19", "E", "2"}}};
    std::vector<std::string> composed;
    for (std::size_t i = 0; i < compositions.size(); ++i) {
        const LineItems& chosen = compositions[i];
        const LineItems& before = compositions[1 - i];
        SCOPED_TRACE(chosen.baud + chosen.parity + chosen.stopBits);
        Outcome outcome;
        outcome.name = "COM4";
        const auto dialog = Make(outcome);
        for (const LineItems* items : {&before, &chosen}) {
            ASSERT_TRUE(ChooseItem(*dialog, 1006, QString::fromStdString(items->baud)));
            ASSERT_TRUE(ChooseItem(*dialog, 1008, QString::fromStdString(items->parity)));
            ASSERT_TRUE(ChooseItem(*dialog, 1007, QString::fromStdString(items->stopBits)));
        }
        dialog->ControlAs<QCheckBox>(1009)->setChecked(i == 1);
        ClickOk(*dialog);
        EXPECT_EQ(outcome.name, "COM4");
        EXPECT_EQ(outcome.settings, SettingsFrom(chosen.baud, chosen.parity, chosen.stopBits));
        EXPECT_EQ(outcome.option, i == 1 ? 1 : 0);
        composed.push_back(outcome.settings);
    }
    std::string name = "COM4";
    ASSERT_NE(manager_.Open(name, &listener_), nullptr);
    for (std::string& settings : composed) {
        EXPECT_TRUE(manager_.Configure(name, settings)) << settings;
    }
}

TEST_F(PortSettingsDialogTest, ListsShowThePortsOwnSettings) {
    std::string name = "COM2";
    std::string settings = "12,o,8,2,0";
    ASSERT_TRUE(manager_.Configure(name, settings));
    Outcome outcome;
    outcome.name = "COM2";
    const auto dialog = Make(outcome);
    const portsettings::LineChoice own = portsettings::LineChoiceFrom(settings);
    EXPECT_TRUE(StartsWithIgnoringCase(CurrentText(*dialog, 1006), own.baudCode));
    EXPECT_TRUE(StartsWithIgnoringCase(CurrentText(*dialog, 1008), own.parity));
    EXPECT_EQ(CurrentText(*dialog, 1007).toStdString(), own.stopBits);
    // Moving to a port without settings proposes the defaults again.
    ASSERT_TRUE(ChooseItem(*dialog, 1005, "COM1"));
    const portsettings::LineChoice defaults =
        portsettings::LineChoiceFrom(portsettings::kDefaultLineSettings);
    EXPECT_TRUE(StartsWithIgnoringCase(CurrentText(*dialog, 1006), defaults.baudCode));
    EXPECT_TRUE(StartsWithIgnoringCase(CurrentText(*dialog, 1008), defaults.parity));
    EXPECT_EQ(CurrentText(*dialog, 1007).toStdString(), defaults.stopBits);
}

// Qt 6.4 tells screen readers nothing of a list's new entry: each list's description is its
// entry, and one the arrow keys choose is told.
TEST_F(PortSettingsDialogTest, TheListsEntriesAreReadAndAKeyChoiceIsTold) {
    Outcome outcome;
    outcome.name = "COM1";
    const auto dialog = Make(outcome);
    dialog->show();
    QApplication::setActiveWindow(dialog.get());
    for (const int id : {1005, 1006, 1008, 1007}) {
        EXPECT_EQ(QAccessible::queryAccessibleInterface(dialog->Control(id))
                      ->text(QAccessible::Description),
                  CurrentText(*dialog, id))
            << id;
    }
    auto* baud = dialog->ControlAs<QComboBox>(1006);
    baud->setFocus();
    ASSERT_GT(baud->count(), baud->currentIndex() + 1);
    const QString next = baud->itemText(baud->currentIndex() + 1);
    AccessibleEventRecorder events;
    QTest::keyClick(baud, Qt::Key_Down);
    EXPECT_EQ(events.notifications, std::vector<QString>{next});
}

// The given name is looked up with letter case ignored; this dialog then arranges the fields
// for the entry found, so a port named in lower case gets its line settings.
TEST_F(PortSettingsDialogTest, LowerCaseNameSelectsThePortAndItsSettings) {
    std::string name = "COM2";
    std::string settings = "48,e,8,1,0";
    ASSERT_TRUE(manager_.Configure(name, settings));
    Outcome outcome;
    outcome.name = " com2 ";
    const auto dialog = Make(outcome);
    EXPECT_EQ(CurrentText(*dialog, 1005).toStdString(), "COM2");
    EXPECT_EQ(dialog->CurrentName(), "COM2");
    EXPECT_TRUE(AllShown(*dialog, kLineSettingControls, true));
    EXPECT_TRUE(AllShown(*dialog, kPathControls, false));
    const portsettings::LineChoice own = portsettings::LineChoiceFrom(settings);
    EXPECT_TRUE(StartsWithIgnoringCase(CurrentText(*dialog, 1006), own.baudCode));
    ClickOk(*dialog);
    EXPECT_EQ(outcome.name, "COM2");
    EXPECT_EQ(outcome.settings, SettingsFrom(own.baudCode, Upper(own.parity), own.stopBits));
}

TEST_F(PortSettingsDialogTest, UnknownNameSelectsTheFirstEntry) {
    Outcome outcome;
    outcome.name = "COM3";  // held elsewhere, so not listed
    const auto dialog = Make(outcome);
    const auto entries = Entries(*dialog);
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(CurrentText(*dialog, 1005).toStdString(), entries.front());
    EXPECT_EQ(dialog->CurrentName(), entries.front());
}

TEST_F(PortSettingsDialogTest, FileEntryReturnsThePathAsTyped) {
    Outcome outcome;
    outcome.name = portsettings::FileEntryName();
    const auto dialog = Make(outcome);
    EXPECT_TRUE(AllShown(*dialog, kLineSettingControls, false));
    EXPECT_TRUE(AllShown(*dialog, kPathControls, true));
    EXPECT_EQ(dialog->focusWidget(), dialog->Control(3));
    const std::string path = dir_.File("Sensor Log.txt");
    dialog->ControlAs<QLineEdit>(1015)->setText(QString::fromStdString("  " + path + "\t"));
    ClickOk(*dialog);
    EXPECT_EQ(outcome.name, path) << "blanks removed, letter case kept";
    EXPECT_EQ(outcome.settings, "untouched");
    // The name reaches a file port that appends to exactly that file.
    porttest::RecordingListener writer;
    Port* port = manager_.Open(outcome.name, &writer);
    ASSERT_NE(port, nullptr);
    ASSERT_TRUE(port->Write("line\n"));
    EXPECT_TRUE(porttest::WaitUntil([&] { return porttest::ReadFile(path) == "line\n"; }));
}

TEST_F(PortSettingsDialogTest, SelectionArrangesTheFieldsForEachKind) {
    Outcome outcome;
    outcome.name = "COM1";
    const auto dialog = Make(outcome);
    ASSERT_TRUE(ChooseItem(*dialog, 1005, QString::fromStdString(portsettings::FileEntryName())));
    EXPECT_TRUE(AllShown(*dialog, kLineSettingControls, false));
    EXPECT_TRUE(AllShown(*dialog, kPathControls, true));
    ASSERT_TRUE(ChooseItem(*dialog, 1005, "LPT1"));
    EXPECT_EQ(dialog->CurrentName(), "LPT1");
    EXPECT_TRUE(AllShown(*dialog, kLineSettingControls, false));
    EXPECT_TRUE(AllShown(*dialog, kPathControls, false));
    ASSERT_TRUE(ChooseItem(*dialog, 1005, "COM4"));
    EXPECT_TRUE(AllShown(*dialog, kLineSettingControls, true));
    EXPECT_TRUE(AllShown(*dialog, kPathControls, false));
    ASSERT_TRUE(ChooseItem(*dialog, 1005, "LPT1"));
    ClickOk(*dialog);
    EXPECT_EQ(outcome.name, "LPT1");
    EXPECT_EQ(outcome.settings, "untouched");
}

TEST_F(PortSettingsDialogTest, HiddenOptionBoxStillReportsItsState) {
    for (const bool checked : {false, true}) {
        Outcome outcome;
        outcome.name = "COM1";
        const auto dialog = Make(outcome, kAllKinds, 0);
        auto* option = dialog->ControlAs<QCheckBox>(1009);
        EXPECT_TRUE(option->isHidden());
        option->setChecked(checked);
        ClickOk(*dialog);
        EXPECT_EQ(outcome.option, checked ? 1 : 0);
    }
    // Without a place for the option's state, OK still works.
    std::string name = "COM1";
    std::string settings;
    PortSettingsDialog noOption(manager_, 1, name, settings, nullptr, kAllKinds, 1, 1);
    noOption.Initialise();
    ClickOk(noOption);
    EXPECT_EQ(noOption.result(), QDialog::Accepted);
    EXPECT_EQ(settings, portsettings::kDefaultLineSettings);
}

TEST_F(PortSettingsDialogTest, EnableFlagsDisableTheListsAndBrowse) {
    Outcome outcome;
    outcome.name = "COM1";
    const auto locked = Make(outcome, kAllKinds, 1, 0, 0);
    EXPECT_FALSE(locked->Control(1005)->isEnabled());
    for (const int id : {1006, 1008, 1007, 3}) {
        EXPECT_FALSE(locked->Control(id)->isEnabled()) << id;
    }
    EXPECT_TRUE(locked->Control(1015)->isEnabled());
    const auto open = Make(outcome, kAllKinds, 1, 1, 1);
    for (const int id : {1005, 1006, 1008, 1007, 3}) {
        EXPECT_TRUE(open->Control(id)->isEnabled()) << id;
    }
}

TEST_F(PortSettingsDialogTest, CancelWritesNothingBack) {
    Outcome outcome;
    outcome.name = "COM1";
    const auto dialog = Make(outcome);
    ASSERT_TRUE(ChooseItem(*dialog, 1005, "COM4"));
    ASSERT_TRUE(ChooseItem(*dialog, 1006, "30"));
    dialog->ControlAs<QPushButton>(2)->click();
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(outcome.name, "COM1");
    EXPECT_EQ(outcome.settings, "untouched");
    EXPECT_EQ(outcome.option, -1);
}

TEST_F(PortSettingsDialogTest, KeypadEnterOnCancelOrBrowseNeverAccepts) {
    Outcome outcome;
    outcome.name = portsettings::FileEntryName();
    const auto dialog = Make(outcome);
    dialog->show();
    QWidget* browse = dialog->Control(3);
    ASSERT_EQ(dialog->focusWidget(), browse);
    {
        const ModalAnswer<QFileDialog> answer([](QFileDialog* chooser) { chooser->reject(); });
        QTest::keyClick(browse, Qt::Key_Enter, Qt::KeypadModifier);
        EXPECT_TRUE(answer.Answered());
    }
    EXPECT_TRUE(dialog->isVisible());
    QWidget* cancel = dialog->Control(2);
    cancel->setFocus();
    QTest::keyClick(cancel, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(outcome.name, portsettings::FileEntryName());
    EXPECT_EQ(outcome.settings, "untouched");
    EXPECT_EQ(outcome.option, -1);
}

TEST_F(PortSettingsDialogTest, LabelsNameTheirListsAndTheirMnemonicsReachThem) {
    Outcome outcome;
    outcome.name = "COM1";
    const auto dialog = Make(outcome);
    dialog->show();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    const std::pair<int, const char*> named[] = {
        {1005, "Port:"}, {1006, "Baud rate:"}, {1008, "Parity:"}, {1007, "Stop bits:"}};
    // A list reads its current item as its name; its label is told by the labelled-by relation.
    for (const auto& [id, name] : named) {
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(dialog->Control(id));
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->role(), QAccessible::ComboBox) << id;
        const auto labels = list->relations(QAccessible::Label);
        ASSERT_EQ(labels.size(), 1) << id;
        EXPECT_EQ(labels.front().first->text(QAccessible::Name), QString::fromLatin1(name)) << id;
    }
    QTest::keyClick(dialog.get(), Qt::Key_A, Qt::AltModifier);  // "P&arity:"
    EXPECT_EQ(dialog->focusWidget(), dialog->Control(1008));
    QTest::keyClick(dialog.get(), Qt::Key_B, Qt::AltModifier);  // "&Baud rate:"
    EXPECT_EQ(dialog->focusWidget(), dialog->Control(1006));
}

TEST_F(PortSettingsDialogTest, BrowseFillsThePathFromASaveChooser) {
    Outcome outcome;
    outcome.name = portsettings::FileEntryName();
    const auto dialog = Make(outcome);
    const QString before = QDir::currentPath();
    const QString chosen = QString::fromStdString(dir_.File("report"));
    const QString expected = chosen + "." + QString::fromStdString(portsettings::kFileExtension);
    {
        const ModalAnswer<QFileDialog> answer([&](QFileDialog* chooser) {
            EXPECT_EQ(chooser->acceptMode(), QFileDialog::AcceptSave);
            EXPECT_EQ(chooser->defaultSuffix().toStdString(), portsettings::kFileExtension);
            EXPECT_EQ(chooser->nameFilters().join(";;").toStdString(), portsettings::FileFilter());
            chooser->selectFile(chosen);
            static_cast<QDialog*>(chooser)->accept();  // QFileDialog's own, protected there
        });
        dialog->ControlAs<QPushButton>(3)->click();
        EXPECT_TRUE(answer.Answered());
    }
    EXPECT_EQ(dialog->ControlAs<QLineEdit>(1015)->text(), expected);
    EXPECT_EQ(QDir::currentPath(), before);
    {
        const ModalAnswer<QFileDialog> answer([](QFileDialog* chooser) { chooser->reject(); });
        dialog->ControlAs<QPushButton>(3)->click();
        EXPECT_TRUE(answer.Answered());
    }
    EXPECT_EQ(dialog->ControlAs<QLineEdit>(1015)->text(), expected) << "cancel changes nothing";
    ClickOk(*dialog);
    EXPECT_EQ(outcome.name, expected.toStdString());
}

TEST_F(PortSettingsDialogTest, HelpKeyGoesToTheInstalledMainWindow) {
    QWidget mainWindow;
    HelpKeyCounter help;
    mainWindow.installEventFilter(&help);
    InstallPortSettingsDialog(&mainWindow);
    Outcome outcome;
    outcome.name = "COM1";
    const auto dialog = Make(outcome);
    EXPECT_EQ(dialog->HelpTarget(), &mainWindow);
    dialog->show();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    const QString baudBefore = CurrentText(*dialog, 1006);
    dialog->Control(1006)->setFocus();
    QTest::keyClick(dialog->Control(1006), Qt::Key_F1);
    EXPECT_EQ(help.Count(), 1);
    EXPECT_EQ(CurrentText(*dialog, 1006), baudBefore) << "the key changed nothing in the dialog";
    dialog->hide();
}

TEST_F(PortSettingsDialogTest, WithoutAnInstalledWindowHelpGoesToTheWindowActiveAtOpening) {
    InstallPortSettingsDialog(nullptr);
    QWidget mainWindow;
    HelpKeyCounter help;
    mainWindow.installEventFilter(&help);
    mainWindow.show();
    mainWindow.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&mainWindow));
    Outcome outcome;
    const auto dialog = Make(outcome);
    EXPECT_EQ(dialog->HelpTarget(), &mainWindow);
    dialog->show();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    QTest::keyClick(dialog->Control(1005), Qt::Key_F1);
    EXPECT_EQ(help.Count(), 1);
    dialog->hide();
}

// The manager builds the dialog under its lock and runs it without: another thread can use
// the manager while the dialog is up.
TEST_F(PortSettingsDialogTest, ShowSettingsDialogRunsModallyWithoutTheManagerLock) {
    InstallPortSettingsDialog();
    bool otherThreadGotThrough = false;
    std::string name = "com4";
    std::string settings;
    std::int32_t option = -1;
    {
        const ModalAnswer<PortSettingsDialog> answer([&](PortSettingsDialog* dialog) {
            auto status =
                std::async(std::launch::async, [&] { return manager_.GetStatus("COM2"); });
            otherThreadGotThrough = status.wait_for(kDeadline) == std::future_status::ready;
            EXPECT_TRUE(ChooseItem(*dialog, 1008, "M"));
            dialog->ControlAs<QCheckBox>(1009)->setChecked(true);
            ClickOk(*dialog);
        });
        EXPECT_TRUE(manager_.ShowSettingsDialog(1, name, settings, &option, kAllKinds, 1, 1));
        EXPECT_TRUE(answer.Answered());
    }
    EXPECT_TRUE(otherThreadGotThrough);
    const portsettings::LineChoice defaults =
        portsettings::LineChoiceFrom(portsettings::kDefaultLineSettings);
    EXPECT_EQ(name, "COM4");
    EXPECT_EQ(settings, SettingsFrom(defaults.baudCode, "M", defaults.stopBits));
    EXPECT_EQ(option, 1);

    std::string kept = "COM1";
    std::string untouched = "x";
    {
        const ModalAnswer<PortSettingsDialog> answer(
            [](PortSettingsDialog* dialog) { dialog->OnCancel(); });
        EXPECT_FALSE(manager_.ShowSettingsDialog(1, kept, untouched, &option, kAllKinds, 1, 1));
        EXPECT_TRUE(answer.Answered());
    }
    EXPECT_EQ(kept, "COM1");
    EXPECT_EQ(untouched, "x");
}

TEST_F(PortSettingsDialogTest, ShowSettingsDialogFromAnotherThreadShowsNothing) {
    InstallPortSettingsDialog();
    std::string name = "COM1";
    std::string settings = "x";
    std::int32_t option = -1;
    auto shown = std::async(std::launch::async, [&] {
        return manager_.ShowSettingsDialog(1, name, settings, &option, kAllKinds, 1, 1);
    });
    ASSERT_EQ(shown.wait_for(kDeadline), std::future_status::ready);
    EXPECT_FALSE(shown.get());
    EXPECT_EQ(name, "COM1");
    EXPECT_EQ(settings, "x");
    EXPECT_EQ(option, -1);
}

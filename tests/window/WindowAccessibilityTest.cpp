// The main window as assistive tools read it, and its keyboard.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <vector>

#include "AccessibleCheck.h"
#include "AccessibleEventRecorder.h"
#include "ConnectedWindow.h"
#include "controls/StatusLamp.h"

namespace {

using Role = QAccessible::Role;

struct ExpectedAccessible {
    int id;
    Role role;
    QString name;
    int checked = kNotCheckable;
};

// Every control with an id: its role, the name a screen reader says and its checked state.
std::vector<ExpectedAccessible> ExpectedWithIds() {
    std::vector<ExpectedAccessible> rows = {
        {1000, Role::RadioButton, "Go Offline", 1},
        {1001, Role::RadioButton, "Go Online", 0},
        {1002, Role::EditableText, "Response"},
        {1011, Role::Button, "Update"},
        {1052, Role::CheckBox, "Auto-Update", 0},
        {1056, Role::EditableText, "Voltage Response"},
        {1059, Role::EditableText, "Voltage Sensor #"},
        {1057, Role::EditableText, "Current Response"},
        {1060, Role::EditableText, "Current Sensor #"},
        {1058, Role::EditableText, "Trip Point Response"},
        {1061, Role::EditableText, "Trip Point Sensor #"},
        {1067, Role::EditableText, "Power Level (VI) Response"},
        {1066, Role::EditableText, "Power Level (VI) Sensor #"},
        {1064, Role::Button, "Start"},
        {1062, Role::RadioButton, "Left Tube", 1},
        {1063, Role::RadioButton, "Right Tube", 0},
        {1075, Role::CheckBox, "Dump To File", 0},
        {1076, Role::EditableText, "Dump To File"},
        {1077, Role::Button, "Choose Dump File"},
        {1065, Role::Tree, "Sensor Current Dump"},
        {1103, Role::Button, "Reset"},
        {1104, Role::EditableText, "Acceptable Sensor Current Spread"},
        {1083, Role::Button, "Sensor Timing Test"},
        {1, Role::Button, "Done"},
    };
    const std::pair<int, const char*> commands[] = {{1003, "Set Power Lvl"},
                                                    {1004, "Set Voltage"},
                                                    {1005, "Set Trip Point"},
                                                    {1007, "Adjust Trip Point"},
                                                    {1012, "Sensor Reports"},
                                                    {1006, "Train Sensor"},
                                                    {1008, "Save Training Data"},
                                                    {1009, "Restore Training Data"},
                                                    {1010, "Poll For Instrument"},
                                                    {1053, "Voltage"},
                                                    {1054, "Current"},
                                                    {1055, "Trip Point"}};
    for (const auto& [id, text] : commands) {
        rows.push_back({id, Role::Button, QString::fromLatin1(text)});
    }
    const char* const statusRows[] = {"Enabled", "Trained", "Shorted", "Opened", "Covered"};
    for (int r = 0; r < 5; ++r) {
        for (int k = 0; k < 8; ++k) {  // cell k stands under the heading of sensor 7 - k
            rows.push_back({2000 + 8 * r + k, Role::EditableText,
                            QStringLiteral("%1 %2").arg(QLatin1String(statusRows[r])).arg(7 - k)});
        }
    }
    for (int c = 0; c < 4; ++c) {
        rows.push_back({1091 + c, Role::StaticText, QStringLiteral("Spread lamp %1, dark").arg(c)});
        rows.push_back({1095 + c, Role::StaticText, QStringLiteral("Max %1").arg(c)});
        rows.push_back({1099 + c, Role::StaticText, QStringLiteral("Min %1").arg(c)});
    }
    return rows;
}

using WindowAccessibilityTest = windowtest::ConnectedWindowTest;

TEST_F(WindowAccessibilityTest, EveryControlHasItsRoleNameAndState) {
    window->show();
    for (const ExpectedAccessible& row : ExpectedWithIds()) {
        SCOPED_TRACE(::testing::Message() << "control " << row.id);
        ExpectAccessible(window->Control(row.id), row.role, row.name, row.checked);
    }
    // The statics and group boxes without an id are named by their own text.
    int unnamed = 0;
    for (const ui::BuiltControl& control : window->Controls()) {
        if (control.spec->id != ui::NoId) {
            continue;
        }
        ++unnamed;
        const bool group = control.spec->kind == ui::ControlKind::GroupBox;
        ExpectAccessible(control.widget, group ? Role::Grouping : Role::StaticText,
                         control.spec->text);
    }
    EXPECT_EQ(unnamed, 4 + 1 + 8 + 5 + 3 + 4);  // the groups, the statics of the four sections
}

TEST_F(WindowAccessibilityTest, LampsAreIndicatorsThatTellTheirStateAndTakeNoFocus) {
    window->show();
    StatusLamp* lamp = window->SpreadLamp(2);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(lamp);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->text(QAccessible::Value), QStringLiteral("dark"));
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Spread lamp 2, dark"));
    EXPECT_FALSE(accessible->state().focusable);
    EXPECT_TRUE(accessible->actionInterface() == nullptr ||
                accessible->actionInterface()->actionNames().isEmpty());
    window->ResetCurrentExtremes();
    AccessibleEventRecorder events;
    lamp->SetLit(1);
    EXPECT_EQ(accessible->text(QAccessible::Value), QStringLiteral("lit"));
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Spread lamp 2, lit"));
    EXPECT_EQ(events.Of(lamp, QAccessible::NameChanged).size(), 1u);
    lamp->SetLit(1);
    EXPECT_EQ(events.Of(lamp, QAccessible::NameChanged).size(), 1u) << "no change, no event";
    window->ResetCurrentExtremes();
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Spread lamp 2, dark"));
    EXPECT_EQ(events.Of(lamp, QAccessible::NameChanged).size(), 2u);
    window->Control(1104)->setFocus();
    QTest::mouseClick(lamp, Qt::LeftButton);
    EXPECT_EQ(window->focusWidget(), window->Control(1104));
}

TEST_F(WindowAccessibilityTest, NamesFollowTheTextsTheProgramChanges) {
    window->show();
    QWidget* start = window->Control(MaintenanceDialog::IdStartStop);
    Click(MaintenanceDialog::IdStartStop);
    ASSERT_TRUE(window->IsDumpRunning());
    ExpectAccessible(start, Role::Button, QStringLiteral("Stop"));
    Click(MaintenanceDialog::IdStartStop);
    // The dump ends on the silent ticks that follow the stop.
    for (int tick = 0; tick < 1000 && window->IsDumpRunning(); ++tick) {
        window->OnDumpTick();
    }
    ASSERT_FALSE(window->IsDumpRunning());
    ExpectAccessible(start, Role::Button, QStringLiteral("Start"));

    // An extreme's caption stays, its value is what the label shows.
    auto* maximum = window->ControlAs<QLabel>(MaintenanceDialog::IdFirstExtremeLabel);
    maximum->setText(QStringLiteral("1.234"));
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(maximum);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Max 0"));
    EXPECT_EQ(accessible->text(QAccessible::Value), QStringLiteral("1.234"));
}

TEST_F(WindowAccessibilityTest, KeypadEnterPressesTheFocusedButtonOtherwiseRunsDone) {
    window->show();
    card->ClearRecord();
    QWidget* update = window->Control(MaintenanceDialog::IdUpdate);
    update->setFocus();
    QTest::keyClick(update, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(windowtest::Printable(card->Received()), windowtest::Printable("SQ\r"));
    EXPECT_TRUE(window->isVisible());

    QWidget* spread = window->Control(MaintenanceDialog::IdSpreadField);
    spread->setFocus();
    QTest::keyClick(spread, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_FALSE(window->isVisible()) << "Done ended the window";
    EXPECT_EQ(window->result(), QDialog::Accepted);
}

}  // namespace

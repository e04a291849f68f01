// The main window as assistive tools read it, and its keyboard.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <vector>

#include "AccessibleCheck.h"
#include "AccessibleEventRecorder.h"
#include "ConnectedWindow.h"
#include "app/StatusSummary.h"
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
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Max 0, 1.234"))
        << "read by its value, not only by its caption";
    EXPECT_EQ(accessible->text(QAccessible::Value), QStringLiteral("1.234"));
}

// Screen readers read every static text without a relation with the window's title each time
// the window comes back; the lamps and extremes are the dump list's, and say so.
TEST_F(WindowAccessibilityTest, LampsAndExtremesAreControlledByTheDumpList) {
    window->show();
    for (const int id : {1091, 1094, 1095, 1102}) {
        SCOPED_TRACE(::testing::Message() << "control " << id);
        const auto relations = QAccessible::queryAccessibleInterface(window->Control(id))
                                   ->relations(QAccessible::Controller);
        ASSERT_EQ(relations.size(), 1);
        EXPECT_EQ(relations[0].first->object(), window->Control(MaintenanceDialog::IdDumpList));
    }
}

TEST(StatusSummary, ConditionsWithTheirSensorsInRuns) {
    const struct {
        std::vector<ConditionSensors> conditions;
        const char* told;
    } cases[] = {
        {{{"Enabled", {}}, {"Covered", {}}}, "Status: no condition holds."},
        {{{"Enabled", {0, 1, 2, 3, 4, 5, 6, 7}}, {"Trained", {5, 0, 1, 2, 3}}, {"Covered", {1}}},
         "Status: enabled 0-7, trained 0-3 and 5, covered 1."},
        {{{"Shorted", {1, 3, 5}}, {"Opened", {7, 6}}}, "Status: shorted 1, 3 and 5, opened 6-7."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StatusSummary(c.conditions), QString::fromLatin1(c.told));
    }
}

TEST_F(WindowAccessibilityTest, UpdateTellsTheStatusInOneSentence) {
    cardsim::SensorState state = card->Sensor(1);
    state.covered = true;
    card->SetSensor(1, state);
    state = card->Sensor(7);
    state.trained = false;
    card->SetSensor(7, state);
    window->show();
    AccessibleEventRecorder events;
    Click(MaintenanceDialog::IdUpdate);
    EXPECT_EQ(events.notifications,
              std::vector<QString>{"Status: enabled 0-7, trained 0-6, covered 1."});
}

TEST_F(WindowAccessibilityTest, TheStatusGridIsATableAfterUpdateInTheTabOrder) {
    window->show();
    QApplication::setActiveWindow(window.get());
    Click(MaintenanceDialog::IdUpdate);
    QWidget* update = window->Control(MaintenanceDialog::IdUpdate);
    update->setFocus(Qt::TabFocusReason);
    QTest::keyClick(update, Qt::Key_Tab);
    QWidget* grid = window->focusWidget();
    ASSERT_NE(grid, update);
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(grid);
    EXPECT_EQ(table->role(), Role::Table);
    EXPECT_EQ(table->text(QAccessible::Name), QStringLiteral("Sensor Status Section"));
    QAccessibleTableInterface* cells = table->tableInterface();
    ASSERT_NE(cells, nullptr);
    EXPECT_EQ(cells->rowCount(), 5);
    EXPECT_EQ(cells->columnCount(), 8);
    EXPECT_EQ(cells->columnDescription(0), QStringLiteral("7"));
    EXPECT_EQ(cells->rowDescription(4), QStringLiteral("Covered"));
    EXPECT_EQ(cells->cellAt(0, 7)->text(QAccessible::Name), QStringLiteral("Enabled 0: 1"));
    EXPECT_EQ(cells->cellAt(2, 0)->text(QAccessible::Name), QStringLiteral("Shorted 7: 0"));

    // The arrows walk it; Tab leaves it for the next button.
    AccessibleEventRecorder events;
    QTest::keyClick(grid, Qt::Key_Right);
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_FALSE(events.Of(grid, QAccessible::Focus).empty());
    QTest::keyClick(grid, Qt::Key_Tab);
    EXPECT_EQ(window->focusWidget(), window->Control(MaintenanceDialog::IdQueryVoltage));
}

// The dump ends seconds after "Stop", when the focus may have moved on: the stop is told as it
// is sent, and the end when it comes.
TEST_F(WindowAccessibilityTest, StartAndStopAreToldAndALightingLampToo) {
    window->show();
    QApplication::setActiveWindow(window.get());
    QWidget* start = window->Control(MaintenanceDialog::IdStartStop);
    for (const bool focusStays : {true, false}) {
        SCOPED_TRACE(focusStays);
        start->setFocus();
        AccessibleEventRecorder events;
        Click(MaintenanceDialog::IdStartStop);
        EXPECT_EQ(events.notifications, std::vector<QString>{"Stop"});
        window->RecordCurrentSample("1000 1000 1000 1000");
        window->RecordCurrentSample("1000 2000 1000 2000");
        window->RecordCurrentSample("1000 2000 3000 2000");
        EXPECT_EQ(events.notifications,
                  (std::vector<QString>{"Stop", "Spread lamp 1, lit. Spread lamp 3, lit.",
                                        "Spread lamp 2, lit."}));
        Click(MaintenanceDialog::IdStartStop);
        EXPECT_EQ(events.notifications.back(), QStringLiteral("Stopping the dump."));
        if (!focusStays) {
            window->Control(MaintenanceDialog::IdReset)->setFocus();
        }
        for (int tick = 0; tick < 1000 && window->IsDumpRunning(); ++tick) {
            window->OnDumpTick();
        }
        ASSERT_FALSE(window->IsDumpRunning());
        EXPECT_EQ(events.notifications.back(), focusStays ? QStringLiteral("Dump ended. Start.")
                                                          : QStringLiteral("Dump ended."));
    }
}

// A survey that comes out as the last one did leaves the field's text as it was.
TEST_F(WindowAccessibilityTest, EverySurveyOutcomeIsToldAlsoWhenItReadsAsTheLast) {
    window->show();
    auto* survey = window->findChild<QAction*>(QStringLiteral("readAllSensors"));
    ASSERT_NE(survey, nullptr);
    AccessibleEventRecorder events;
    const QString outcome =
        QStringLiteral("Response: Read all sensors: 8 of 8 answered, 1 finding.");
    for (int count = 1; count <= 2; ++count) {
        survey->trigger();
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                return std::count(events.notifications.begin(), events.notifications.end(),
                                  outcome) == count;
            },
            10000))
            << "survey " << count << ": "
            << QStringList(events.notifications.begin(), events.notifications.end())
                   .join(QStringLiteral(" | "))
                   .toStdString();
    }
    EXPECT_EQ(QStringLiteral("Response: ") +
                  window->ControlAs<QLineEdit>(MaintenanceDialog::IdResponse)->text(),
              outcome);
}

// The tube pair stands side by side: every arrow moves within it, checking the button it moves
// to, and Tab and Shift+Tab leave it from either button.
TEST_F(WindowAccessibilityTest, ArrowsMoveWithinARadioPairAndTabLeavesItFromEitherButton) {
    window->show();
    QApplication::setActiveWindow(window.get());
    auto* left = window->ControlAs<QRadioButton>(1062);
    auto* right = window->ControlAs<QRadioButton>(1063);
    const struct {
        QRadioButton* from;
        int key;
        QRadioButton* to;
    } moves[] = {{left, Qt::Key_Down, right},  {right, Qt::Key_Up, left},
                 {left, Qt::Key_Right, right}, {right, Qt::Key_Left, left},
                 {left, Qt::Key_Up, left},     {left, Qt::Key_Down, right}};
    left->setFocus(Qt::TabFocusReason);
    for (const auto& move : moves) {
        ASSERT_EQ(window->focusWidget(), move.from);
        QTest::keyClick(move.from, static_cast<Qt::Key>(move.key));
        EXPECT_EQ(window->focusWidget(), move.to) << move.key;
        EXPECT_TRUE(move.to->isChecked()) << move.key;
    }
    auto* headings = window->ControlAs<QTreeWidget>(MaintenanceDialog::IdDumpList)->headerItem();
    EXPECT_EQ(headings->text(0), QStringLiteral("4 (mA)")) << "the right tube's, as by a click";

    for (QRadioButton* from : {left, right}) {
        from->setFocus(Qt::TabFocusReason);
        QTest::keyClick(from, Qt::Key_Tab);
        EXPECT_EQ(window->focusWidget(), window->Control(1075)) << "Dump To File";
        from->setFocus(Qt::TabFocusReason);
        QTest::keyClick(from, Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(window->focusWidget(), window->Control(MaintenanceDialog::IdStartStop));
    }
}

TEST_F(WindowAccessibilityTest, TheDumpListIsAStopThatTellsItsNewestRow) {
    window->show();
    QApplication::setActiveWindow(window.get());
    window->RecordCurrentSample("1000 1000 1000 1000");
    window->RecordCurrentSample("1000 2000 3000 4000");
    QWidget* browse = window->Control(MaintenanceDialog::IdBrowseDumpFile);
    browse->setFocus(Qt::TabFocusReason);
    AccessibleEventRecorder events;
    QTest::keyClick(browse, Qt::Key_Tab);
    auto* list = window->ControlAs<QTreeWidget>(MaintenanceDialog::IdDumpList);
    ASSERT_EQ(window->focusWidget(), list);
    EXPECT_EQ(list->currentItem(), list->topLevelItem(1));
    EXPECT_EQ(events.notifications,
              std::vector<QString>{"0 (mA): 1.250, 1 (mA): 2.500, 2 (mA): 3.750, 3 (mA): 5.000."});
}

// Qt selects a field's text as Tab reaches it: for an empty field that raised a caret event
// ahead of the focus event, and Orca then said nothing of the field.
TEST_F(WindowAccessibilityTest, TabIntoTheEmptyDumpFileFieldTellsTheFocusFirst) {
    window->show();
    QApplication::setActiveWindow(window.get());
    QWidget* box = window->Control(1075);
    QWidget* field = window->Control(MaintenanceDialog::IdDumpFileName);
    ASSERT_TRUE(window->ControlAs<QLineEdit>(MaintenanceDialog::IdDumpFileName)->text().isEmpty());
    box->setFocus(Qt::TabFocusReason);
    AccessibleEventRecorder events;
    QTest::keyClick(box, Qt::Key_Tab);
    ASSERT_EQ(window->focusWidget(), field);
    std::vector<QAccessible::Event> told;
    for (const AccessibleEventRecorder::Event& event : events.events) {
        if (event.object == field) {
            told.push_back(event.type);
        }
    }
    ASSERT_FALSE(told.empty());
    EXPECT_EQ(told.front(), QAccessible::Focus);
}

TEST_F(WindowAccessibilityTest, TheMenuOpensOnItsFirstEntryEachReadWithItsShortcut) {
    window->show();
    QMenu* menu = window->SystemMenu();
    ASSERT_NE(menu, nullptr);
    QAction* trace = nullptr;
    for (QAction* action : menu->actions()) {
        if (action->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_T)) {
            trace = action;
        }
    }
    ASSERT_NE(trace, nullptr);
    QAccessibleInterface* entry = QAccessible::queryAccessibleInterface(trace);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->role(), Role::MenuItem);
    EXPECT_EQ(entry->text(QAccessible::Name), QStringLiteral("Protocol Trace..."));
    QAccessibleActionInterface* actions = entry->actionInterface();
    ASSERT_NE(actions, nullptr);
    EXPECT_EQ(actions->keyBindingsForAction(QAccessibleActionInterface::pressAction()),
              QStringList{";;Ctrl+T"});

    QString firstChosen;
    QTimer::singleShot(0, menu, [menu, &firstChosen] {
        static_cast<void>(QTest::qWaitFor([menu] { return menu->activeAction() != nullptr; }));
        if (menu->activeAction() != nullptr) {
            firstChosen = menu->activeAction()->text();
        }
        menu->hide();
    });
    menu->exec(window->mapToGlobal(QPoint(0, 0)));
    EXPECT_EQ(firstChosen, QStringLiteral("&About Merrowby..."));
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

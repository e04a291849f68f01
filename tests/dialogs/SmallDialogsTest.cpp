#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleValueInterface>
#include <QTest>
#include <functional>
#include <memory>

#include "AccessibleCheck.h"
#include "AccessibleEventRecorder.h"
#include "FeedbackRecorder.h"
#include "KeyInput.h"
#include "dialogs/PowerLevelDialog.h"
#include "dialogs/PowerLevelTable.h"
#include "dialogs/SelectSensorDialog.h"
#include "dialogs/SensorReportingDialog.h"
#include "dialogs/TrainingBinDialog.h"
#include "dialogs/UpDownControl.h"

namespace {

void ClickOk(ui::TemplateDialog& dialog) {
    dialog.ControlAs<QPushButton>(1)->click();
}
void ClickCancel(ui::TemplateDialog& dialog) {
    dialog.ControlAs<QPushButton>(2)->click();
}

// --- Select Sensor

TEST(SelectSensorDialog, OkAtOnceGivesSensorZero) {
    FeedbackRecorder feedback;
    SelectSensorDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Select Sensor"));
    EXPECT_EQ(dialog.ControlAs<QLineEdit>(1071)->text(), QStringLiteral("0"));
    ClickOk(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Sensor(), 0);
    EXPECT_EQ(feedback.Beeps(), 0);
}

TEST(SelectSensorDialog, UpArrowStopsAtSevenAndDownArrowAtZero) {
    SelectSensorDialog dialog;
    auto* spin = dialog.ControlAs<UpDownControl>(1072);
    auto* buddy = dialog.ControlAs<QLineEdit>(1071);
    ASSERT_NE(spin, nullptr);
    for (int click = 1; click <= 7; ++click) {
        spin->UpButton()->click();
        EXPECT_EQ(dialog.Sensor(), click);
        EXPECT_EQ(buddy->text(), QString::number(click));
    }
    spin->UpButton()->click();
    spin->UpButton()->click();
    EXPECT_EQ(dialog.Sensor(), 7);
    EXPECT_EQ(buddy->text(), QStringLiteral("7"));
    for (int click = 0; click < 9; ++click) {
        spin->DownButton()->click();
    }
    EXPECT_EQ(dialog.Sensor(), 0);
    EXPECT_EQ(buddy->text(), QStringLiteral("0"));
    ClickOk(dialog);
    EXPECT_EQ(dialog.Sensor(), 0);
}

TEST(SelectSensorDialog, ArrowKeysInTheBuddyStepAndNothingCanBeTyped) {
    SelectSensorDialog dialog;
    auto* buddy = dialog.ControlAs<QLineEdit>(1071);
    EXPECT_TRUE(buddy->isReadOnly());
    PressKey(buddy, Qt::Key_Up);
    PressKey(buddy, Qt::Key_Up);
    PressKey(buddy, Qt::Key_Up);
    PressKey(buddy, Qt::Key_Down);
    EXPECT_EQ(dialog.Sensor(), 2);
    buddy->selectAll();
    TypeText(buddy, QStringLiteral("5"));
    PressKey(buddy, Qt::Key_Backspace);
    EXPECT_EQ(buddy->text(), QStringLiteral("2"));
    ClickOk(dialog);
    EXPECT_EQ(dialog.Sensor(), 2);
}

TEST(SelectSensorDialog, KeypadArrowsStepAndAssistiveToolsReadTheSpinValueAndRange) {
    SelectSensorDialog dialog;
    auto* buddy = dialog.ControlAs<QLineEdit>(1071);
    QTest::keyClick(buddy, Qt::Key_Up, Qt::KeypadModifier);
    QTest::keyClick(buddy, Qt::Key_Up, Qt::KeypadModifier);
    QTest::keyClick(buddy, Qt::Key_Up, Qt::KeypadModifier);
    QTest::keyClick(buddy, Qt::Key_Down, Qt::KeypadModifier);
    EXPECT_EQ(dialog.Sensor(), 2);

    QAccessibleInterface* spin = QAccessible::queryAccessibleInterface(buddy);
    ASSERT_NE(spin, nullptr);
    EXPECT_EQ(spin->role(), QAccessible::SpinBox);
    EXPECT_EQ(spin->text(QAccessible::Name), QStringLiteral("Sensor #"));
    EXPECT_EQ(spin->text(QAccessible::Value), QStringLiteral("2"));
    QAccessibleValueInterface* value = spin->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->currentValue().toInt(), 2);
    EXPECT_EQ(value->minimumValue().toInt(), 0);
    EXPECT_EQ(value->maximumValue().toInt(), 7);
    value->setCurrentValue(9);  // as a scroll by the user: clamped, and the result follows
    EXPECT_EQ(buddy->text(), QStringLiteral("7"));
    EXPECT_EQ(dialog.Sensor(), 7);
}

TEST(SelectSensorDialog, TheArrowsSitAgainstTheFieldsRightEdge) {
    SelectSensorDialog dialog;
    const QRect field = dialog.Control(1071)->geometry();
    const QRect arrows = dialog.Control(1072)->geometry();
    EXPECT_EQ(arrows.left(), field.right() + 1);
    EXPECT_EQ(arrows.top(), field.top());
    EXPECT_EQ(arrows.height(), field.height());
    // Together they fill the field's template place, 92 to 112 dialog units.
    EXPECT_EQ(dialog.Units().ToUnits(field.united(arrows)), QRect(92, 16, 20, 14));
}

// The dialogs with an OK button: keypad Enter on a focused Cancel cancels.
TEST(SmallDialogs, KeypadEnterPressesTheFocusedCancelAndOtherwiseRunsOk) {
    const std::function<std::unique_ptr<ui::TemplateDialog>()> makers[] = {
        [] { return std::make_unique<SelectSensorDialog>(); },
        [] { return std::make_unique<SensorReportingDialog>(); },
        [] { return std::make_unique<PowerLevelDialog>(); },
        [] { return std::make_unique<TrainingBinDialog>(); },
    };
    for (const auto& make : makers) {
        const std::unique_ptr<ui::TemplateDialog> dialog = make();
        SCOPED_TRACE(dialog->windowTitle().toStdString());
        dialog->show();
        QWidget* cancel = dialog->Control(2);
        cancel->setFocus();
        ASSERT_EQ(dialog->focusWidget(), cancel);
        QTest::keyClick(cancel, Qt::Key_Enter, Qt::KeypadModifier);
        EXPECT_EQ(dialog->result(), QDialog::Rejected);
        EXPECT_FALSE(dialog->isVisible());

        dialog->show();
        QWidget* first = dialog->Controls().front().widget;
        first->setFocus();
        ASSERT_EQ(dialog->focusWidget(), first);
        QTest::keyClick(first, Qt::Key_Enter, Qt::KeypadModifier);
        EXPECT_EQ(dialog->result(), QDialog::Accepted);
    }
}

TEST(SelectSensorDialog, CancelEndsWithTheCancelResult) {
    SelectSensorDialog dialog;
    dialog.ControlAs<UpDownControl>(1072)->UpButton()->click();
    dialog.show();
    ClickCancel(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());
}

// --- Sensor reporting

TEST(SensorReportingDialog, OkAtOnceEnablesTheLeftTube) {
    SensorReportingDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Enable or Disable Sensor Reporting"));
    EXPECT_TRUE(dialog.ControlAs<QRadioButton>(1079)->isChecked());
    EXPECT_TRUE(dialog.ControlAs<QRadioButton>(1081)->isChecked());
    EXPECT_EQ(dialog.Enable(), 1);
    EXPECT_EQ(dialog.RightTube(), 0);
    ClickOk(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Enable(), 1);
    EXPECT_EQ(dialog.RightTube(), 0);
}

// Screen readers say a radio group's label as the focus enters it; no group box names these.
TEST(SensorReportingDialog, EachPairIsLabelledAsAGroupAndKeepsItsNames) {
    SensorReportingDialog dialog;
    const std::pair<int, const char*> buttons[] = {
        {1079, "Reporting"}, {1080, "Reporting"}, {1081, "Tube"}, {1082, "Tube"}};
    for (const auto& [id, group] : buttons) {
        auto* button = dialog.ControlAs<QRadioButton>(id);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button);
        const auto labels = accessible->relations(QAccessible::Label);
        ASSERT_EQ(labels.size(), 1) << id;
        EXPECT_EQ(labels[0].first->text(QAccessible::Name), QString::fromLatin1(group)) << id;
        EXPECT_EQ(accessible->text(QAccessible::Name), button->text()) << id;
    }
}

TEST(SensorReportingDialog, DisableAndRightTubeAreReadOnOk) {
    SensorReportingDialog dialog;
    dialog.ControlAs<QRadioButton>(1080)->click();
    dialog.ControlAs<QRadioButton>(1082)->click();
    // The two pairs are separate groups: each keeps one choice.
    EXPECT_FALSE(dialog.ControlAs<QRadioButton>(1079)->isChecked());
    EXPECT_FALSE(dialog.ControlAs<QRadioButton>(1081)->isChecked());
    EXPECT_EQ(dialog.Enable(), 1);  // clicks alone change nothing
    ClickOk(dialog);
    EXPECT_EQ(dialog.Enable(), 0);
    EXPECT_EQ(dialog.RightTube(), 1);
}

TEST(SensorReportingDialog, EachPairKeepsExactlyOneChoice) {
    SensorReportingDialog dialog;
    dialog.ControlAs<QRadioButton>(1079)->click();
    dialog.ControlAs<QRadioButton>(1082)->click();
    dialog.ControlAs<QRadioButton>(1081)->click();
    const int pairs[2][2] = {{1079, 1080}, {1081, 1082}};
    for (const auto& pair : pairs) {
        EXPECT_NE(dialog.ControlAs<QRadioButton>(pair[0])->isChecked(),
                  dialog.ControlAs<QRadioButton>(pair[1])->isChecked());
    }
    ClickOk(dialog);
    EXPECT_EQ(dialog.Enable(), 1);
    EXPECT_EQ(dialog.RightTube(), 0);
}

TEST(SensorReportingDialog, CancelLeavesTheOpeningFlags) {
    SensorReportingDialog dialog;
    dialog.ControlAs<QRadioButton>(1080)->click();
    dialog.ControlAs<QRadioButton>(1082)->click();
    ClickCancel(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(dialog.Enable(), 1);
    EXPECT_EQ(dialog.RightTube(), 0);
}

// --- Power level

// A combo box as screen readers on Linux read it: the name of the label it is labelled by,
// and its current entry.
void ExpectComboLabel(QComboBox* list, const QString& label, const QString& entry) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(list);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::ComboBox);
    EXPECT_EQ(accessible->text(QAccessible::Value), entry);
    const auto labels = accessible->relations(QAccessible::Label);
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels.front().first->text(QAccessible::Name), label);
    EXPECT_EQ(list->accessibleName(), label);
}

TEST(PowerLevelDialog, ListsTheTableWithPositionSixSelected) {
    PowerLevelDialog dialog;
    auto* list = dialog.ControlAs<QComboBox>(1067);
    ASSERT_EQ(list->count(), kPowerLevelCount);
    for (int i = 0; i < kPowerLevelCount; ++i) {
        EXPECT_EQ(list->itemText(i).toStdString(), PowerLevels()[i].text) << i;
    }
    EXPECT_EQ(list->currentText(), QStringLiteral("6.5 mW (851Bh)"));
    ExpectComboLabel(list, QStringLiteral("Target Power Level"), QStringLiteral("6.5 mW (851Bh)"));
    EXPECT_EQ(dialog.Code(), "851B");
    ClickOk(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Code(), "851B");
}

TEST(PowerLevelDialog, OkReturnsTheCodeOfTheSelectedPosition) {
    PowerLevelDialog first;
    first.ControlAs<QComboBox>(1067)->setCurrentIndex(0);
    EXPECT_EQ(first.ControlAs<QComboBox>(1067)->currentText(), QStringLiteral("1    mW (147Bh)"));
    ClickOk(first);
    EXPECT_EQ(first.Code(), "147B");

    PowerLevelDialog last;
    last.ControlAs<QComboBox>(1067)->setCurrentIndex(kPowerLevelCount - 1);
    ClickOk(last);
    EXPECT_EQ(last.Code(), "872A");
}

TEST(PowerLevelDialog, CancelLeavesTheCode) {
    PowerLevelDialog dialog;
    dialog.ControlAs<QComboBox>(1067)->setCurrentIndex(0);
    ClickCancel(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(dialog.Code(), "851B");
}

// Qt 6.4 tells screen readers nothing of a new entry; the list says it as a notification, and
// its description is the entry, read with the list as it takes the focus.
TEST(PowerLevelDialog, TheEntryIsTheListsDescriptionAndAKeyChoiceIsTold) {
    PowerLevelDialog dialog;
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    auto* list = dialog.ControlAs<QComboBox>(1067);
    list->setFocus();
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(list);
    EXPECT_EQ(accessible->text(QAccessible::Description), QStringLiteral("6.5 mW (851Bh)"));
    AccessibleEventRecorder events;
    PressKey(list, Qt::Key_Down);
    EXPECT_EQ(events.notifications, std::vector<QString>{"6.6 mW (872Ah)"});
    EXPECT_EQ(accessible->text(QAccessible::Description), QStringLiteral("6.6 mW (872Ah)"));
    list->setCurrentIndex(0);  // not by the keys of the focused list: not told
    list->clearFocus();
    list->setCurrentIndex(3);
    EXPECT_EQ(events.notifications.size(), 2u);
}

// --- Storage bin

// A model change puts the list back on bin 0 while the focus stays on the model: told, so that
// a screen reader's user does not save into bin 0 unawares.
TEST(TrainingBinDialog, AModelChangeTellsTheBinItWentBackTo) {
    TrainingBinDialog dialog;
    dialog.show();
    dialog.ControlAs<QComboBox>(1074)->setCurrentIndex(2);
    AccessibleEventRecorder events;
    dialog.ControlAs<QRadioButton>(1106)->click();
    EXPECT_EQ(
        events.notifications,
        std::vector<QString>{"Storage Bin: 0 L(20\u00B0...24\u00B0) and R(20\u00B0...24\u00B0)"});
}

TEST(TrainingBinDialog, OpensOnModelABWithBinZero) {
    TrainingBinDialog dialog;
    auto* list = dialog.ControlAs<QComboBox>(1074);
    EXPECT_TRUE(dialog.ControlAs<QRadioButton>(1105)->isChecked());
    EXPECT_FALSE(dialog.ControlAs<QRadioButton>(1106)->isChecked());
    EXPECT_EQ(list->count(), 256);
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_EQ(list->itemText(130), TrainingBinLabels(InstrumentModel::TarnelAB)[130]);
    ExpectComboLabel(list, QStringLiteral("Storage Bin"), QStringLiteral("0 (20\u00B0C)"));
    ClickOk(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Bin(), 0);
}

TEST(TrainingBinDialog, OkReturnsTheSelectedPosition) {
    TrainingBinDialog dialog;
    dialog.ControlAs<QRadioButton>(1106)->click();
    dialog.ControlAs<QComboBox>(1074)->setCurrentIndex(224);
    ClickOk(dialog);
    EXPECT_EQ(dialog.Bin(), 224);
}

TEST(TrainingBinDialog, EveryModelClickRefillsTheListAndResetsToBinZero) {
    TrainingBinDialog dialog;
    auto* list = dialog.ControlAs<QComboBox>(1074);
    list->setCurrentIndex(100);
    dialog.ControlAs<QRadioButton>(1106)->click();
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_EQ(list->count(), 256);
    EXPECT_EQ(list->itemText(105), TrainingBinLabels(InstrumentModel::TarnelC)[105]);

    list->setCurrentIndex(50);
    dialog.ControlAs<QRadioButton>(1106)->click();  // the model already checked
    EXPECT_TRUE(dialog.ControlAs<QRadioButton>(1106)->isChecked());
    EXPECT_EQ(list->currentIndex(), 0);

    list->setCurrentIndex(60);
    dialog.ControlAs<QRadioButton>(1105)->click();
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_EQ(list->itemText(131), QStringLiteral("131"));
    ClickOk(dialog);
    EXPECT_EQ(dialog.Bin(), 0);
}

TEST(TrainingBinDialog, ArrowKeyOnTheModelSwitchesTheList) {
    TrainingBinDialog dialog;
    dialog.show();
    auto* modelAB = dialog.ControlAs<QRadioButton>(1105);
    auto* list = dialog.ControlAs<QComboBox>(1074);
    list->setCurrentIndex(9);
    QApplication::setActiveWindow(&dialog);
    modelAB->setFocus();
    PressKey(modelAB, Qt::Key_Down);
    EXPECT_TRUE(dialog.ControlAs<QRadioButton>(1106)->isChecked());
    EXPECT_EQ(list->itemText(0), TrainingBinLabels(InstrumentModel::TarnelC)[0]);
    EXPECT_EQ(list->currentIndex(), 0);
}

TEST(TrainingBinDialog, AssistiveToolsSelectAModelAsAClickAndTabSkipsCancel) {
    TrainingBinDialog dialog;
    auto* list = dialog.ControlAs<QComboBox>(1074);
    QAccessibleInterface* modelC =
        QAccessible::queryAccessibleInterface(dialog.ControlAs<QRadioButton>(1106));
    ASSERT_NE(modelC, nullptr);
    ASSERT_NE(modelC->actionInterface(), nullptr);
    modelC->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(modelC->state().checked);
    EXPECT_EQ(list->itemText(0), TrainingBinLabels(InstrumentModel::TarnelC)[0]);

    // Tab stops: the model group, the list, OK; Cancel has none.
    dialog.show();
    dialog.Control(1105)->setFocus();
    const int order[] = {1074, 1, 1105};
    for (const int id : order) {
        QTest::keyClick(dialog.focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(dialog.focusWidget(), dialog.Control(id)) << id;
    }
    EXPECT_FALSE(dialog.Control(2)->focusPolicy() & Qt::TabFocus);
}

TEST(SensorReportingDialog, ArrowKeysMoveWithinEachPair) {
    SensorReportingDialog dialog;
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    auto* enable = dialog.ControlAs<QRadioButton>(1079);
    enable->setFocus();
    QTest::keyClick(enable, Qt::Key_Down, Qt::KeypadModifier);
    EXPECT_TRUE(dialog.ControlAs<QRadioButton>(1080)->isChecked());
    EXPECT_EQ(dialog.focusWidget(), dialog.Control(1080));
    EXPECT_TRUE(dialog.ControlAs<QRadioButton>(1081)->isChecked()) << "the other pair stays";
    QTest::keyClick(dialog.focusWidget(), Qt::Key_Up);
    EXPECT_TRUE(enable->isChecked());
}

TEST(TrainingBinDialog, CancelEndsWithTheCancelResult) {
    TrainingBinDialog dialog;
    dialog.ControlAs<QComboBox>(1074)->setCurrentIndex(7);
    ClickCancel(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(dialog.Bin(), 0);
}

}  // namespace

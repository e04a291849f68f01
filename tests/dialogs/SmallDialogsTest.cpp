#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

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

TEST(PowerLevelDialog, ListsTheTableWithPositionSixSelected) {
    PowerLevelDialog dialog;
    auto* list = dialog.ControlAs<QComboBox>(1067);
    ASSERT_EQ(list->count(), kPowerLevelCount);
    for (int i = 0; i < kPowerLevelCount; ++i) {
        EXPECT_EQ(list->itemText(i).toStdString(), PowerLevels()[i].text) << i;
    }
    EXPECT_EQ(list->currentText(), QStringLiteral("6.5 mW (851Bh)"));
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

// --- Storage bin

TEST(TrainingBinDialog, OpensOnModelABWithBinZero) {
    TrainingBinDialog dialog;
    auto* list = dialog.ControlAs<QComboBox>(1074);
    EXPECT_TRUE(dialog.ControlAs<QRadioButton>(1105)->isChecked());
    EXPECT_FALSE(dialog.ControlAs<QRadioButton>(1106)->isChecked());
    EXPECT_EQ(list->count(), 256);
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_EQ(list->itemText(130), TrainingBinLabels(InstrumentModel::TarnelAB)[130]);
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

TEST(TrainingBinDialog, CancelEndsWithTheCancelResult) {
    TrainingBinDialog dialog;
    dialog.ControlAs<QComboBox>(1074)->setCurrentIndex(7);
    ClickCancel(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(dialog.Bin(), 0);
}

}  // namespace

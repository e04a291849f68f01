#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <functional>
#include <memory>
#include <ostream>
#include <vector>

#include "dialogs/PowerLevelDialog.h"
#include "dialogs/SelectSensorDialog.h"
#include "dialogs/SensorLevelDialog.h"
#include "dialogs/SensorReportingDialog.h"
#include "dialogs/TrainingBinDialog.h"

namespace {

constexpr int kStatic = -1;  // a static text without an id

struct ExpectedControl {
    int id;
    const char* text;  // checked for buttons and static texts
    int x, y, width, height;
};

struct ExpectedDialog {
    const char* name;
    std::function<std::unique_ptr<ui::TemplateDialog>()> make;
    int templateId;
    const char* title;
    int width, height;
    std::vector<ExpectedControl> controls;
};

std::ostream& operator<<(std::ostream& out, const ExpectedDialog& d) {
    return out << d.name;
}

template <class Dialog, class... Args>
std::function<std::unique_ptr<ui::TemplateDialog>()> Maker(Args... args) {
    return [=] { return std::make_unique<Dialog>(args...); };
}

const ExpectedDialog kDialogs[] = {
    {"PowerLevel",
     Maker<PowerLevelDialog>(),
     129,
     "Set Target Power Level",
     186,
     66,
     {{1067, "", 55, 15, 75, 70}, {1, "OK", 37, 40, 50, 14}, {2, "Cancel", 97, 40, 50, 14}}},
    {"Voltage",
     Maker<SensorLevelDialog>(std::uint8_t{0}),
     130,
     "Set Sensor Voltage",
     186,
     95,
     {{kStatic, "Sensor #", 7, 8, 30, 8},
      {1071, "0", 38, 6, 20, 14},
      {1072, "", 60, 6, 10, 14},
      {1090, "Apply setting to all sensors", 79, 6, 96, 10},
      {1069, "0.00", 70, 27, 30, 14},
      {1068, "V", 102, 29, 14, 8},
      {1070, "", 5, 45, 175, 15},
      {1, "OK", 37, 75, 50, 14},
      {2, "Cancel", 97, 75, 50, 14}}},
    {"TripPoint",
     Maker<SensorLevelDialog>(std::uint8_t{1}),
     130,
     "Set Sensor Trip Point",
     186,
     95,
     {{kStatic, "Sensor #", 7, 8, 30, 8},
      {1071, "0", 38, 6, 20, 14},
      {1072, "", 60, 6, 10, 14},
      {1090, "Apply setting to all sensors", 79, 6, 96, 10},
      {1069, "0.00", 70, 27, 30, 14},
      {1068, "mA", 102, 29, 14, 8},
      {1070, "", 5, 45, 175, 15},
      {1, "OK", 37, 75, 50, 14},
      {2, "Cancel", 97, 75, 50, 14}}},
    {"SelectSensor",
     Maker<SelectSensorDialog>(),
     131,
     "Select Sensor",
     186,
     76,
     {{kStatic, "Sensor #", 61, 18, 30, 8},
      {1071, "0", 92, 16, 20, 14},
      {1072, "", 114, 16, 10, 14},
      {1, "OK", 37, 47, 50, 14},
      {2, "Cancel", 97, 47, 50, 14}}},
    {"TrainingBin",
     Maker<TrainingBinDialog>(),
     132,
     "Training Levels Storage Bin",
     187,
     92,
     {{1105, "Tarnel-A or Tarnel-B", 48, 7, 90, 10},
      {1106, "Tarnel-C", 48, 20, 57, 10},
      {1074, "", 14, 40, 160, 110},
      {1, "OK", 36, 66, 50, 14},
      {2, "Cancel", 101, 66, 50, 14}}},
    {"SensorReporting",
     Maker<SensorReportingDialog>(),
     135,
     "Enable or Disable Sensor Reporting",
     186,
     81,
     {{1079, "Enable", 40, 15, 38, 10},
      {1080, "Disable", 40, 30, 39, 10},
      {1081, "Left Tube", 95, 15, 47, 10},
      {1082, "Right Tube", 95, 30, 51, 10},
      {1, "OK", 35, 56, 50, 14},
      {2, "Cancel", 100, 56, 50, 14}}},
};

QString ShownText(const QWidget* widget) {
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        return button->text();
    }
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        return label->text();
    }
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget)) {
        return edit->text();
    }
    return {};
}

class DialogLayout : public ::testing::TestWithParam<ExpectedDialog> {};

TEST_P(DialogLayout, ControlsSitWhereTheTemplateSays) {
    const ExpectedDialog& expected = GetParam();
    const std::unique_ptr<ui::TemplateDialog> dialog = expected.make();
    EXPECT_EQ(dialog->Template().id, expected.templateId);
    EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8(expected.title));
    EXPECT_EQ(dialog->size(), dialog->Units().ToPixels(QSize(expected.width, expected.height)));
    const std::vector<ui::BuiltControl>& built = dialog->Controls();
    ASSERT_EQ(built.size(), expected.controls.size());
    for (std::size_t i = 0; i < built.size(); ++i) {
        const ExpectedControl& control = expected.controls[i];
        const QWidget* widget = built[i].widget;
        const int id = control.id == kStatic ? ui::NoId : control.id;
        ASSERT_EQ(built[i].spec->id, id) << i;
        if (id != ui::NoId) {
            EXPECT_EQ(dialog->Control(id), widget) << id;
        }
        const QRect units = dialog->Units().ToUnits(widget->geometry());
        EXPECT_EQ(units.topLeft(), QPoint(control.x, control.y)) << control.id;
        EXPECT_EQ(units.width(), control.width) << control.id;
        if (qobject_cast<const QComboBox*>(widget) == nullptr) {
            EXPECT_EQ(units.height(), control.height) << control.id;
        } else {
            // The template height of a drop-down list includes its list.
            EXPECT_LT(units.height(), control.height) << control.id;
        }
        EXPECT_EQ(ShownText(widget), QString::fromUtf8(control.text)) << control.id;
    }
}

TEST_P(DialogLayout, OkIsTheDefaultButton) {
    const std::unique_ptr<ui::TemplateDialog> dialog = GetParam().make();
    auto* ok = dialog->ControlAs<QPushButton>(1);
    auto* cancel = dialog->ControlAs<QPushButton>(2);
    ASSERT_NE(ok, nullptr);
    ASSERT_NE(cancel, nullptr);
    EXPECT_TRUE(ok->isDefault());
    EXPECT_FALSE(cancel->isDefault());
}

std::string DialogName(const ::testing::TestParamInfo<ExpectedDialog>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Dialogs, DialogLayout, ::testing::ValuesIn(kDialogs), DialogName);

}  // namespace

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

#include "AccessibleCheck.h"
#include "dialogs/PowerLevelDialog.h"
#include "dialogs/SelectSensorDialog.h"
#include "dialogs/SensorLevelDialog.h"
#include "dialogs/SensorReportingDialog.h"
#include "dialogs/TrainingBinDialog.h"

namespace {

constexpr int kStatic = -1;  // a static text without an id

using Role = QAccessible::Role;

struct ExpectedControl {
    int id;
    const char* text;  // checked for buttons and static texts
    int x, y, width, height;
    // What assistive tools read: role, name and, for radio buttons and check boxes, the state.
    Role role;
    const char* name;
    int checked = kNotCheckable;
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
     {{1067, "", 55, 15, 75, 70, Role::ComboBox, "6.5 mW (851Bh)"},
      {1, "OK", 37, 40, 50, 14, Role::Button, "OK"},
      {2, "Cancel", 97, 40, 50, 14, Role::Button, "Cancel"}}},
    {"Voltage",
     Maker<SensorLevelDialog>(std::uint8_t{0}),
     130,
     "Set Sensor Voltage",
     186,
     95,
     {{kStatic, "Sensor #", 7, 8, 30, 8, Role::StaticText, "Sensor #"},
      {1071, "0", 38, 6, 10, 14, Role::SpinBox, "Sensor #"},
      {1072, "", 48, 6, 10, 14, Role::Client, "Sensor number"},
      {1090, "Apply setting to all sensors", 79, 6, 96, 10, Role::CheckBox,
       "Apply setting to all sensors", 0},
      {1069, "0.00", 70, 27, 30, 14, Role::EditableText, "Value"},
      {1068, "V", 102, 29, 14, 8, Role::StaticText, "V"},
      {1070, "", 5, 45, 175, 15, Role::Slider, "Value (V)"},
      {1, "OK", 37, 75, 50, 14, Role::Button, "OK"},
      {2, "Cancel", 97, 75, 50, 14, Role::Button, "Cancel"}}},
    {"TripPoint",
     Maker<SensorLevelDialog>(std::uint8_t{1}),
     130,
     "Set Sensor Trip Point",
     186,
     95,
     {{kStatic, "Sensor #", 7, 8, 30, 8, Role::StaticText, "Sensor #"},
      {1071, "0", 38, 6, 10, 14, Role::SpinBox, "Sensor #"},
      {1072, "", 48, 6, 10, 14, Role::Client, "Sensor number"},
      {1090, "Apply setting to all sensors", 79, 6, 96, 10, Role::CheckBox,
       "Apply setting to all sensors", 0},
      {1069, "0.00", 70, 27, 30, 14, Role::EditableText, "Value"},
      {1068, "mA", 102, 29, 14, 8, Role::StaticText, "mA"},
      {1070, "", 5, 45, 175, 15, Role::Slider, "Value (mA)"},
      {1, "OK", 37, 75, 50, 14, Role::Button, "OK"},
      {2, "Cancel", 97, 75, 50, 14, Role::Button, "Cancel"}}},
    {"SelectSensor",
     Maker<SelectSensorDialog>(),
     131,
     "Select Sensor",
     186,
     76,
     {{kStatic, "Sensor #", 61, 18, 30, 8, Role::StaticText, "Sensor #"},
      {1071, "0", 92, 16, 10, 14, Role::SpinBox, "Sensor #"},
      {1072, "", 102, 16, 10, 14, Role::Client, "Sensor number"},
      {1, "OK", 37, 47, 50, 14, Role::Button, "OK"},
      {2, "Cancel", 97, 47, 50, 14, Role::Button, "Cancel"}}},
    {"TrainingBin",
     Maker<TrainingBinDialog>(),
     132,
     "Training Levels Storage Bin",
     187,
     92,
     {{1105, "Tarnel-A or Tarnel-B", 48, 7, 90, 10, Role::RadioButton, "Tarnel-A or Tarnel-B", 1},
      {1106, "Tarnel-C", 48, 20, 57, 10, Role::RadioButton, "Tarnel-C", 0},
      {1074, "", 14, 40, 160, 110, Role::ComboBox, "0 (20°C)"},
      {1, "OK", 36, 66, 50, 14, Role::Button, "OK"},
      {2, "Cancel", 101, 66, 50, 14, Role::Button, "Cancel"}}},
    {"SensorReporting",
     Maker<SensorReportingDialog>(),
     135,
     "Enable or Disable Sensor Reporting",
     186,
     81,
     {{1079, "Enable", 40, 15, 38, 10, Role::RadioButton, "Enable", 1},
      {1080, "Disable", 40, 30, 39, 10, Role::RadioButton, "Disable", 0},
      {1081, "Left Tube", 95, 15, 47, 10, Role::RadioButton, "Left Tube", 1},
      {1082, "Right Tube", 95, 30, 51, 10, Role::RadioButton, "Right Tube", 0},
      {1, "OK", 35, 56, 50, 14, Role::Button, "OK"},
      {2, "Cancel", 100, 56, 50, 14, Role::Button, "Cancel"}}},
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

TEST_P(DialogLayout, AssistiveToolsReadEachControlsRoleNameAndState) {
    const ExpectedDialog& expected = GetParam();
    const std::unique_ptr<ui::TemplateDialog> dialog = expected.make();
    const std::vector<ui::BuiltControl>& built = dialog->Controls();
    ASSERT_EQ(built.size(), expected.controls.size());
    for (std::size_t i = 0; i < built.size(); ++i) {
        const ExpectedControl& control = expected.controls[i];
        SCOPED_TRACE(::testing::Message() << "control " << control.id);
        ExpectAccessible(built[i].widget, control.role, QString::fromUtf8(control.name),
                         control.checked);
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

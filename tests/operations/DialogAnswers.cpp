#include "DialogAnswers.h"

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include "dialogs/SensorLevelDialog.h"
#include "dialogs/SensorReportingDialog.h"
#include "dialogs/StandardButtons.h"
#include "dialogs/UpDownControl.h"
#include "platform/ui/TemplateDialog.h"

namespace opstest {

namespace {

constexpr int kSensorSpinId = SensorLevelDialog::IdSensorSpin;  // the same id in both dialogs

void StepSensorUp(ui::TemplateDialog& dialog, int sensor) {
    auto* spin = dialog.ControlAs<UpDownControl>(kSensorSpinId);
    ASSERT_NE(spin, nullptr) << dialog.metaObject()->className() << " has no sensor spin";
    for (int click = 0; click < sensor; ++click) {
        spin->UpButton()->click();
    }
}

}  // namespace

void ClickButton(ui::TemplateDialog& dialog, int id) {
    auto* button = dialog.ControlAs<QAbstractButton>(id);
    ASSERT_NE(button, nullptr) << dialog.metaObject()->className() << " has no button " << id;
    button->click();
}

void ClickButton(ui::TemplateDialog& dialog, const QString& text) {
    for (QAbstractButton* button : dialog.findChildren<QAbstractButton*>()) {
        if (button->text() == text) {
            button->click();
            return;
        }
    }
    ADD_FAILURE() << dialog.metaObject()->className() << " has no button " << text.toStdString();
}

DialogAnswer PressOk() {
    return [](ui::TemplateDialog& dialog) { ClickButton(dialog, kIdOk); };
}

DialogAnswer PressCancel() {
    return [](ui::TemplateDialog& dialog) { ClickButton(dialog, kIdCancel); };
}

DialogAnswer PressButton(const QString& text) {
    return [text](ui::TemplateDialog& dialog) { ClickButton(dialog, text); };
}

DialogAnswer ChooseSensor(int sensor) {
    return [sensor](ui::TemplateDialog& dialog) {
        StepSensorUp(dialog, sensor);
        ClickButton(dialog, kIdOk);
    };
}

DialogAnswer ChooseLevel(int sliderPosition, std::optional<int> sensor) {
    return [sliderPosition, sensor](ui::TemplateDialog& dialog) {
        auto* slider = dialog.ControlAs<QSlider>(SensorLevelDialog::IdSlider);
        ASSERT_NE(slider, nullptr);
        slider->setValue(sliderPosition);
        if (sensor) {
            StepSensorUp(dialog, *sensor);
        } else {
            ClickButton(dialog, SensorLevelDialog::IdAllSensors);
        }
        ClickButton(dialog, kIdOk);
    };
}

DialogAnswer TypeLevel(const QString& typed, int sensor, int okClicks) {
    return [typed, sensor, okClicks](ui::TemplateDialog& dialog) {
        auto* field = dialog.ControlAs<QLineEdit>(SensorLevelDialog::IdValue);
        ASSERT_NE(field, nullptr);
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, typed);
        ASSERT_EQ(field->text(), typed);
        StepSensorUp(dialog, sensor);
        for (int click = 0; click < okClicks; ++click) {
            ClickButton(dialog, kIdOk);
        }
    };
}

DialogAnswer ChooseEntry(int listId, int index) {
    return [listId, index](ui::TemplateDialog& dialog) {
        auto* list = dialog.ControlAs<QComboBox>(listId);
        ASSERT_NE(list, nullptr);
        ASSERT_LT(index, list->count());
        list->setCurrentIndex(index);
        ClickButton(dialog, kIdOk);
    };
}

DialogAnswer ChooseReporting(bool enable, bool rightTube) {
    return [enable, rightTube](ui::TemplateDialog& dialog) {
        ClickButton(dialog,
                    enable ? SensorReportingDialog::IdEnable : SensorReportingDialog::IdDisable);
        ClickButton(dialog, rightTube ? SensorReportingDialog::IdRightTube
                                      : SensorReportingDialog::IdLeftTube);
        ClickButton(dialog, kIdOk);
    };
}

}  // namespace opstest

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include <functional>

#include "AccessibleCheck.h"
#include "AccessibleEventRecorder.h"
#include "FeedbackRecorder.h"
#include "KeyInput.h"
#include "controls/NumericEdit.h"
#include "dialogs/SensorLevelDialog.h"
#include "dialogs/UpDownControl.h"
#include "protocol/GermanLocale.h"

namespace {

struct Parts {
    explicit Parts(SensorLevelDialog& dialog)
        : value(dialog.ControlAs<NumericEdit>(1069)),
          unit(dialog.ControlAs<QLabel>(1068)),
          slider(dialog.ControlAs<QSlider>(1070)),
          buddy(dialog.ControlAs<QLineEdit>(1071)),
          spin(dialog.ControlAs<UpDownControl>(1072)),
          allSensors(dialog.ControlAs<QCheckBox>(1090)),
          ok(dialog.ControlAs<QPushButton>(1)),
          cancel(dialog.ControlAs<QPushButton>(2)) {}
    NumericEdit* value;
    QLabel* unit;
    QSlider* slider;
    QLineEdit* buddy;
    UpDownControl* spin;
    QCheckBox* allSensors;
    QPushButton* ok;
    QPushButton* cancel;
};

TEST(SensorLevelDialog, KindSetsTitleAndUnit) {
    struct Case {
        std::uint8_t kind;
        const char* title;
        const char* unit;
    };
    const Case cases[] = {{1, "Set Sensor Trip Point", "mA"},
                          {0, "Set Sensor Voltage", "V"},
                          {2, "Set Sensor Voltage", "V"},
                          {255, "Set Sensor Voltage", "V"}};
    for (const Case& c : cases) {
        SensorLevelDialog dialog(c.kind);
        EXPECT_EQ(dialog.windowTitle(), QString::fromLatin1(c.title)) << int(c.kind);
        EXPECT_EQ(Parts(dialog).unit->text(), QString::fromLatin1(c.unit)) << int(c.kind);
    }
}

TEST(SensorLevelDialog, OpensWithItsControlsConfigured) {
    SensorLevelDialog dialog(SensorLevelDialog::kVoltageKind);
    const Parts parts(dialog);
    ASSERT_NE(parts.value, nullptr);
    ASSERT_NE(parts.spin, nullptr);
    EXPECT_EQ(parts.value->text(), QStringLiteral("0.00"));
    const NumericLimits& limits = parts.value->Limits();
    EXPECT_EQ(limits.integerDigits, 2);
    EXPECT_EQ(limits.fractionDigits, 3);
    EXPECT_DOUBLE_EQ(limits.lowerBound, -0.01);
    EXPECT_DOUBLE_EQ(limits.upperBound, 10.01);
    EXPECT_EQ(parts.slider->minimum(), 0);
    EXPECT_EQ(parts.slider->maximum(), 1000);
    EXPECT_EQ(parts.slider->tickInterval(), 100);
    EXPECT_EQ(parts.slider->pageStep(), 25);
    EXPECT_EQ(parts.slider->tickPosition(), QSlider::TicksBothSides);
    EXPECT_EQ(parts.slider->orientation(), Qt::Horizontal);
    EXPECT_EQ(parts.slider->value(), 0);
    EXPECT_EQ(parts.spin->Low(), 0);
    EXPECT_EQ(parts.spin->High(), 7);
    EXPECT_EQ(parts.buddy->text(), QStringLiteral("0"));
    EXPECT_TRUE(parts.buddy->isReadOnly());
    EXPECT_FALSE(parts.allSensors->isChecked());
    EXPECT_TRUE(parts.spin->isEnabled());
    EXPECT_TRUE(parts.buddy->isEnabled());
}

TEST(SensorLevelDialog, OkAtOnceGivesZeroVoltsOnSensorZero) {
    SensorLevelDialog dialog(SensorLevelDialog::kVoltageKind);
    Parts(dialog).ok->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_DOUBLE_EQ(dialog.Value(), 0.0);
    EXPECT_EQ(dialog.Sensor(), 0);
}

TEST(SensorLevelDialog, SliderSetsTheValueInHundredths) {
    SensorLevelDialog dialog(SensorLevelDialog::kTripPointKind);
    const Parts parts(dialog);
    parts.slider->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(parts.value->text(), QStringLiteral("0.25"));
    EXPECT_DOUBLE_EQ(dialog.Value(), 0.25);
    parts.slider->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(parts.value->text(), QStringLiteral("10.00"));
    EXPECT_DOUBLE_EQ(dialog.Value(), 10.0);
    parts.slider->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(parts.value->text(), QStringLiteral("9.99"));
    parts.slider->setValue(437);
    EXPECT_EQ(parts.value->text(), QStringLiteral("4.37"));
    parts.ok->click();
    EXPECT_DOUBLE_EQ(dialog.Value(), 4.37);
}

TEST(SensorLevelDialog, SliderKeysStepByOneAndByPage) {
    SensorLevelDialog dialog(SensorLevelDialog::kVoltageKind);
    const Parts parts(dialog);
    PressKey(parts.slider, Qt::Key_Right);
    EXPECT_EQ(parts.value->text(), QStringLiteral("0.01"));
    PressKey(parts.slider, Qt::Key_End);
    EXPECT_EQ(parts.value->text(), QStringLiteral("10.00"));
    PressKey(parts.slider, Qt::Key_PageDown);
    EXPECT_EQ(parts.value->text(), QStringLiteral("9.75"));
}

TEST(SensorLevelDialog, ATypedLevelMovesTheSliderAndIsWhatOkGives) {
    FeedbackRecorder feedback;
    SensorLevelDialog dialog(SensorLevelDialog::kVoltageKind);
    const Parts parts(dialog);
    parts.slider->setValue(300);
    parts.value->selectAll();
    TypeText(parts.value, QStringLiteral("5.00"));
    EXPECT_EQ(parts.value->text(), QStringLiteral("5.00")) << "typing is not overwritten";
    EXPECT_EQ(parts.slider->value(), 500);
    parts.ok->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_DOUBLE_EQ(dialog.Value(), 5.0);
    EXPECT_EQ(feedback.Beeps(), 0);
}

TEST(SensorLevelDialog, ATypedLevelGoesToTheNearestHundredthShownOnOk) {
    // A level the two-decimal display changes is shown by the first OK and taken by the second.
    struct Case {
        const char* typed;
        int position;
        const char* shown;
        bool takenAtFirstOk;
    };
    const Case cases[] = {{"4.567", 457, "4.57", false},    {"4.564", 456, "4.56", false},
                          {"10.009", 1000, "10.00", false}, {"-0.004", 0, "0.00", false},
                          {"7.", 700, "7.00", true},        {".5", 50, "0.50", true},
                          {"4.800", 480, "4.80", true},     {"-0", 0, "0.00", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        FeedbackRecorder feedback;
        SensorLevelDialog dialog(SensorLevelDialog::kTripPointKind);
        const Parts parts(dialog);
        dialog.show();
        parts.slider->setValue(900);
        parts.value->selectAll();
        TypeText(parts.value, QString::fromLatin1(c.typed));
        ASSERT_EQ(parts.value->text(), QString::fromLatin1(c.typed));
        EXPECT_EQ(parts.slider->value(), c.position);
        parts.ok->click();
        EXPECT_EQ(parts.value->text(), QString::fromLatin1(c.shown));
        EXPECT_EQ(dialog.result() == QDialog::Accepted, c.takenAtFirstOk);
        EXPECT_EQ(feedback.Beeps(), c.takenAtFirstOk ? 0 : 1);
        if (!c.takenAtFirstOk) {
            parts.ok->click();
        }
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_DOUBLE_EQ(dialog.Value(), c.position * 0.01);
    }
}

TEST(SensorLevelDialog, TheFirstOkOnARoundedLevelShowsItBeepsAndSendsNothing) {
    // By mouse the field loses the focus to OK before OK runs; by Enter it keeps it.
    struct Way {
        const char* name;
        std::function<void(const Parts&)> press;
    };
    const Way ways[] = {
        {"mouse", [](const Parts& parts) { QTest::mouseClick(parts.ok, Qt::LeftButton); }},
        {"Enter", [](const Parts& parts) { QTest::keyClick(parts.value, Qt::Key_Return); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        const auto& press = way.press;
        FeedbackRecorder feedback;
        AccessibleEventRecorder accessibleEvents;
        SensorLevelDialog dialog(SensorLevelDialog::kVoltageKind);
        const Parts parts(dialog);
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        parts.value->setFocus();
        ASSERT_TRUE(parts.value->hasFocus());
        const QSignalSpy finished(&dialog, &QDialog::finished);
        parts.value->selectAll();
        TypeText(parts.value, QStringLiteral("0.004"));
        ASSERT_EQ(parts.value->text(), QStringLiteral("0.004"));

        press(parts);
        EXPECT_EQ(parts.value->text(), QStringLiteral("0.00"));
        EXPECT_EQ(feedback.Beeps(), 1);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(finished.count(), 0);
        EXPECT_EQ(QAccessible::queryAccessibleInterface(parts.value)->text(QAccessible::Value),
                  QStringLiteral("0.00"));
        const auto updates = accessibleEvents.Of(parts.value, QAccessible::TextUpdated);
        ASSERT_FALSE(updates.empty());
        EXPECT_EQ(updates.back().inserted, QStringLiteral("0.00"));

        press(parts);
        EXPECT_EQ(finished.count(), 1);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_DOUBLE_EQ(dialog.Value(), 0.0);
        EXPECT_EQ(feedback.Beeps(), 1);
    }
}

TEST(SensorLevelDialog, LeavingTheFieldShowsTheTypedLevelAsTheResult) {
    SensorLevelDialog dialog(SensorLevelDialog::kVoltageKind);
    const Parts parts(dialog);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    parts.value->setFocus();
    ASSERT_TRUE(parts.value->hasFocus());
    parts.value->selectAll();
    TypeText(parts.value, QStringLiteral("2.345"));
    parts.slider->setFocus();
    ASSERT_TRUE(parts.slider->hasFocus());
    EXPECT_EQ(parts.value->text(), QStringLiteral("2.35"));
    EXPECT_EQ(parts.slider->value(), 235);
    PressKey(parts.slider, Qt::Key_Right);
    EXPECT_EQ(parts.value->text(), QStringLiteral("2.36")) << "the slider still sets the field";
    parts.ok->click();
    EXPECT_DOUBLE_EQ(dialog.Value(), 2.36);
}

TEST(SensorLevelDialog, OkRefusesAFieldWithoutALevelWithABeepAndStaysOpen) {
    FeedbackRecorder feedback;
    SensorLevelDialog dialog(SensorLevelDialog::kVoltageKind);
    const Parts parts(dialog);
    dialog.show();
    parts.slider->setValue(400);
    // Texts the typing rules let through, and ones that only a program could put there.
    const char* const refused[] = {"", "-", ".", "-.", "-444", "-5", "10.01", "10.5"};
    for (const char* text : refused) {
        parts.value->setText(QString::fromLatin1(text));
        parts.ok->click();
        EXPECT_TRUE(dialog.isVisible()) << '"' << text << '"';
        EXPECT_EQ(dialog.result(), 0) << '"' << text << '"';
        EXPECT_EQ(parts.value->text(), QString::fromLatin1(text));
    }
    EXPECT_EQ(feedback.Beeps(), 8);
    EXPECT_EQ(feedback.events.size(), 8u);
    EXPECT_EQ(parts.slider->value(), 400);

    parts.value->selectAll();
    PressKey(parts.value, Qt::Key_Backspace);
    TypeText(parts.value, QStringLiteral("9.99"));
    PressKey(parts.value, Qt::Key_Return, QStringLiteral("\r"));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_DOUBLE_EQ(dialog.Value(), 9.99);
    EXPECT_EQ(feedback.Beeps(), 8);
}

// The beep alone tells a technician who cannot see the field nothing of why.
TEST(SensorLevelDialog, ARefusedOkSaysWhy) {
    FeedbackRecorder feedback;
    AccessibleEventRecorder events;
    for (const int kind : {SensorLevelDialog::kVoltageKind, SensorLevelDialog::kTripPointKind}) {
        SensorLevelDialog dialog(static_cast<std::uint8_t>(kind));
        const Parts parts(dialog);
        dialog.show();
        parts.value->setText(QString());
        parts.ok->click();
        parts.value->setText(QStringLiteral("0.004"));
        parts.ok->click();
    }
    const QString range = QStringLiteral("Type a value from 0.00 to 10.00.");
    const QString rounded = QStringLiteral("Rounded to 0.00: OK again sends it.");
    EXPECT_EQ(events.notifications, (std::vector<QString>{range, rounded, range, rounded}));
    EXPECT_EQ(feedback.Beeps(), 4);
}

// "12" leaves "1": the refused digit is told in the dialog's words, and OK sends 1.00.
TEST(SensorLevelDialog, ADigitBeyondTheRangeIsToldInTheDialogsWords) {
    AccessibleEventRecorder events;
    SensorLevelDialog dialog(SensorLevelDialog::kVoltageKind);
    const Parts parts(dialog);
    dialog.show();
    parts.value->selectAll();
    TypeText(parts.value, QStringLiteral("12"));
    EXPECT_EQ(parts.value->text(), QStringLiteral("1"));
    EXPECT_EQ(events.notifications, std::vector<QString>{"2 refused. Up to 10.00."});
    parts.value->setCursorPosition(0);
    PressKey(parts.value, Qt::Key_Minus, QStringLiteral("-"));
    EXPECT_EQ(events.notifications,
              (std::vector<QString>{"2 refused. Up to 10.00.", "Minus sign refused. From 0.00."}));
}

TEST(SensorLevelDialog, EveryScrollActionRefreshesTheFieldAlsoWithoutAMove) {
    SensorLevelDialog dialog(SensorLevelDialog::kVoltageKind);
    const Parts parts(dialog);
    parts.value->selectAll();
    TypeText(parts.value, QStringLiteral("0.004"));
    ASSERT_EQ(parts.value->text(), QStringLiteral("0.004"));
    ASSERT_EQ(parts.slider->value(), 0);
    PressKey(parts.slider, Qt::Key_Home);  // already at 0
    EXPECT_EQ(parts.slider->value(), 0);
    EXPECT_EQ(parts.value->text(), QStringLiteral("0.00"));
    TypeText(parts.value, QStringLiteral("1"));
    ASSERT_EQ(parts.value->text(), QStringLiteral("0.001"));
    QTest::keyClick(parts.slider, Qt::Key_Left, Qt::KeypadModifier);  // at 0, stays
    EXPECT_EQ(parts.value->text(), QStringLiteral("0.00"));
}

TEST(SensorLevelDialog, AssistiveToolsReadTheSliderAsTheLevelTheFieldShows) {
    SensorLevelDialog dialog(SensorLevelDialog::kVoltageKind);
    const Parts parts(dialog);
    ExpectAccessible(parts.slider, QAccessible::Slider, QStringLiteral("Value (V)"));
    ExpectAccessible(parts.value, QAccessible::EditableText, QStringLiteral("Value"));
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(parts.slider);
    QAccessibleValueInterface* value = accessible->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_DOUBLE_EQ(value->minimumValue().toDouble(), 0.0);
    EXPECT_DOUBLE_EQ(value->maximumValue().toDouble(), 10.0);
    EXPECT_DOUBLE_EQ(value->minimumStepSize().toDouble(), 0.01);
    EXPECT_DOUBLE_EQ(value->currentValue().toDouble(), 0.0);
    EXPECT_EQ(accessible->text(QAccessible::Value), QStringLiteral("0.00"));

    parts.slider->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_DOUBLE_EQ(value->currentValue().toDouble(), 10.0);
    EXPECT_EQ(accessible->text(QAccessible::Value), parts.value->text());
    parts.value->selectAll();
    TypeText(parts.value, QStringLiteral("5.5"));
    EXPECT_DOUBLE_EQ(value->currentValue().toDouble(), 5.5);
    EXPECT_EQ(accessible->text(QAccessible::Value), QStringLiteral("5.50"));

    value->setCurrentValue(2.5);
    EXPECT_EQ(parts.slider->value(), 250);
    EXPECT_EQ(parts.value->text(), QStringLiteral("2.50"));
    parts.ok->click();
    EXPECT_DOUBLE_EQ(dialog.Value(), 2.5);
}

// Orca reads the labels a control is labelled by ahead of its name: the unit label after the
// value field is none of the slider's.
TEST(SensorLevelDialog, TheSliderIsReadAsTheValueInItsUnit) {
    const std::pair<int, const char*> kinds[] = {{SensorLevelDialog::kVoltageKind, "Value (V)"},
                                                 {SensorLevelDialog::kTripPointKind, "Value (mA)"}};
    for (const auto& [kind, name] : kinds) {
        SensorLevelDialog dialog(static_cast<std::uint8_t>(kind));
        const Parts parts(dialog);
        ExpectAccessible(parts.slider, QAccessible::Slider, QString::fromLatin1(name));
        EXPECT_TRUE(QAccessible::queryAccessibleInterface(parts.slider)
                        ->relations(QAccessible::Label)
                        .isEmpty())
            << name;
    }
}

TEST(SensorLevelDialog, KeypadEnterOnAFocusedCancelCancels) {
    SensorLevelDialog dialog(SensorLevelDialog::kVoltageKind);
    const Parts parts(dialog);
    dialog.show();
    parts.cancel->setFocus();
    ASSERT_EQ(dialog.focusWidget(), parts.cancel);
    QTest::keyClick(parts.cancel, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    dialog.show();
    parts.value->setFocus();
    QTest::keyClick(parts.value, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(SensorLevelDialog, EnterInTheValueFieldRunsOk) {
    SensorLevelDialog dialog(SensorLevelDialog::kVoltageKind);
    const Parts parts(dialog);
    dialog.show();
    parts.value->setFocus();
    PressKey(parts.value, Qt::Key_Return, QStringLiteral("\r"));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
}

TEST(SensorLevelDialog, SpinChoosesTheSensor) {
    SensorLevelDialog dialog(SensorLevelDialog::kVoltageKind);
    const Parts parts(dialog);
    for (int click = 0; click < 9; ++click) {
        parts.spin->UpButton()->click();
    }
    EXPECT_EQ(dialog.Sensor(), 7);
    EXPECT_EQ(parts.buddy->text(), QStringLiteral("7"));
    PressKey(parts.buddy, Qt::Key_Down);
    parts.ok->click();
    EXPECT_EQ(dialog.Sensor(), 6);
}

TEST(SensorLevelDialog, AllSensorsDisablesTheSpinAndRestoresItsPosition) {
    SensorLevelDialog dialog(SensorLevelDialog::kVoltageKind);
    const Parts parts(dialog);
    parts.spin->UpButton()->click();
    EXPECT_EQ(dialog.Sensor(), 1);

    parts.allSensors->click();
    EXPECT_EQ(dialog.Sensor(), SensorLevelDialog::kAllSensors);
    EXPECT_EQ(dialog.Sensor(), -1);
    EXPECT_FALSE(parts.spin->isEnabled());
    EXPECT_FALSE(parts.buddy->isEnabled());
    parts.spin->UpButton()->click();  // disabled: nothing happens
    PressKey(parts.buddy, Qt::Key_Up);
    EXPECT_EQ(dialog.Sensor(), -1);
    EXPECT_EQ(parts.buddy->text(), QStringLiteral("1"));

    parts.allSensors->click();
    EXPECT_TRUE(parts.spin->isEnabled());
    EXPECT_TRUE(parts.buddy->isEnabled());
    EXPECT_EQ(dialog.Sensor(), 1);
    parts.spin->UpButton()->click();
    parts.spin->UpButton()->click();
    parts.allSensors->click();
    parts.ok->click();
    EXPECT_EQ(dialog.Sensor(), -1);
}

TEST(SensorLevelDialog, UncheckingGivesTheCurrentSpinPositionNotAnEarlierSensor) {
    SensorLevelDialog dialog(SensorLevelDialog::kVoltageKind);
    const Parts parts(dialog);
    parts.spin->SetPosition(5);  // moved without a notification
    EXPECT_EQ(dialog.Sensor(), 0);
    parts.allSensors->click();
    parts.allSensors->click();
    EXPECT_EQ(dialog.Sensor(), 5);
}

TEST(SensorLevelDialog, CancelEndsWithTheCancelResult) {
    SensorLevelDialog dialog(SensorLevelDialog::kVoltageKind);
    const Parts parts(dialog);
    parts.slider->setValue(500);
    dialog.show();
    parts.cancel->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());
}

TEST(SensorLevelDialog, ValueShowsAFullStopInACommaLocale) {
    GermanLocale german;
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    {
        SensorLevelDialog dialog(SensorLevelDialog::kVoltageKind);
        const Parts parts(dialog);
        parts.slider->triggerAction(QAbstractSlider::SliderPageStepAdd);
        EXPECT_EQ(parts.value->text(), QStringLiteral("0.25"));
        parts.value->setCursorPosition(4);
        PressKey(parts.value, Qt::Key_Backspace);
        TypeText(parts.value, QStringLiteral("9"));
        EXPECT_EQ(parts.value->text(), QStringLiteral("0.29"));
    }
    QLocale::setDefault(previous);
}

}  // namespace

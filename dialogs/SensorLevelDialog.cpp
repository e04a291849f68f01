#include "dialogs/SensorLevelDialog.h"

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <utility>

#include "controls/NumericEdit.h"
#include "dialogs/LevelSliderAccessible.h"
#include "dialogs/StandardButtons.h"
#include "dialogs/TypedLevel.h"
#include "dialogs/UpDownControl.h"
#include "platform/ui/Feedback.h"
#include "platform/ui/ScreenReaderNotice.h"
#include "resources/DialogTemplates.h"

namespace {

constexpr NumericLimits kValueLimits{2, 3, -0.01, 10.01};
constexpr int kHighestSensor = kSensorCount - 1;

QWidget* CreateControl(const ui::ControlSpec& spec, QWidget* host) {
    if (spec.id == SensorLevelDialog::IdValue) {
        auto* field = new NumericEdit(kValueLimits.integerDigits, kValueLimits.fractionDigits,
                                      kValueLimits.lowerBound, kValueLimits.upperBound, host);
        field->setFrame(spec.style & ui::StyleBorder);
        field->setAccessibleName(QObject::tr("Value"));
        return field;
    }
    if (spec.id == SensorLevelDialog::IdSensorSpin) {
        return new UpDownControl(host);
    }
    return nullptr;
}

}  // namespace

SensorLevelDialog::SensorLevelDialog(std::uint8_t kind, QWidget* parent)
    : ui::TemplateDialog(resources::SensorLevelTemplate(), parent, CreateControl),
      kind_(kind),
      valueField_(ControlAs<NumericEdit>(IdValue)),
      slider_(ControlAs<QSlider>(IdSlider)),
      spin_(ControlAs<UpDownControl>(IdSensorSpin)),
      sensorField_(ControlAs<QLineEdit>(IdSensorNumber)),
      allSensors_(ControlAs<QCheckBox>(IdAllSensors)) {
    ConnectStandardButtons(*this);
    valueField_->SetLimits(kValueLimits);
    LevelSliderAccessible::Attach(slider_, kValuePerPosition);

    slider_->setTickInterval(kSliderTickInterval);
    slider_->setRange(0, kSliderMaximum);
    slider_->setSingleStep(1);
    slider_->setPageStep(kSliderPageStep);
    slider_->setValue(0);
    value_ = slider_->value() * kValuePerPosition;
    // A typed value beyond the bounds is refused in the slider's range: "Up to 10.00."
    valueField_->SetBoundsWords(
        tr("From %1.").arg(slider_->minimum() * kValuePerPosition, 0, 'f', 2),
        tr("Up to %1.").arg(slider_->maximum() * kValuePerPosition, 0, 'f', 2));

    spin_->SetBuddy(sensorField_);
    spin_->AttachToRightOfBuddy();
    spin_->SetRange(0, kHighestSensor);
    spin_->SetPosition(0);
    spin_->setAccessibleName(tr("Sensor number"));
    sensor_ = 0;

    const bool tripPoint = IsTripPoint();
    setWindowTitle(tripPoint ? QStringLiteral("Set Sensor Trip Point")
                             : QStringLiteral("Set Sensor Voltage"));
    const QString unit = tripPoint ? QStringLiteral("mA") : QStringLiteral("V");
    auto* unitLabel = ControlAs<QLabel>(IdUnit);
    unitLabel->setText(unit);
    // The unit label stands after the field, before the slider, but it does not name the
    // slider: screen readers read a label ahead of the name ("V" for "Value (V)").
    unitLabel->setBuddy(nullptr);
    slider_->setAccessibleName(tr("Value (%1)").arg(unit));
    ShowValue();

    // Every scroll action refreshes the field, also one that leaves the position as it was
    // (Home at 0); the position is already the new one when the action is reported.
    connect(slider_, &QSlider::valueChanged, this, &SensorLevelDialog::OnSliderMoved);
    connect(slider_, &QSlider::actionTriggered, this,
            [this] { OnSliderMoved(slider_->sliderPosition()); });
    connect(slider_, &QSlider::sliderReleased, this,
            [this] { OnSliderMoved(slider_->sliderPosition()); });
    connect(valueField_, &QLineEdit::textEdited, this, &SensorLevelDialog::OnValueTyped);
    valueField_->installEventFilter(this);
    connect(spin_, &UpDownControl::Scrolled, this, &SensorLevelDialog::OnSpinScrolled);
    connect(allSensors_, &QCheckBox::toggled, this, &SensorLevelDialog::OnAllSensorsToggled);
}

void SensorLevelDialog::OnSliderMoved(int position) {
    roundedLevelUnconfirmed_ = false;
    value_ = position * kValuePerPosition;
    ShowValue();
}

std::optional<int> SensorLevelDialog::TypedPosition() const {
    return TypedLevelPosition(valueField_->text().toStdString(), valueField_->Limits(),
                              kSliderMaximum);
}

void SensorLevelDialog::OnValueTyped() {
    roundedLevelUnconfirmed_ = false;
    if (const std::optional<int> position = TypedPosition()) {
        // The field keeps the text being typed; it shows the result once typing is over.
        FollowTypedLevel(*position);
    }
}

void SensorLevelDialog::FollowTypedLevel(int position) {
    const QSignalBlocker blocker(slider_);
    slider_->setValue(position);
    value_ = position * kValuePerPosition;
}

bool SensorLevelDialog::TakeTypedValue() {
    const std::optional<int> position = TypedPosition();
    if (!position) {
        return false;
    }
    if (!PositionKeepsTypedLevel(valueField_->text().toStdString(), *position)) {
        roundedLevelUnconfirmed_ = true;
    }
    FollowTypedLevel(*position);
    ShowValue();
    return true;
}

bool SensorLevelDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == valueField_ && event->type() == QEvent::FocusOut) {
        TakeTypedValue();
    }
    return ui::TemplateDialog::eventFilter(watched, event);
}

void SensorLevelDialog::OnOk() {
    // A rounded level stops the first OK also when the field was left before it, as a mouse
    // click on OK does.
    const bool typed = TakeTypedValue();
    if (!typed || std::exchange(roundedLevelUnconfirmed_, false)) {
        ui::Beep();
        // Said as well, for a technician who cannot see the field.
        ui::ScreenReaderNotice::Tell(*this, typed ? RoundedLevelText() : RangeText());
        valueField_->setFocus();
        valueField_->selectAll();
        return;
    }
    ui::TemplateDialog::OnOk();
}

QString SensorLevelDialog::RangeText() const {
    return tr("Type a value from %1 to %2.")
        .arg(slider_->minimum() * kValuePerPosition, 0, 'f', 2)
        .arg(slider_->maximum() * kValuePerPosition, 0, 'f', 2);
}

QString SensorLevelDialog::RoundedLevelText() const {
    return tr("Rounded to %1: OK again sends it.").arg(valueField_->text());
}

void SensorLevelDialog::OnSpinScrolled(int position) {
    if (!allSensors_->isChecked()) {
        sensor_ = position;
    }
}

void SensorLevelDialog::OnAllSensorsToggled(bool checked) {
    spin_->setEnabled(!checked);
    sensorField_->setEnabled(!checked);
    sensor_ = checked ? kAllSensors : spin_->Position();
}

void SensorLevelDialog::ShowValue() {
    // Always C conventions: a full stop, whatever the user's locale.
    valueField_->setText(QString::number(value_, 'f', 2));
}

#pragma once

#include <cstdint>
#include <optional>

#include "platform/ui/TemplateDialog.h"
#include "protocol/SensorIndex.h"

class NumericEdit;
class QCheckBox;
class QLabel;
class QLineEdit;
class QSlider;
class UpDownControl;

// Picks a level and the sensor, or every sensor, to apply it to: the voltage dialog or, for
// kind 1, the trip point dialog. The level is set by the slider, or typed into the value field:
// a typed level moves the slider to the nearest hundredth and becomes the result, and OK
// refuses, with a beep, a field that holds no level within the field's limits. When showing
// the typed level with two decimals changes it, the first OK after that shows the level that
// would be taken, with a beep, and a second OK takes it.
class SensorLevelDialog : public ui::TemplateDialog {
    Q_OBJECT
  public:
    static constexpr std::uint8_t kVoltageKind = 0;
    static constexpr std::uint8_t kTripPointKind = 1;  // any other kind means voltage
    static constexpr SensorIndex kAllSensors = -1;

    enum ControlId {
        IdValue = 1069,
        IdUnit = 1068,
        IdSlider = 1070,
        IdSensorNumber = 1071,
        IdSensorSpin = 1072,
        IdAllSensors = 1090,
    };

    static constexpr int kSliderMaximum = 1000;
    static constexpr int kSliderTickInterval = 100;
    static constexpr int kSliderPageStep = 25;
    static constexpr double kValuePerPosition = 0.01;

    explicit SensorLevelDialog(std::uint8_t kind, QWidget* parent = nullptr);

    // Read after OK: the level in volts or milliamperes, and the sensor or kAllSensors.
    double Value() const { return value_; }
    SensorIndex Sensor() const { return sensor_; }
    bool IsTripPoint() const { return kind_ == kTripPointKind; }

    void OnOk() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void OnSliderMoved(int position);
    std::optional<int> TypedPosition() const;
    void OnValueTyped();
    // Moves the slider to the typed level's position, which becomes the result.
    void FollowTypedLevel(int position);
    // Takes the field's level as the result and shows it as the slider would; false when the
    // field holds none. Notes when the shown level differs from the typed one.
    bool TakeTypedValue();
    // Why OK refused: "Type a value from 0.00 to 10.00." (the slider's levels), or the level
    // that two decimals made of the one typed.
    QString RangeText() const;
    QString RoundedLevelText() const;
    void OnSpinScrolled(int position);
    void OnAllSensorsToggled(bool checked);
    void ShowValue();

    const std::uint8_t kind_;
    double value_ = 0.0;
    SensorIndex sensor_ = 0;
    // The field shows a rounded form of a typed level that no OK has yet shown.
    bool roundedLevelUnconfirmed_ = false;
    NumericEdit* valueField_;
    QSlider* slider_;
    UpDownControl* spin_;
    QLineEdit* sensorField_;
    QCheckBox* allSensors_;
};

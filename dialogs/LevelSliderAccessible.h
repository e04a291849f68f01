#pragma once

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

class QSlider;

// What assistive tools see of a slider whose positions stand for a level in hundredths: the
// level in its unit as the value (0.00 to 10.00 for positions 0 to 1000), told as the field
// beside the slider shows it.
class LevelSliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
  public:
    explicit LevelSliderAccessible(QSlider* slider);

    // Makes the slider's positions read as levels of levelPerPosition each; before the
    // slider's interface is first asked for.
    static void Attach(QSlider* slider, double levelPerPosition);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text textType) const override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

  private:
    QSlider* Slider() const;
    double LevelOf(int position) const;

    double levelPerPosition_;
};

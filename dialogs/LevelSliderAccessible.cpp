#include "dialogs/LevelSliderAccessible.h"

#include <QSlider>
#include <cmath>

#include "platform/ui/AccessibleFactory.h"

namespace {

constexpr const char* kLevelPerPosition = "levelPerPosition";
constexpr int kLevelDecimals = 2;

QAccessibleInterface* CreateForLevelSlider(const QString& className, QObject* object) {
    if (className != QLatin1String("QSlider") || !object->property(kLevelPerPosition).isValid()) {
        return nullptr;
    }
    auto* slider = qobject_cast<QSlider*>(object);
    return slider != nullptr ? new LevelSliderAccessible(slider) : nullptr;
}

}  // namespace

LevelSliderAccessible::LevelSliderAccessible(QSlider* slider)
    : QAccessibleWidget(slider, QAccessible::Slider),
      levelPerPosition_(slider->property(kLevelPerPosition).toDouble()) {}

void LevelSliderAccessible::Attach(QSlider* slider, double levelPerPosition) {
    ui::InstallAccessibleFactoryOnce<CreateForLevelSlider>();
    slider->setProperty(kLevelPerPosition, levelPerPosition);
}

void* LevelSliderAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ValueInterface) {
        return static_cast<QAccessibleValueInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
}

QSlider* LevelSliderAccessible::Slider() const {
    return static_cast<QSlider*>(widget());
}

double LevelSliderAccessible::LevelOf(int position) const {
    return position * levelPerPosition_;
}

QString LevelSliderAccessible::text(QAccessible::Text textType) const {
    if (textType == QAccessible::Value) {
        // C conventions, as the field shows it.
        return QString::number(LevelOf(Slider()->value()), 'f', kLevelDecimals);
    }
    return QAccessibleWidget::text(textType);
}

QVariant LevelSliderAccessible::currentValue() const {
    return LevelOf(Slider()->value());
}

void LevelSliderAccessible::setCurrentValue(const QVariant& value) {
    Slider()->setValue(static_cast<int>(std::lround(value.toDouble() / levelPerPosition_)));
}

QVariant LevelSliderAccessible::maximumValue() const {
    return LevelOf(Slider()->maximum());
}

QVariant LevelSliderAccessible::minimumValue() const {
    return LevelOf(Slider()->minimum());
}

QVariant LevelSliderAccessible::minimumStepSize() const {
    return LevelOf(Slider()->singleStep());
}

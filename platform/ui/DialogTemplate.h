#pragma once

#include <QString>
#include <vector>

namespace ui {

enum class ControlKind {
    PushButton,
    DefaultPushButton,
    RadioButton,
    CheckBox,
    Edit,
    Static,
    GroupBox,
    ComboBox,
    ListView,
    Slider,
    Icon,
    Custom,  // created by the dialog's own factory (lamps, filtered edits, spin boxes)
};

// Style bits of a control, after the resource styles they stand for.
enum ControlStyle : unsigned {
    StyleNone = 0,
    StyleGroupStart = 1u << 0,
    StyleTabStop = 1u << 1,
    StyleReadOnly = 1u << 2,
    StyleCentred = 1u << 3,
    StyleRight = 1u << 4,
    StyleBorder = 1u << 5,
    StyleAutoScroll = 1u << 6,
    StyleDigitsOnly = 1u << 7,
    StyleHidden = 1u << 8,
    StyleDisabled = 1u << 9,
    StyleChecked = 1u << 10,
    StyleSunken = 1u << 11,
    StyleTicksBothSides = 1u << 12,
    StyleVertical = 1u << 13,
};

constexpr int NoId = -1;

struct ControlSpec {
    int id = NoId;
    ControlKind kind = ControlKind::Static;
    QString text;
    int x = 0, y = 0, width = 0, height = 0;  // dialog units
    unsigned style = StyleNone;
};

struct DialogTemplate {
    int id = 0;
    QString caption;
    int width = 0, height = 0;  // dialog units
    std::vector<ControlSpec> controls;
};

}  // namespace ui

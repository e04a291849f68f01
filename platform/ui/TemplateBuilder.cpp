#include "platform/ui/TemplateBuilder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QTreeWidget>
#include <algorithm>

#include "platform/ui/RadioButtonAccessible.h"
#include "platform/ui/RadioGroupKeys.h"
#include "platform/ui/SpokenChoice.h"

namespace ui {
namespace {

Qt::Alignment HorizontalAlignment(unsigned style) {
    if (style & StyleCentred) {
        return Qt::AlignHCenter;
    }
    if (style & StyleRight) {
        return Qt::AlignRight;
    }
    return Qt::AlignLeft;
}

QWidget* CreateEdit(const ControlSpec& spec, QWidget* host) {
    auto* edit = new QLineEdit(spec.text, host);
    edit->setReadOnly(spec.style & StyleReadOnly);
    edit->setFrame(spec.style & StyleBorder);
    edit->setAlignment(HorizontalAlignment(spec.style) | Qt::AlignVCenter);
    if (spec.style & StyleDigitsOnly) {
        static const QRegularExpression digits(QStringLiteral("[0-9]*"));
        edit->setValidator(new QRegularExpressionValidator(digits, edit));
    }
    return edit;
}

QWidget* CreateStatic(const ControlSpec& spec, QWidget* host) {
    auto* label = new QLabel(spec.text, host);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(HorizontalAlignment(spec.style) | Qt::AlignTop);
    if (spec.style & StyleSunken) {
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setAlignment(HorizontalAlignment(spec.style) | Qt::AlignVCenter);
    }
    return label;
}

QWidget* CreateListView(QWidget* host) {
    auto* list = new QTreeWidget(host);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setItemsExpandable(false);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setColumnCount(0);
    list->header()->setStretchLastSection(false);
    list->header()->setSectionsMovable(false);
    return list;
}

// A static text names the control that follows it, also one whose text is set later (a unit);
// a clock's colon or a blank filler names nothing.
bool CanName(const QLabel* label) {
    const QString text = label->text();
    return text.isEmpty() ||
           std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetterOrNumber(); });
}

// Controls without a text of their own take their name from a label.
bool TakesNameFromLabel(const QWidget* widget) {
    return qobject_cast<const QAbstractButton*>(widget) == nullptr &&
           qobject_cast<const QLabel*>(widget) == nullptr &&
           qobject_cast<const QGroupBox*>(widget) == nullptr;
}

QWidget* CreateSlider(const ControlSpec& spec, QWidget* host) {
    auto* slider = new QSlider(spec.style & StyleVertical ? Qt::Vertical : Qt::Horizontal, host);
    if (spec.style & StyleTicksBothSides) {
        slider->setTickPosition(QSlider::TicksBothSides);
    }
    return slider;
}

}  // namespace

TemplateBuilder::TemplateBuilder(const DialogTemplate& dialogTemplate, QWidget* host,
                                 const DialogUnits& units)
    : template_(dialogTemplate), host_(host), units_(units) {}

void TemplateBuilder::Build(const CustomControlFactory& customFactory) {
    for (const ControlSpec& spec : template_.controls) {
        if (spec.style & StyleGroupStart) {
            radioGroupOpen_ = false;
        }
        QWidget* widget = Create(spec, customFactory);
        if (widget == nullptr) {
            precedingLabel_ = nullptr;
            continue;
        }
        ApplyCommonStyle(spec, widget);
        JoinRadioGroup(spec, widget);
        LinkLabel(spec, widget);
        built_.push_back({&spec, widget});
        if (spec.id != NoId) {
            byId_.emplace(spec.id, widget);
        }
    }
    ApplyTabOrder();
    for (QButtonGroup* group : radioGroups_) {
        RadioGroupKeys::Install(*group);
    }
}

QWidget* TemplateBuilder::Create(const ControlSpec& spec,
                                 const CustomControlFactory& customFactory) {
    switch (spec.kind) {
        case ControlKind::PushButton:
        case ControlKind::DefaultPushButton: {
            auto* button = new QPushButton(spec.text, host_);
            button->setAutoDefault(false);
            button->setDefault(spec.kind == ControlKind::DefaultPushButton);
            return button;
        }
        case ControlKind::RadioButton:
            RadioButtonAccessible::Install();
            return new QRadioButton(spec.text, host_);
        case ControlKind::CheckBox:
            return new QCheckBox(spec.text, host_);
        case ControlKind::Edit:
            return CreateEdit(spec, host_);
        case ControlKind::Static:
            return CreateStatic(spec, host_);
        case ControlKind::GroupBox: {
            auto* box = new QGroupBox(spec.text, host_);
            box->setFocusPolicy(Qt::NoFocus);
            return box;
        }
        case ControlKind::ComboBox: {
            auto* combo = new QComboBox(host_);
            combo->setEditable(false);
            SpokenChoice::Attach(*combo);
            return combo;
        }
        case ControlKind::ListView:
            return CreateListView(host_);
        case ControlKind::Slider:
            return CreateSlider(spec, host_);
        case ControlKind::Icon: {
            auto* label = new QLabel(host_);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            return label;
        }
        case ControlKind::Custom:
            return customFactory ? customFactory(spec, host_) : nullptr;
    }
    return nullptr;
}

void TemplateBuilder::ApplyCommonStyle(const ControlSpec& spec, QWidget* widget) {
    QRect pixels = units_.ToPixels(QRect(spec.x, spec.y, spec.width, spec.height));
    if (spec.kind == ControlKind::ComboBox) {
        // A combo box's template height includes its dropped-down list.
        pixels.setHeight(widget->sizeHint().height());
    }
    widget->setGeometry(pixels);
    if (spec.id != NoId) {
        widget->setObjectName(QStringLiteral("control%1").arg(spec.id));
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        if (spec.style & StyleChecked) {
            button->setChecked(true);
        }
    }
    // A custom control without a tab stop keeps its own focus rule (a lamp takes none).
    const bool focusable = spec.kind != ControlKind::Static && spec.kind != ControlKind::GroupBox &&
                           spec.kind != ControlKind::Icon &&
                           (spec.kind != ControlKind::Custom || (spec.style & StyleTabStop));
    if (focusable) {
        widget->setFocusPolicy((spec.style & StyleTabStop) ? Qt::StrongFocus : Qt::ClickFocus);
    }
    widget->setEnabled(!(spec.style & StyleDisabled));
    widget->setVisible(!(spec.style & StyleHidden));
    if (spec.kind == ControlKind::GroupBox) {
        widget->lower();
    }
}

void TemplateBuilder::JoinRadioGroup(const ControlSpec& spec, QWidget* widget) {
    auto* radio = qobject_cast<QRadioButton*>(widget);
    if (radio == nullptr) {
        if (!(spec.style & StyleGroupStart)) {
            return;
        }
        radioGroupOpen_ = false;
        return;
    }
    if (!radioGroupOpen_ || currentRadioGroup_ == nullptr) {
        currentRadioGroup_ = new QButtonGroup(host_);
        currentRadioGroup_->setExclusive(true);
        radioGroups_.push_back(currentRadioGroup_);
        radioGroupOpen_ = true;
    }
    // Auto-exclusive so that it reads as a radio button and the arrow keys move through the
    // group; the group's own exclusivity keeps separate groups of one parent apart.
    radio->setAutoExclusive(true);
    currentRadioGroup_->addButton(radio, spec.id);
}

void TemplateBuilder::LinkLabel(const ControlSpec& spec, QWidget* widget) {
    if (precedingLabel_ != nullptr && TakesNameFromLabel(widget)) {
        precedingLabel_->setBuddy(widget);
    }
    auto* label = qobject_cast<QLabel*>(widget);
    const bool names = spec.kind == ControlKind::Static && label != nullptr && CanName(label);
    precedingLabel_ = names ? label : nullptr;
}

QButtonGroup* TemplateBuilder::RadioGroupOf(const QWidget* radio) const {
    for (QButtonGroup* group : radioGroups_) {
        for (QAbstractButton* button : group->buttons()) {
            if (button == radio) {
                return group;
            }
        }
    }
    return nullptr;
}

void TemplateBuilder::ApplyTabOrder() {
    QWidget* previous = nullptr;
    for (const BuiltControl& control : built_) {
        if (!(control.spec->style & StyleTabStop)) {
            continue;
        }
        if (previous != nullptr) {
            QWidget::setTabOrder(previous, control.widget);
        }
        previous = control.widget;
        // The other buttons of a radio group follow their tab stop, so that Tab from any of
        // them leaves the group for the next stop.
        if (const QButtonGroup* group = RadioGroupOf(control.widget)) {
            for (QAbstractButton* button : group->buttons()) {
                if (button != control.widget && !(button->focusPolicy() & Qt::TabFocus)) {
                    QWidget::setTabOrder(previous, button);
                    previous = button;
                }
            }
        }
    }
}

QWidget* TemplateBuilder::Control(int id) const {
    const auto found = byId_.find(id);
    return found == byId_.end() ? nullptr : found->second;
}

}  // namespace ui

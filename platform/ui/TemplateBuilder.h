#pragma once

#include <QButtonGroup>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/ui/DialogTemplate.h"
#include "platform/ui/DialogUnits.h"

class QLabel;

namespace ui {

// Creates the widget of a ControlKind::Custom control (parented to the given host).
using CustomControlFactory = std::function<QWidget*(const ControlSpec& spec, QWidget* host)>;

struct BuiltControl {
    const ControlSpec* spec;
    QWidget* widget;
};

// Builds the controls of a dialog template as children of a host widget: geometry from dialog
// units, styles, radio groups from group starts, labels as the buddies of the fields they
// name, and the tab order of the template.
class TemplateBuilder {
  public:
    TemplateBuilder(const DialogTemplate& dialogTemplate, QWidget* host, const DialogUnits& units);

    void Build(const CustomControlFactory& customFactory = {});

    QWidget* Control(int id) const;
    const std::vector<BuiltControl>& Controls() const { return built_; }
    // The exclusive group a radio button belongs to (null for other controls).
    QButtonGroup* RadioGroupOf(const QWidget* radio) const;

  private:
    QWidget* Create(const ControlSpec& spec, const CustomControlFactory& customFactory);
    void ApplyCommonStyle(const ControlSpec& spec, QWidget* widget);
    void JoinRadioGroup(const ControlSpec& spec, QWidget* widget);
    // The static text that comes right before a control without a text of its own names it.
    void LinkLabel(const ControlSpec& spec, QWidget* widget);
    void ApplyTabOrder();

    const DialogTemplate& template_;
    QWidget* host_;
    DialogUnits units_;
    std::vector<BuiltControl> built_;
    std::map<int, QWidget*> byId_;
    QButtonGroup* currentRadioGroup_ = nullptr;
    bool radioGroupOpen_ = false;
    std::vector<QButtonGroup*> radioGroups_;
    QLabel* precedingLabel_ = nullptr;
};

}  // namespace ui

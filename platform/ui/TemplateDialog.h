#pragma once

#include <QDialog>
#include <memory>

#include "platform/ui/DialogTemplate.h"
#include "platform/ui/DialogUnits.h"
#include "platform/ui/TemplateBuilder.h"

namespace ui {

// A modal dialog laid out from a dialog template, in the dialog font, with its size fixed.
// Enter, of either keyboard, runs OnOk() (a focused push button is pressed instead); Escape
// and the frame's close button run OnCancel(); subclasses override those to guard closing.
class TemplateDialog : public QDialog {
    Q_OBJECT
  public:
    TemplateDialog(const DialogTemplate& dialogTemplate, QWidget* parent,
                   const CustomControlFactory& customFactory = {});

    QWidget* Control(int id) const { return builder_.Control(id); }
    template <class Widget>
    Widget* ControlAs(int id) const {
        return qobject_cast<Widget*>(Control(id));
    }
    const std::vector<BuiltControl>& Controls() const { return builder_.Controls(); }
    QButtonGroup* RadioGroupOf(const QWidget* radio) const { return builder_.RadioGroupOf(radio); }
    const DialogUnits& Units() const { return units_; }
    const DialogTemplate& Template() const { return template_; }

    // Default OK and Cancel actions: end the modal run with that result.
    virtual void OnOk() { accept(); }
    virtual void OnCancel() { reject(); }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

    // Lets a subclass suppress the frame close before OnCancel() runs; the default allows it.
    virtual bool CloseRequested() { return true; }

  private:
    const DialogTemplate& template_;
    DialogUnits units_;
    TemplateBuilder builder_;
};

}  // namespace ui

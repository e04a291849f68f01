#pragma once

#include "platform/ui/TemplateDialog.h"

// The About box (template 100): the icon, the version and "OK".
class AboutDialog : public ui::TemplateDialog {
    Q_OBJECT
  public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

#pragma once

#include <string>

#include "platform/ui/TemplateDialog.h"

class QComboBox;

// "Set Target Power Level": picks one of the card's fixed power levels.
class PowerLevelDialog : public ui::TemplateDialog {
    Q_OBJECT
  public:
    enum ControlId { IdLevelList = 1067 };

    explicit PowerLevelDialog(QWidget* parent = nullptr);

    // Read after OK: the level's four-digit hexadecimal code, e.g. "851B".
    const std::string& Code() const { return code_; }

    void OnOk() override;

  private:
    QComboBox* levelList_;
    std::string code_;
};

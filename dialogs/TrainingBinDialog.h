#pragma once

#include <cstdint>

#include "dialogs/TrainingBinLabels.h"
#include "platform/ui/TemplateDialog.h"

class QComboBox;

// "Training Levels Storage Bin": picks a bin, labelled for the chosen instrument model.
class TrainingBinDialog : public ui::TemplateDialog {
    Q_OBJECT
  public:
    enum ControlId { IdModelAB = 1105, IdModelC = 1106, IdBinList = 1074 };

    explicit TrainingBinDialog(QWidget* parent = nullptr);

    // Read after OK: the bin number, 0 to 255. The model only changes the labels.
    std::int32_t Bin() const { return bin_; }

    void OnOk() override;

  private:
    void ShowModel(InstrumentModel model);
    void TellBinReset();

    QComboBox* binList_;
    std::int32_t bin_ = 0;
};

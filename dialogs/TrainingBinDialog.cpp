#include "dialogs/TrainingBinDialog.h"

#include <QComboBox>
#include <QRadioButton>

#include "dialogs/AssistiveLabel.h"
#include "dialogs/StandardButtons.h"
#include "platform/ui/ScreenReaderNotice.h"
#include "resources/DialogTemplates.h"

TrainingBinDialog::TrainingBinDialog(QWidget* parent)
    : ui::TemplateDialog(resources::TrainingBinTemplate(), parent),
      binList_(ControlAs<QComboBox>(IdBinList)) {
    ConnectStandardButtons(*this);
    LabelForAssistiveTools(binList_, tr("Storage Bin"));
    auto* modelAB = ControlAs<QRadioButton>(IdModelAB);
    auto* modelC = ControlAs<QRadioButton>(IdModelC);
    modelAB->setChecked(true);
    ShowModel(InstrumentModel::TarnelAB);
    bin_ = 0;
    // Every click refills the list, also on the model already chosen.
    connect(modelAB, &QRadioButton::clicked, this, [this] {
        ShowModel(InstrumentModel::TarnelAB);
        TellBinReset();
    });
    connect(modelC, &QRadioButton::clicked, this, [this] {
        ShowModel(InstrumentModel::TarnelC);
        TellBinReset();
    });
}

void TrainingBinDialog::ShowModel(InstrumentModel model) {
    binList_->clear();
    binList_->addItems(TrainingBinLabels(model));
    binList_->setCurrentIndex(0);
}

// The list went back to bin 0 while the focus stays on the model: said, or a screen reader's
// user would not know.
void TrainingBinDialog::TellBinReset() {
    ui::ScreenReaderNotice::Tell(*this, tr("Storage Bin: %1").arg(binList_->currentText()));
}

void TrainingBinDialog::OnOk() {
    const int position = binList_->currentIndex();
    bin_ = position >= 0 ? position : 0;
    accept();
}

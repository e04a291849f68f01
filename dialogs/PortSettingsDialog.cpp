#include "dialogs/PortSettingsDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QThread>
#include <memory>

#include "dialogs/PortChoices.h"
#include "dialogs/PortSettingsText.h"
#include "ports/PortManagerImpl.h"
#include "ports/SettingsDialogFactory.h"
#include "resources/DialogTemplates.h"

namespace {

QPointer<QWidget>& InstalledMainWindow() {
    static QPointer<QWidget> window;
    return window;
}

QString FromBytes(const std::string& text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToBytes(const QString& text) {
    return text.toLocal8Bit().toStdString();
}

void FillList(QComboBox* list, const std::vector<std::string>& items) {
    for (const std::string& item : items) {
        list->addItem(FromBytes(item));
    }
}

// Selects the first item beginning with prefix, letter case ignored; no match keeps the
// current selection.
void SelectByPrefix(QComboBox* list, const std::string& prefix) {
    const int index = list->findText(FromBytes(prefix), Qt::MatchStartsWith);
    if (index >= 0) {
        list->setCurrentIndex(index);
    }
}

class PortSettingsSession : public SettingsDialogSession {
  public:
    explicit PortSettingsSession(std::unique_ptr<PortSettingsDialog> dialog)
        : dialog_(std::move(dialog)) {}
    bool RunModal() override { return dialog_->Run(); }

  private:
    std::unique_ptr<PortSettingsDialog> dialog_;
};

// Called under the manager lock: builds the dialog only. Widgets need the application's
// own thread, so a call from any other thread (or before the application exists) gets none.
std::unique_ptr<SettingsDialogSession> CreatePortSettingsSession(
    PortManagerImpl& manager, int showOption, std::string& name, std::string& settings,
    std::int32_t* optionResult, std::int32_t kindMask, int enablePortList, int enableSettings) {
    auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (application == nullptr || QThread::currentThread() != application->thread()) {
        return nullptr;
    }
    return std::make_unique<PortSettingsSession>(
        std::make_unique<PortSettingsDialog>(manager, showOption, name, settings, optionResult,
                                             kindMask, enablePortList, enableSettings));
}

}  // namespace

void InstallPortSettingsDialog(QWidget* mainWindow) {
    InstalledMainWindow() = mainWindow;
    SetSettingsDialogFactory(&CreatePortSettingsSession);
}

PortSettingsDialog::PortSettingsDialog(PortManagerImpl& manager, int showOption, std::string& name,
                                       std::string& settings, std::int32_t* optionResult,
                                       std::int32_t kindMask, int enablePortList,
                                       int enableLineSettings)
    : ui::TemplateDialog(resources::PortSettingsTemplate(), nullptr),
      manager_(manager),
      showOption_(showOption),
      name_(name),
      settings_(settings),
      optionResult_(optionResult),
      kindMask_(kindMask),
      enablePortList_(enablePortList),
      enableLineSettings_(enableLineSettings),
      currentName_(name),
      portList_(ControlAs<QComboBox>(kPortList)),
      baudList_(ControlAs<QComboBox>(kBaudList)),
      parityList_(ControlAs<QComboBox>(kParityList)),
      stopBitList_(ControlAs<QComboBox>(kStopBitList)),
      pathField_(ControlAs<QLineEdit>(kPathField)),
      browse_(ControlAs<QPushButton>(kBrowse)),
      option_(ControlAs<QCheckBox>(kOption)) {
    FillList(baudList_, portsettings::BaudItems());
    FillList(parityList_, portsettings::ParityItems());
    FillList(stopBitList_, portsettings::StopBitItems());
    const portsettings::LineChoice defaults =
        portsettings::LineChoiceFrom(portsettings::kDefaultLineSettings);
    SelectByPrefix(baudList_, defaults.baudCode);
    SelectByPrefix(parityList_, defaults.parity);
    SelectByPrefix(stopBitList_, defaults.stopBits);
    SetLabelBuddies();

    connect(ControlAs<QPushButton>(1), &QPushButton::clicked, this, [this] { OnOk(); });
    connect(ControlAs<QPushButton>(2), &QPushButton::clicked, this, [this] { OnCancel(); });
    connect(browse_, &QPushButton::clicked, this, [this] { Browse(); });
    help_ = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help_->setContext(Qt::WindowShortcut);
    connect(help_, &QShortcut::activated, this, [this] { PassHelpOn(); });
}

// Each label's mnemonic moves the focus to the control that follows it.
void PortSettingsDialog::SetLabelBuddies() {
    const auto& controls = Controls();
    for (std::size_t i = 0; i + 1 < controls.size(); ++i) {
        if (auto* label = qobject_cast<QLabel*>(controls[i].widget)) {
            label->setBuddy(controls[i + 1].widget);
        }
    }
}

void PortSettingsDialog::Initialise() {
    if (initialised_) {
        return;
    }
    initialised_ = true;
    activeAtOpening_ = QApplication::activeModalWidget() != nullptr
                           ? QApplication::activeModalWidget()
                           : QApplication::activeWindow();

    fileEntryName_ = portsettings::FileEntryName();
    fileFilter_ = portsettings::FileFilter();
    if (showOption_ == 0) {
        option_->hide();
    }

    for (const std::string& choice :
         portsettings::ListPortChoices(manager_, kindMask_, fileEntryName_)) {
        portList_->addItem(FromBytes(choice));
    }
    const int given =
        portList_->findText(FromBytes(PortManagerImpl::TrimName(name_)), Qt::MatchFixedString);
    if (given >= 0) {
        portList_->setCurrentIndex(given);
        currentName_ = PortManagerImpl::NormaliseName(ToBytes(portList_->itemText(given)));
    } else {
        portList_->setCurrentIndex(portList_->count() > 0 ? 0 : -1);
        currentName_ = ToBytes(portList_->currentText());
    }
    ArrangeFields();

    portList_->setEnabled(enablePortList_ != 0);
    const bool lineSettings = enableLineSettings_ != 0;
    baudList_->setEnabled(lineSettings);
    parityList_->setEnabled(lineSettings);
    stopBitList_->setEnabled(lineSettings);
    browse_->setEnabled(lineSettings);

    connect(portList_, &QComboBox::currentIndexChanged, this, [this] { SelectionChanged(); });
}

bool PortSettingsDialog::Run() {
    Initialise();
    return exec() == QDialog::Accepted;
}

void PortSettingsDialog::SelectionChanged() {
    currentName_ = PortManagerImpl::NormaliseName(ToBytes(portList_->currentText()));
    ArrangeFields();
}

void PortSettingsDialog::ArrangeFields() {
    switch (portsettings::FieldSetFor(currentName_, fileEntryName_)) {
        case portsettings::FieldSet::LineSettings:
            ShowLineSettings(true);
            ShowPathFields(false);
            SelectLineSettings();
            break;
        case portsettings::FieldSet::FilePath:
            ShowLineSettings(false);
            ShowPathFields(true);
            browse_->setFocus();
            break;
        case portsettings::FieldSet::None:
            ShowLineSettings(false);
            ShowPathFields(false);
            break;
    }
}

void PortSettingsDialog::ShowLineSettings(bool show) {
    for (const int id :
         {kBaudLabel, kBaudList, kParityLabel, kParityList, kStopBitLabel, kStopBitList}) {
        Control(id)->setVisible(show);
    }
}

void PortSettingsDialog::ShowPathFields(bool show) {
    for (const int id : {kPathLabel, kPathField, kBrowse}) {
        Control(id)->setVisible(show);
    }
}

void PortSettingsDialog::SelectLineSettings() {
    std::string portName = currentName_;
    std::string settings;
    if (!manager_.GetSettings(portName, settings)) {
        settings = portsettings::kDefaultLineSettings;
    }
    const portsettings::LineChoice choice = portsettings::LineChoiceFrom(settings);
    SelectByPrefix(baudList_, choice.baudCode);
    SelectByPrefix(parityList_, choice.parity);
    SelectByPrefix(stopBitList_, choice.stopBits);
}

void PortSettingsDialog::OnOk() {
    std::string chosen = PortManagerImpl::NormaliseName(ToBytes(portList_->currentText()));
    if (portsettings::IsSerialName(chosen)) {
        settings_ = portsettings::ComposeLineSettings(ToBytes(baudList_->currentText()),
                                                      ToBytes(parityList_->currentText()),
                                                      ToBytes(stopBitList_->currentText()));
    }
    if (!chosen.empty() && chosen == fileEntryName_) {
        // A path names a file only as spelt: its letter case is kept.
        chosen = PortManagerImpl::TrimName(ToBytes(pathField_->text()));
    }
    name_ = chosen;
    if (optionResult_ != nullptr) {
        *optionResult_ = option_->isChecked() ? 1 : 0;
    }
    accept();
}

void PortSettingsDialog::Browse() {
    QFileDialog chooser(this, tr("Select File"), QDir::currentPath(), FromBytes(fileFilter_));
    chooser.setAcceptMode(QFileDialog::AcceptSave);
    chooser.setFileMode(QFileDialog::AnyFile);
    chooser.setDefaultSuffix(FromBytes(portsettings::kFileExtension));
    // The file port appends: choosing an existing file is no overwrite.
    chooser.setOption(QFileDialog::DontConfirmOverwrite);
    if (!pathField_->text().trimmed().isEmpty()) {
        chooser.selectFile(pathField_->text().trimmed());
    }
    if (chooser.exec() == QDialog::Accepted && !chooser.selectedFiles().isEmpty()) {
        pathField_->setText(chooser.selectedFiles().constFirst());
    }
}

QWidget* PortSettingsDialog::HelpTarget() const {
    if (QWidget* installed = InstalledMainWindow()) {
        return installed;
    }
    QWidget* active = activeAtOpening_;
    return active != this ? active : nullptr;
}

void PortSettingsDialog::PassHelpOn() {
    QWidget* target = HelpTarget();
    if (target == nullptr) {
        return;
    }
    // A key press sent by the program is first offered to the shortcuts of the active window,
    // where this dialog's own F1 would take it again: keep that one out of the way meanwhile.
    help_->setEnabled(false);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_F1, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &release);
    help_->setEnabled(true);
}

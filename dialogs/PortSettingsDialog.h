#pragma once

#include <QPointer>
#include <cstdint>
#include <string>

#include "platform/ui/TemplateDialog.h"

class PortManagerImpl;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QShortcut;

// Makes the port settings dialog the one the port manager's ShowSettingsDialog runs. F1 in
// the dialog goes to mainWindow; without one, to the window that was active when the dialog
// opened. Call once at start, on the user-interface thread.
void InstallPortSettingsDialog(QWidget* mainWindow = nullptr);

// Chooses a port and its line settings. Writes back, on OK only: the port name (or the file
// path), the composed settings string (for COM1 to COM4) and the option box's state.
class PortSettingsDialog : public ui::TemplateDialog {
    Q_OBJECT
  public:
    static constexpr int kPortList = 1005;
    static constexpr int kBaudList = 1006;
    static constexpr int kStopBitList = 1007;
    static constexpr int kParityList = 1008;
    static constexpr int kOption = 1009;
    static constexpr int kPathField = 1015;
    static constexpr int kBaudLabel = 1019;
    static constexpr int kParityLabel = 1020;
    static constexpr int kStopBitLabel = 1021;
    static constexpr int kPathLabel = 1022;
    static constexpr int kBrowse = 3;

    PortSettingsDialog(PortManagerImpl& manager, int showOption, std::string& name,
                       std::string& settings, std::int32_t* optionResult, std::int32_t kindMask,
                       int enablePortList, int enableLineSettings);

    // The opening steps: lists the ports of this moment, selects the given name and arranges
    // the fields for it. Run() calls it; tests may call it and drive the controls directly.
    void Initialise();
    // Initialise(), then the modal run; true when it ended with OK.
    bool Run();

    const std::string& CurrentName() const { return currentName_; }
    const std::string& FileEntryName() const { return fileEntryName_; }
    // Where F1 goes (null when there is no such window).
    QWidget* HelpTarget() const;

    void OnOk() override;

  private:
    void SelectionChanged();
    void ArrangeFields();
    void ShowLineSettings(bool show);
    void ShowPathFields(bool show);
    void SelectLineSettings();
    void Browse();
    void PassHelpOn();
    void SetLabelBuddies();

    PortManagerImpl& manager_;
    const int showOption_;
    std::string& name_;
    std::string& settings_;
    std::int32_t* const optionResult_;
    const std::int32_t kindMask_;
    const int enablePortList_;
    const int enableLineSettings_;

    std::string currentName_;
    std::string fileEntryName_;
    std::string fileFilter_;
    bool initialised_ = false;
    QPointer<QWidget> activeAtOpening_;

    QComboBox* portList_;
    QComboBox* baudList_;
    QComboBox* parityList_;
    QComboBox* stopBitList_;
    QLineEdit* pathField_;
    QPushButton* browse_;
    QCheckBox* option_;
    QShortcut* help_;
};

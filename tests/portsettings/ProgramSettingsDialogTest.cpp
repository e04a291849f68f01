// The port settings dialog as the running program offers it: a module's call through the
// exported manager while the main window runs.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <vector>

#include "DialogDriving.h"
#include "FeedbackRecorder.h"
#include "HelpKeyCounter.h"
#include "ModalAnswer.h"
#include "PortTestSupport.h"
#include "app/MaintenanceApp.h"
#include "app/MaintenanceDialog.h"
#include "dialogs/PortSettingsDialog.h"
#include "dialogs/PortSettingsText.h"
#include "ports/PortKind.h"
#include "ports/PortManager.h"
#include "ports/SettingsDialogFactory.h"

using namespace portsettingstest;

TEST(ProgramSettingsDialogTest, ShownThroughTheExportedManagerWithHelpGoingToTheMainWindow) {
    // Only the program's own start may make the dialog available.
    SetSettingsDialogFactory(nullptr);
    // No devices at all: discovery finds nothing and the dialog offers the file entry alone.
    porttest::TempDir dir;
    std::vector<std::unique_ptr<porttest::DeviceOverride>> absent;
    for (const char* device : {"COM1", "COM2", "COM3", "COM4", "LPT1", "LPT2", "LPT3"}) {
        absent.push_back(std::make_unique<porttest::DeviceOverride>(
            device, dir.File(std::string("no-") + device)));
    }
    const FeedbackRecorder feedback;
    const std::string path = dir.File("Trace.txt");

    HelpKeyCounter help;
    bool shown = false;
    int helpKeys = -1;
    std::vector<std::string> entries;
    std::string name = "COM1";
    std::string settings = "untouched";
    std::int32_t option = -1;
    const ModalAnswer<MaintenanceDialog> whileRunning([&](MaintenanceDialog* window) {
        window->installEventFilter(&help);
        {
            const ModalAnswer<PortSettingsDialog> answer([&](PortSettingsDialog* dialog) {
                entries = Entries(*dialog);
                EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
                QTest::keyClick(dialog->Control(PortSettingsDialog::kPortList), Qt::Key_F1);
                helpKeys = help.Count();
                dialog->ControlAs<QLineEdit>(PortSettingsDialog::kPathField)
                    ->setText(QString::fromStdString(path));
                ClickOk(*dialog);
            });
            shown = GetPortManager()->ShowSettingsDialog(1, name, settings, &option,
                                                         PortKindFile | PortKindSerial, 1, 1);
            EXPECT_TRUE(answer.Answered());
        }
        window->ControlAs<QPushButton>(MaintenanceDialog::IdDone)->click();
    });
    MaintenanceApp app;
    app.InitInstance();

    EXPECT_TRUE(whileRunning.Answered());
    EXPECT_TRUE(shown);
    EXPECT_EQ(helpKeys, 1);
    EXPECT_EQ(entries, std::vector<std::string>{portsettings::FileEntryName()});
    EXPECT_EQ(name, path);
    EXPECT_EQ(settings, "untouched");
    EXPECT_EQ(option, 0);
}

// A host built like the program (GetPortManager its one dynamic export) loads the probe
// module, which reaches the program's port manager through that export alone.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <termios.h>

#include <QCheckBox>
#include <QTest>
#include <QWidget>
#include <algorithm>
#include <memory>
#include <vector>

#include "DialogDriving.h"
#include "ExportProbe.h"
#include "HelpKeyCounter.h"
#include "ModalAnswer.h"
#include "PortTestSupport.h"
#include "dialogs/PortSettingsDialog.h"
#include "ports/PortManager.h"

using namespace portsettingstest;

namespace {

struct ModuleCloser {
    void operator()(void* handle) const { ::dlclose(handle); }
};

}  // namespace

class ExportHostTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* device : {"COM1", "COM2", "COM4", "LPT1", "LPT2", "LPT3"}) {
            absent_.push_back(std::make_unique<porttest::DeviceOverride>(
                device, dir_.File(std::string("no-") + device)));
        }
        // Every reference is bound at load: a GetPortManager the program did not export
        // makes the load fail.
        module_.reset(::dlopen(MERROWBY_EXPORT_PROBE, RTLD_NOW | RTLD_LOCAL));
        ASSERT_NE(module_, nullptr) << ::dlerror();
        auto entry = reinterpret_cast<ExportProbeEntry>(::dlsym(module_.get(), kExportProbeEntry));
        ASSERT_NE(entry, nullptr) << ::dlerror();
        probe_.reset(entry());
        ASSERT_NE(probe_, nullptr);
    }

    void TearDown() override {
        // The module's listener goes before the module does.
        probe_.reset();
        GetPortManager()->CloseAll();
        module_.reset();
    }

    // COM3 is the pseudo-terminal; no other device exists.
    porttest::PtyPair pty_;
    porttest::DeviceOverride com3_{"COM3", pty_.SlavePath()};
    porttest::TempDir dir_;
    std::vector<std::unique_ptr<porttest::DeviceOverride>> absent_;
    std::unique_ptr<void, ModuleCloser> module_;
    std::unique_ptr<ExportProbe> probe_;
};

TEST_F(ExportHostTest, TheModuleGetsTheProgramsOwnManager) {
    PortManager* const own = GetPortManager();
    EXPECT_EQ(probe_->ManagerBoundAtLoad(), own);
    EXPECT_EQ(probe_->ManagerLookedUp(), own);
}

// Bytes the module writes reach the far side of the line, with NUL and 8-bit bytes intact,
// and bytes from the far side reach the module's listener.
TEST_F(ExportHostTest, TheModuleTalksOverASerialPortOfTheProgram) {
    EXPECT_EQ(probe_->Open(" com3"), "Serial Port");
    EXPECT_EQ(GetPortManager()->GetStatus("COM3"), 1) << "the module's listener is attached";

    const std::string sent("1VQ\r\0\x7f\x80\xff", 8);
    ASSERT_TRUE(probe_->Write(sent));
    EXPECT_EQ(pty_.ReceiveOnFarSide(sent.size()), sent);

    const std::string reply("0A3F\r\n\0", 7);
    pty_.SendFromFarSide(reply);
    EXPECT_EQ(probe_->Received(reply.size()), reply);

    EXPECT_TRUE(probe_->Close());
    EXPECT_EQ(GetPortManager()->GetStatus("COM3"), 0);
}

// The module shows the program's settings dialog; the choice it gets back applies to the port
// it holds, down to the line itself.
TEST_F(ExportHostTest, TheModuleShowsTheSettingsDialogAndAppliesTheChoice) {
    QWidget mainWindow;
    HelpKeyCounter help;
    mainWindow.installEventFilter(&help);
    InstallPortSettingsDialog(&mainWindow);
    ASSERT_EQ(probe_->Open("COM3"), "Serial Port");

    std::vector<std::string> entries;
    std::string current;
    int helpKeys = -1;
    const ModalAnswer<PortSettingsDialog> answer([&](PortSettingsDialog* dialog) {
        entries = Entries(*dialog);
        current = CurrentText(*dialog, PortSettingsDialog::kPortList).toStdString();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
        QTest::keyClick(dialog->Control(PortSettingsDialog::kBaudList), Qt::Key_F1);
        helpKeys = help.Count();
        EXPECT_TRUE(ChooseItem(*dialog, PortSettingsDialog::kBaudList, "19"));
        EXPECT_TRUE(ChooseItem(*dialog, PortSettingsDialog::kParityList, "E"));
        EXPECT_TRUE(ChooseItem(*dialog, PortSettingsDialog::kStopBitList, "2"));
        dialog->ControlAs<QCheckBox>(PortSettingsDialog::kOption)->setChecked(true);
        ClickOk(*dialog);
    });
    std::string name = "com3";
    std::string settings;
    std::int32_t option = -1;
    ASSERT_TRUE(probe_->ShowSettingsDialog(name, settings, option));
    EXPECT_TRUE(answer.Answered());

    EXPECT_EQ(std::count(entries.begin(), entries.end(), "COM3"), 1)
        << "the port the module holds is listed";
    EXPECT_EQ(current, "COM3");
    EXPECT_EQ(helpKeys, 1) << "F1 went to the host's main window";
    EXPECT_EQ(name, "COM3");
    EXPECT_EQ(settings, SettingsFrom("19", "E", "2"));
    EXPECT_EQ(option, 1);

    EXPECT_EQ(probe_->Configure(settings), settings);
    // The line as the far side sees it (a pseudo-terminal keeps no parity or character size).
    termios line{};
    ASSERT_EQ(::tcgetattr(pty_.Master(), &line), 0);
    EXPECT_EQ(::cfgetospeed(&line), B19200);
    EXPECT_EQ(line.c_cflag & CSTOPB, static_cast<tcflag_t>(CSTOPB)) << "two stop bits";
}

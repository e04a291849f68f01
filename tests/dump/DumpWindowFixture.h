#pragma once

#include <QString>
#include <filesystem>
#include <string>
#include <vector>

#include "ConnectedWindow.h"
#include "PortTestSupport.h"
#include "QStringPrinter.h"

namespace dumptest {

// The window connected to the simulated card, which reports only what a test injects.
class DumpWindowTest : public windowtest::ConnectedWindowTest {
  protected:
    void SetUp() override;

    QWidget* Widget(int id) const { return window->Control(id); }
    QString Text(int id) const;
    // Starts a dump on the chosen tube and waits for the card to take the command.
    void StartDump(bool rightTube = false);
    // One report line received whole, and one tick of the dump timer for it.
    void TickWithSample(const std::string& sample);
    void SilentTicks(int count);

    std::vector<QString> Row(int row) const;
    int RowCount() const;
    std::vector<QString> Headings() const;
    std::vector<QString> ExtremeLabels() const;
    std::vector<int> LitLamps() const;
    std::size_t EnabledCommandButtons() const;
    bool CommandButtonsEnabled() const;
    bool AnyCommandButtonEnabled() const;

    void DumpToFile(const std::filesystem::path& path);
    QString FileErrorMessage(int cause) const;
    // The texts of the message boxes shown so far, once the window has shown those it has
    // queued.
    std::vector<QString> ShownMessages();

    const porttest::TempDir tempDir;
    const std::filesystem::path folder{tempDir.Path()};
};

// Every command button the dump locks.
extern const std::vector<int> kCommandButtonIds;

// A report line of four readings as the card sends them: four-digit upper-case groups.
std::string Sample(unsigned c0, unsigned c1, unsigned c2, unsigned c3);
// "%6.3f" of a reading in milliamperes, in the C locale.
QString Milliamps(unsigned count);
// The dump file line for a sample of four groups as received.
std::string FileLine(const std::vector<std::string>& groups);

}  // namespace dumptest

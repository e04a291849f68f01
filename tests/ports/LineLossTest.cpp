#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "PortTestSupport.h"
#include "ports/LineLoss.h"
#include "ports/PortManager.h"
#include "ports/PortTap.h"
#include "ports/SerialPort.h"

using namespace porttest;
namespace fs = std::filesystem;

namespace {

class LossRecorder : public LineLossListener {
  public:
    void LineLost(const std::string& portName, const std::string& devicePath) override {
        const std::lock_guard guard(mutex_);
        losses_.push_back(portName + " " + devicePath);
    }
    std::vector<std::string> Losses() {
        const std::lock_guard guard(mutex_);
        return losses_;
    }

  private:
    std::mutex mutex_;
    std::vector<std::string> losses_;
};

class DropRecorder : public PortTap {
  public:
    void Written(const std::string&, const std::string&) override {}
    void Received(const std::string&, const std::string&) override {}
    void Dropped(const std::string& portName, const std::string& data) override {
        const std::lock_guard guard(mutex_);
        dropped_.push_back(portName + " " + data);
    }
    std::vector<std::string> Dropped() {
        const std::lock_guard guard(mutex_);
        return dropped_;
    }

  private:
    std::mutex mutex_;
    std::vector<std::string> dropped_;
};

// Whether this process still has a descriptor open on the device.
bool HoldsDescriptorOn(const std::string& devicePath) {
    std::error_code error;
    const fs::path target = fs::canonical(devicePath, error);
    for (const auto& entry : fs::directory_iterator("/proc/self/fd", error)) {
        std::error_code readError;
        if (fs::read_symlink(entry.path(), readError) == target) {
            return true;
        }
    }
    return false;
}

// A port on a device path that is a symbolic link, so that a test can take the device away
// and put another in its place, as a replugged adapter does.
class LineLossTest : public ::testing::Test {
  protected:
    void SetUp() override {
        InstallLineLossListener(&losses);
        InstallPortTap(&drops);
        fs::create_symlink(first.SlavePath(), linkPath);
    }
    void TearDown() override {
        port.reset();
        InstallPortTap(nullptr);
        InstallLineLossListener(nullptr);
    }
    void Replug(const PtyPair& replacement) {
        fs::remove(linkPath);
        fs::create_symlink(replacement.SlavePath(), linkPath);
    }

    TempDir folder;
    const std::string linkPath = folder.File("ttyUSB0");
    PtyPair first;
    DeviceOverride override_{"COM1", linkPath};
    LossRecorder losses;
    DropRecorder drops;
    RecordingListener listener;
    std::unique_ptr<SerialPort> port = std::make_unique<SerialPort>("COM1");
};

TEST_F(LineLossTest, HangUpClosesTheDeviceAtOnceDropsTheQueueAndIsTold) {
    ASSERT_TRUE(port->Attach(&listener));
    ASSERT_TRUE(port->Configure("96,n,8,1,1"));  // paced: the second string waits 300 ms
    ASSERT_TRUE(port->Write("1VQ"));
    ASSERT_TRUE(port->Write("stale"));
    ASSERT_EQ(first.ReceiveOnFarSide(3), "1VQ");
    ASSERT_EQ(port->QueuedCount(), 1u);
    ASSERT_TRUE(HoldsDescriptorOn(first.SlavePath()));

    first.CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return !losses.Losses().empty(); }));
    EXPECT_EQ(losses.Losses(), std::vector<std::string>{"COM1 " + linkPath});
    EXPECT_FALSE(port->IsDeviceOpen());
    EXPECT_FALSE(HoldsDescriptorOn(first.SlavePath()));
    EXPECT_EQ(port->QueuedCount(), 0u);
    EXPECT_EQ(drops.Dropped(), std::vector<std::string>{"COM1 stale"});
    EXPECT_FALSE(port->Write("after"));
    // The listener stays attached for the line's return.
    EXPECT_EQ(port->GetStatus(), 1);
}

TEST_F(LineLossTest, LostLineSleepsUntilItIsReopened) {
    ASSERT_TRUE(port->Attach(&listener));
    first.CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return !losses.Losses().empty(); }));
    const std::uint64_t before = port->WakeCount();
    EXPECT_FALSE(WaitUntil([&] { return port->WakeCount() != before; }, 300ms));
    EXPECT_EQ(losses.Losses().size(), 1u);
}

TEST_F(LineLossTest, ReopenTakesUpTheReturnedDeviceWithTheSettingsItHad) {
    ASSERT_TRUE(port->Attach(&listener));
    ASSERT_TRUE(port->Configure("19,e,7,2,0"));
    ASSERT_TRUE(port->Write("queued"));
    ASSERT_EQ(first.ReceiveOnFarSide(6), "queued");
    first.CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return !losses.Losses().empty(); }));

    EXPECT_FALSE(port->Reopen()) << "nothing behind the name yet";
    PtyPair second;
    Replug(second);
    ASSERT_TRUE(port->Reopen());
    ASSERT_TRUE(port->Reopen()) << "an open device counts as reopened";
    std::string settings;
    port->GetSettings(settings);
    EXPECT_EQ(settings, "19,e,7,2,0");
    ASSERT_TRUE(HoldsDescriptorOn(second.SlavePath()));

    second.SendFromFarSide("back\n");
    ASSERT_TRUE(listener.WaitForBytes(5));
    EXPECT_EQ(listener.Joined(), "back\n");
    ASSERT_TRUE(port->Write("M"));
    EXPECT_EQ(second.ReceiveOnFarSide(1), "M");
    EXPECT_EQ(second.DrainFarSide(50ms), "");
    EXPECT_TRUE(drops.Dropped().empty());
}

TEST_F(LineLossTest, ReopenThroughThePortManagerReachesOnlySerialPorts) {
    port.reset();
    PortManager& manager = *GetPortManager();
    ASSERT_NE(manager.Open("COM1", &listener), nullptr);
    first.CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return !losses.Losses().empty(); }));
    PtyPair second;
    Replug(second);
    EXPECT_TRUE(ReopenLine("com1"));
    second.SendFromFarSide("x");
    EXPECT_TRUE(listener.WaitForBytes(1));
    EXPECT_FALSE(ReopenLine("COM3")) << "never opened";
    ASSERT_NE(manager.Open(folder.File("log.txt"), &listener), nullptr);
    EXPECT_FALSE(ReopenLine(folder.File("log.txt"))) << "a file port";
    manager.CloseAll();
}

}  // namespace

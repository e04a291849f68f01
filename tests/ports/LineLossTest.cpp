#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "PortTestSupport.h"
#include "platform/UsbSerialIdentity.h"
#include "ports/DeviceMapping.h"
#include "ports/LineLoss.h"
#include "ports/PortManager.h"
#include "ports/PortTap.h"
#include "ports/SerialPort.h"

using namespace porttest;
namespace fs = std::filesystem;

namespace {

// Strings noted on the ports' threads, read by the test.
class NotedList {
  public:
    void Add(std::string text) {
        const std::lock_guard guard(mutex_);
        items_.push_back(std::move(text));
    }
    std::vector<std::string> Items() {
        const std::lock_guard guard(mutex_);
        return items_;
    }

  private:
    std::mutex mutex_;
    std::vector<std::string> items_;
};

class LossRecorder : public LineLossListener {
  public:
    void LineLost(const std::string& portName, const std::string& devicePath) override {
        losses_.Add(portName + " " + devicePath);
    }
    std::vector<std::string> Losses() { return losses_.Items(); }

  private:
    NotedList losses_;
};

class DropRecorder : public PortTap {
  public:
    void Written(const std::string&, const std::string&) override {}
    void Received(const std::string&, const std::string&) override {}
    void Dropped(const std::string& portName, const std::string& data) override {
        dropped_.Add(portName + " " + data);
    }
    std::vector<std::string> Dropped() { return dropped_.Items(); }

  private:
    NotedList dropped_;
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
        AddPortTap(&drops);
        fs::create_symlink(first.SlavePath(), linkPath);
    }
    void TearDown() override {
        port.reset();
        RemovePortTap(&drops);
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
    // The head leaves the queue just after its bytes reach the line.
    ASSERT_TRUE(WaitUntil([&] { return port->QueuedCount() == 1u; }));
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

namespace {

// A sysfs tree of the test's own: ttys on USB adapters at given port paths, with or without a
// serial number, and one built-in port.
class UsbSerialIdentityTest : public ::testing::Test {
  protected:
    void AddUsbTty(const std::string& tty, const std::string& usbPort, const std::string& serial) {
        const fs::path usb = fs::path(sys) / "devices" / "usb1" / usbPort;
        const fs::path port = usb / (usbPort + ":1.0") / tty;
        fs::create_directories(port);
        WriteFile((usb / "busnum").string(), "1\n");
        WriteFile((usb / "devpath").string(), usbPort.substr(2) + "\n");
        if (!serial.empty()) {
            WriteFile((usb / "serial").string(), serial + "\n");
        }
        LinkTty(tty, port);
        WriteFile(folder.File("dev/" + tty), "");
    }
    void LinkTty(const std::string& tty, const fs::path& device) {
        fs::create_directories(fs::path(sys) / "class" / "tty" / tty);
        fs::create_symlink(device, fs::path(sys) / "class" / "tty" / tty / "device");
    }

    TempDir folder;
    const std::string sys = folder.File("sys");
    const std::string dev = folder.File("dev");
    void SetUp() override { fs::create_directories(dev); }
};

TEST_F(UsbSerialIdentityTest, SerialNumberElsePortPathAndNothingForOtherTtys) {
    AddUsbTty("ttyUSB0", "1-1", "FT4XZ2");
    AddUsbTty("ttyUSB1", "1-2.3", "");
    const fs::path builtIn = fs::path(sys) / "devices" / "platform" / "serial8250" / "ttyS0";
    fs::create_directories(builtIn);
    LinkTty("ttyS0", builtIn);
    fs::create_directories(dev + "/serial/by-id");
    fs::create_symlink(dev + "/ttyUSB0", dev + "/serial/by-id/usb-FTDI_FT4XZ2-if00-port0");

    EXPECT_EQ(platform::UsbSerialIdentity(dev + "/ttyUSB0", sys), "serial:FT4XZ2");
    EXPECT_EQ(platform::UsbSerialIdentity(dev + "/serial/by-id/usb-FTDI_FT4XZ2-if00-port0", sys),
              "serial:FT4XZ2");
    EXPECT_EQ(platform::UsbSerialIdentity(dev + "/ttyUSB1", sys), "port:1-2.3");
    EXPECT_EQ(platform::UsbSerialIdentity(dev + "/ttyS0", sys), "");
    EXPECT_EQ(platform::UsbSerialIdentity(dev + "/ttyUSB9", sys), "");

    EXPECT_EQ(platform::FindUsbSerialDevice(dev, "port:1-2.3", sys), dev + "/ttyUSB1");
    EXPECT_EQ(platform::FindUsbSerialDevice(dev, "serial:OTHER", sys), "");
    EXPECT_EQ(platform::FindUsbSerialDevice(dev, "", sys), "");
}

TEST(DeviceMappingPinTest, APinnedDefaultHoldsUntilTheNextRescan) {
    TempDir root;
    WriteFile(root.File("ttyUSB0"), "");
    DeviceMapping mapping(root.Path(), [](const std::string&) { return false; });
    ASSERT_EQ(mapping.Resolve("COM1").device, root.File("ttyUSB0"));
    mapping.PinDefault("COM1", root.File("ttyUSB1"));
    EXPECT_EQ(mapping.Resolve("COM1").device, root.File("ttyUSB1"));
    EXPECT_EQ(mapping.Resolve("COM1").source, MappingSource::Default);
    mapping.Rescan();
    EXPECT_EQ(mapping.Resolve("COM1").device, root.File("ttyUSB0"));
}

}  // namespace

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "PortTestSupport.h"
#include "platform/DeviceIo.h"
#include "platform/UsbSerialIdentity.h"
#include "ports/DeviceMapping.h"
#include "ports/LineLoss.h"
#include "ports/PortManagerImpl.h"
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

// A listener of the port manager's while it lives.
class ListenerOnManager {
  public:
    ListenerOnManager(PortManagerImpl& manager, LineLossListener& listener)
        : manager_(manager), listener_(listener) {
        manager_.AddLineLossListener(&listener_);
    }
    ~ListenerOnManager() { manager_.RemoveLineLossListener(&listener_); }
    ListenerOnManager(const ListenerOnManager&) = delete;
    ListenerOnManager& operator=(const ListenerOnManager&) = delete;

  private:
    PortManagerImpl& manager_;
    LineLossListener& listener_;
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

// A file as the kernel knows it, also once its path has gone.
struct FileId {
    dev_t device = 0;
    ino_t inode = 0;
};

FileId IdOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return {};
    }
    return {status.st_dev, status.st_ino};
}

// Whether this process still has a descriptor open on that file, looked at through the
// descriptors themselves.
bool HoldsDescriptorOn(const FileId& file) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd", error)) {
        struct stat status {};
        if (::stat(entry.path().c_str(), &status) == 0 && status.st_dev == file.device &&
            status.st_ino == file.inode) {
            return true;
        }
    }
    return false;
}

// Polls as ppoll does, then once flushes the input of the first terminal the poll found
// readable, as another program's flush between the poll and the read would: the port's
// read then finds nothing. Counts the polls, so that a test knows when the next began.
std::atomic<bool> flushDue{false};
std::atomic<int> polls{0};
std::atomic<int> pollOfTheFlush{0};  // 0: none yet

int PollThenFlushInput(pollfd* fds, nfds_t count, const timespec* timeout, const sigset_t* mask) {
    const int poll = polls.fetch_add(1) + 1;
    const int ready = ::ppoll(fds, count, timeout, mask);
    for (nfds_t i = 0; ready > 0 && i < count; ++i) {
        if ((fds[i].revents & POLLIN) != 0 && ::isatty(fds[i].fd) == 1 &&
            flushDue.exchange(false)) {
            ::tcflush(fds[i].fd, TCIFLUSH);
            pollOfTheFlush.store(poll);
        }
    }
    return ready;
}

class FlushingPollInstalled {
  public:
    FlushingPollInstalled() {
        flushDue.store(true);
        pollOfTheFlush.store(0);
        platform::SetPollFunction(PollThenFlushInput);
    }
    ~FlushingPollInstalled() { platform::SetPollFunction(nullptr); }
    FlushingPollInstalled(const FlushingPollInstalled&) = delete;
    FlushingPollInstalled& operator=(const FlushingPollInstalled&) = delete;
};

// A port on a device path that is a symbolic link, so that a test can take the device away
// and put another in its place, as a replugged adapter does.
class LineLossTest : public ::testing::Test {
  protected:
    void SetUp() override {
        AddPortTap(&drops);
        fs::create_symlink(first.SlavePath(), linkPath);
    }
    void TearDown() override {
        port.reset();
        RemovePortTap(&drops);
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
    std::unique_ptr<SerialPort> port = std::make_unique<SerialPort>("COM1", &losses);
};

TEST_F(LineLossTest, HangUpClosesTheDeviceAtOnceDropsTheQueueAndIsTold) {
    ASSERT_TRUE(port->Attach(&listener));
    ASSERT_TRUE(port->Configure("96,n,8,1,1"));  // paced: the second string waits 300 ms
    ASSERT_TRUE(port->Write("1VQ"));
    ASSERT_TRUE(port->Write("stale"));
    ASSERT_EQ(first.ReceiveOnFarSide(3), "1VQ");
    // The head leaves the queue just after its bytes reach the line.
    ASSERT_TRUE(WaitUntil([&] { return port->QueuedCount() == 1u; }));
    const FileId device = IdOf(first.SlavePath());
    ASSERT_TRUE(HoldsDescriptorOn(device));

    first.CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return !losses.Losses().empty(); }));
    EXPECT_EQ(losses.Losses(), std::vector<std::string>{"COM1 " + linkPath});
    EXPECT_FALSE(port->IsDeviceOpen());
    EXPECT_FALSE(HoldsDescriptorOn(device));
    EXPECT_EQ(port->QueuedCount(), 0u);
    EXPECT_EQ(drops.Dropped(), std::vector<std::string>{"COM1 stale"});
    EXPECT_FALSE(port->Write("after"));
    // The listener stays attached for the line's return.
    EXPECT_EQ(port->GetStatus(), 1);
}

// Only a hang-up, an error or EIO/ENXIO mean the line is gone: a read that finds nothing after
// the poll saw input (here: the input flushed between the two) is no loss.
TEST_F(LineLossTest, AReadThatFindsNothingIsNoLoss) {
    {
        const FlushingPollInstalled flushing;
        polls.store(0);
        ASSERT_TRUE(port->Attach(&listener));  // wakes the thread: its next poll is this one
        ASSERT_TRUE(WaitUntil([] { return polls.load() > 0; }));
        first.SendFromFarSide("x");
        ASSERT_TRUE(WaitUntil([] { return pollOfTheFlush.load() != 0; }));
        // The next poll begins once the read that found nothing is done.
        ASSERT_TRUE(WaitUntil([] { return polls.load() > pollOfTheFlush.load(); }));
    }
    EXPECT_TRUE(losses.Losses().empty());
    EXPECT_TRUE(port->IsDeviceOpen());
    first.SendFromFarSide("y");
    ASSERT_TRUE(listener.WaitForBytes(1));
    EXPECT_EQ(listener.Joined(), "y") << "the flushed byte never came";
    ASSERT_TRUE(port->Write("M"));
    EXPECT_EQ(first.ReceiveOnFarSide(1), "M");
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
    // An unplugged adapter's node goes away; the freed pty number may be another process's now.
    fs::remove(linkPath);

    EXPECT_FALSE(port->Reopen()) << "nothing behind the name yet";
    PtyPair second;
    Replug(second);
    ASSERT_TRUE(port->Reopen());
    ASSERT_TRUE(port->Reopen()) << "an open device counts as reopened";
    std::string settings;
    port->GetSettings(settings);
    EXPECT_EQ(settings, "19,e,7,2,0");
    ASSERT_TRUE(HoldsDescriptorOn(IdOf(second.SlavePath())));

    second.SendFromFarSide("back\n");
    ASSERT_TRUE(listener.WaitForBytes(5));
    EXPECT_EQ(listener.Joined(), "back\n");
    ASSERT_TRUE(port->Write("M"));
    EXPECT_EQ(second.ReceiveOnFarSide(1), "M");
    EXPECT_EQ(second.DrainFarSide(50ms), "");
    EXPECT_TRUE(drops.Dropped().empty());
}

// The manager's ports tell it of their losses, and it tells every listener it has; the
// exported interface reaches the same manager.
TEST_F(LineLossTest, TheManagerTellsEachOfItsListenersAndReopensOnlySerialPorts) {
    port.reset();
    PortManagerImpl& manager = ProcessPortManager();
    ASSERT_EQ(GetPortManager(), &manager);
    LossRecorder second;
    LossRecorder removed;
    const ListenerOnManager listening[] = {{manager, losses}, {manager, second}};
    manager.AddLineLossListener(&second);  // once is enough
    manager.AddLineLossListener(&removed);
    manager.RemoveLineLossListener(&removed);
    ASSERT_NE(manager.Open("COM1", &listener), nullptr);
    first.CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return !losses.Losses().empty(); }));
    EXPECT_EQ(losses.Losses(), std::vector<std::string>{"COM1 " + linkPath});
    EXPECT_EQ(second.Losses(), std::vector<std::string>{"COM1 " + linkPath});
    EXPECT_TRUE(removed.Losses().empty());

    PtyPair back;
    Replug(back);
    EXPECT_TRUE(manager.ReopenSerialPort("com1"));
    back.SendFromFarSide("x");
    EXPECT_TRUE(listener.WaitForBytes(1));
    EXPECT_FALSE(manager.ReopenSerialPort("COM3")) << "never opened";
    ASSERT_NE(manager.Open(folder.File("log.txt"), &listener), nullptr);
    EXPECT_FALSE(manager.ReopenSerialPort(folder.File("log.txt"))) << "a file port";
    manager.CloseAll();
}

}  // namespace

namespace {

// A sysfs tree of the test's own: ttys on USB adapters (vendor, product, serial number or
// none, USB port path, interface), and one built-in port.
struct FakeAdapterPort {
    std::string tty;
    std::string usbPort;
    std::string serial;            // empty: none
    std::string interface = "00";  // bInterfaceNumber
    std::string vendor = "0403";
    std::string product = "6001";
};

class UsbSerialIdentityTest : public ::testing::Test {
  protected:
    void SetUp() override { fs::create_directories(dev); }
    void Add(const FakeAdapterPort& adapter) {
        const fs::path usb = fs::path(sys) / "devices" / "usb1" / adapter.usbPort;
        const fs::path interface =
            usb / (adapter.usbPort + ":1." + std::to_string(std::stoi(adapter.interface)));
        const fs::path port = interface / adapter.tty;
        fs::create_directories(port);
        WriteFile((usb / "busnum").string(), "1\n");
        WriteFile((usb / "devpath").string(), adapter.usbPort.substr(2) + "\n");
        WriteFile((usb / "idVendor").string(), adapter.vendor + "\n");
        WriteFile((usb / "idProduct").string(), adapter.product + "\n");
        if (!adapter.serial.empty()) {
            WriteFile((usb / "serial").string(), adapter.serial + "\n");
        }
        WriteFile((interface / "bInterfaceNumber").string(), adapter.interface + "\n");
        WriteFile((port / "port_number").string(), "0\n");
        LinkTty(adapter.tty, port);
        WriteFile(dev + "/" + adapter.tty, "");
    }
    // Unplugged: the tty and its USB device go.
    void Remove(const FakeAdapterPort& adapter) {
        fs::remove_all(fs::path(sys) / "class" / "tty" / adapter.tty);
        fs::remove_all(fs::path(sys) / "devices" / "usb1" / adapter.usbPort);
        fs::remove(dev + "/" + adapter.tty);
    }
    void LinkTty(const std::string& tty, const fs::path& device) {
        fs::create_directories(fs::path(sys) / "class" / "tty" / tty);
        fs::create_symlink(device, fs::path(sys) / "class" / "tty" / tty / "device");
    }
    platform::UsbSerialIdentity IdentityOf(const std::string& tty) {
        return platform::UsbSerialIdentityOf(dev + "/" + tty, sys);
    }
    std::vector<platform::UsbSerialDevice> Present() {
        return platform::UsbSerialDevices(dev, sys);
    }

    TempDir folder;
    const std::string sys = folder.File("sys");
    const std::string dev = folder.File("dev");
};

TEST_F(UsbSerialIdentityTest, SerialNumberPortPathAndInterfaceAndNothingForOtherTtys) {
    Add({"ttyUSB0", "1-1", "FT4XZ2"});
    Add({"ttyUSB1", "1-2.3", "", "00", "1a86", "7523"});
    const fs::path builtIn = fs::path(sys) / "devices" / "platform" / "serial8250" / "ttyS0";
    fs::create_directories(builtIn);
    LinkTty("ttyS0", builtIn);
    fs::create_directories(dev + "/serial/by-id");
    fs::create_symlink(dev + "/ttyUSB0", dev + "/serial/by-id/usb-FTDI_FT4XZ2-if00-port0");

    const platform::UsbSerialIdentity withSerial{"0403", "6001", "FT4XZ2", "1-1", "00.0"};
    EXPECT_EQ(IdentityOf("ttyUSB0"), withSerial);
    EXPECT_EQ(platform::UsbSerialIdentityOf(dev + "/serial/by-id/usb-FTDI_FT4XZ2-if00-port0", sys),
              withSerial);
    const platform::UsbSerialIdentity withoutSerial{"1a86", "7523", "", "1-2.3", "00.0"};
    EXPECT_EQ(IdentityOf("ttyUSB1"), withoutSerial);
    EXPECT_FALSE(IdentityOf("ttyS0").IsKnown());
    EXPECT_FALSE(IdentityOf("ttyUSB9").IsKnown());
    ASSERT_EQ(Present().size(), 2u);
    EXPECT_EQ(Present()[1].path, dev + "/ttyUSB1");
    EXPECT_EQ(Present()[1].identity, withoutSerial);
}

// A quad adapter gives its four ports one serial number: the lost port is found again by
// its interface when the adapter comes back under new names in another USB port.
TEST_F(UsbSerialIdentityTest, AQuadAdapterComesBackOnTheSamePortOfIt) {
    std::vector<FakeAdapterPort> quad;
    for (int port = 0; port < 4; ++port) {
        quad.push_back({"ttyUSB" + std::to_string(port), "1-1", "FT4QUAD",
                        "0" + std::to_string(port), "0403", "6011"});
        Add(quad.back());
    }
    const platform::UsbSerialIdentity lost = IdentityOf("ttyUSB2");
    ASSERT_EQ(lost.interface, "02.0");
    const auto before = Present();
    ASSERT_EQ(before.size(), 4u);
    for (const auto& port : quad) {
        Remove(port);
    }
    ASSERT_TRUE(Present().empty());

    for (int port = 0; port < 4; ++port) {
        Add({"ttyUSB" + std::to_string(port + 4), "1-3", "FT4QUAD", "0" + std::to_string(port),
             "0403", "6011"});
    }
    const platform::AdapterReturn found = platform::FindReturnedAdapter(lost, Present(), before);
    EXPECT_EQ(found.outcome, platform::AdapterReturn::Outcome::Found);
    EXPECT_EQ(found.device, dev + "/ttyUSB6");
}

// The lost adapter's last tty name, ttyUSB0 at 1-1, is gone; what is there when it is looked
// for. A CH340 without a serial number (1a86:7523) at 1-4 was there already.
struct ReturnCase {
    const char* what;
    std::string lostSerial;
    std::vector<FakeAdapterPort> appeared;
    platform::AdapterReturn::Outcome outcome;
    std::string device;  // the tty taken up
};

TEST_F(UsbSerialIdentityTest, AnAdapterIsTakenUpOnlyWhenNothingElseCouldBeIt) {
    using Outcome = platform::AdapterReturn::Outcome;
    const std::string ch340 = "1a86";
    const std::vector<ReturnCase> cases = {
        {"no serial number, the one like it in another socket",
         "",
         {{"ttyUSB0", "1-2", "", "00", ch340, "7523"}},
         Outcome::Found,
         "ttyUSB0"},
        {"no serial number, two like it",
         "",
         {{"ttyUSB0", "1-2", "", "00", ch340, "7523"}, {"ttyUSB2", "1-3", "", "00", ch340, "7523"}},
         Outcome::Ambiguous,
         ""},
        {"no serial number, back in its socket beside another like it",
         "",
         {{"ttyUSB2", "1-3", "", "00", ch340, "7523"}, {"ttyUSB3", "1-1", "", "00", ch340, "7523"}},
         Outcome::Found,
         "ttyUSB3"},
        {"no serial number, another product in its socket",
         "",
         {{"ttyUSB0", "1-1", "", "00", ch340, "5523"}},
         Outcome::None,
         ""},
        {"no serial number, one like it with a serial number",
         "",
         {{"ttyUSB0", "1-2", "B2", "00", ch340, "7523"}},
         Outcome::None,
         ""},
        {"a serial number, back in another socket",
         "A1",
         {{"ttyUSB2", "1-3", "A1", "00", ch340, "7523"}},
         Outcome::Found,
         "ttyUSB2"},
        {"a serial number, another in its socket",
         "A1",
         {{"ttyUSB0", "1-1", "B2", "00", ch340, "7523"}},
         Outcome::None,
         ""},
        {"a serial number, one like it without",
         "A1",
         {{"ttyUSB0", "1-1", "", "00", ch340, "7523"}},
         Outcome::None,
         ""},
    };
    const FakeAdapterPort earlier{"ttyUSB1", "1-4", "", "00", ch340, "7523"};
    Add(earlier);
    for (const ReturnCase& test : cases) {
        SCOPED_TRACE(test.what);
        const FakeAdapterPort lostPort{"ttyUSB0", "1-1", test.lostSerial, "00", ch340, "7523"};
        Add(lostPort);
        const platform::UsbSerialIdentity lost = IdentityOf("ttyUSB0");
        ASSERT_TRUE(lost.IsKnown());
        Remove(lostPort);
        const auto before = Present();
        ASSERT_EQ(before.size(), 1u);
        for (const auto& adapter : test.appeared) {
            Add(adapter);
        }
        const platform::AdapterReturn found =
            platform::FindReturnedAdapter(lost, Present(), before);
        EXPECT_EQ(found.outcome, test.outcome);
        EXPECT_EQ(found.device, test.device.empty() ? "" : dev + "/" + test.device);
        for (const auto& adapter : test.appeared) {
            Remove(adapter);
        }
    }
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

#include <gtest/gtest.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <new>

#include <filesystem>
#include <future>
#include <vector>

#include "FailingAllocation.h"
#include "PortTestSupport.h"
#include "ports/DevicePath.h"
#include "ports/PortKind.h"
#include "ports/PortManagerImpl.h"
#include "ports/PortThread.h"
#include "ports/SerialPort.h"
#include "ports/SettingsDialogFactory.h"

using namespace porttest;

namespace {

class PortManagerTest : public ::testing::Test {
  protected:
    PtyPair pty;
    DeviceOverride override_{"COM1", pty.SlavePath()};
    PortManagerImpl manager;
    RecordingListener listener;
    RecordingListener other;

    void TearDown() override { manager.CloseAll(); }
};

TEST(DevicePathTest, DefaultsAndOverrides) {
    // COM1 to COM4 follow the devices present (DeviceMappingTest); LPT1 to LPT3 do not.
    for (int i = 1; i <= 3; ++i) {
        const std::string name = "LPT" + std::to_string(i);
        ::unsetenv(("MERROWBY_" + name).c_str());
        EXPECT_EQ(DevicePathForPortName(name), "/dev/lp" + std::to_string(i - 1));
    }
    const DeviceOverride usb("COM3", "/dev/ttyUSB0");
    EXPECT_EQ(DevicePathForPortName("COM3"), "/dev/ttyUSB0");
    EXPECT_EQ(DevicePathForPortName("COM5"), "");
    EXPECT_EQ(DevicePathForPortName("LPT4"), "");
    EXPECT_EQ(DevicePathForPortName("com1"), "");
}

TEST(PortNameTest, NormalisationTrimsAndUpperCases) {
    EXPECT_EQ(PortManagerImpl::NormaliseName("  com1\t\n"), "COM1");
    EXPECT_EQ(PortManagerImpl::NormaliseName("Lpt2"), "LPT2");
    EXPECT_EQ(PortManagerImpl::NormaliseName("   "), "");
    EXPECT_EQ(PortManagerImpl::TrimName("  /tmp/Mixed Case.txt "), "/tmp/Mixed Case.txt");
    // Bytes that are no valid multibyte text still get ASCII treatment.
    EXPECT_EQ(PortManagerImpl::NormaliseName(" a\xff"
                                             "b "),
              "A\xff"
              "B");
}

TEST_F(PortManagerTest, TablesListTheSevenDevices) {
    const PortManagerImpl::NameTable names{"COM1", "COM2", "COM3", "COM4", "LPT1", "LPT2", "LPT3"};
    EXPECT_EQ(manager.Names(), names);
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(manager.Kinds()[i], i < 4 ? PortKindSerial : PortKindParallel) << names[i];
    }
    EXPECT_TRUE(manager.RegisteredNames().empty());
}

TEST_F(PortManagerTest, LowerCaseNameWithBlanksReachesComOne) {
    Port* port = manager.Open("  com1 ", &listener);
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(port->GetTypeName(), "Serial Port");
    EXPECT_EQ(manager.Open("COM1", &other), port);
    EXPECT_EQ(manager.GetStatus("com1"), 2);
    EXPECT_TRUE(manager.Close(" Com1", &other));
    EXPECT_EQ(manager.GetStatus("COM1"), 1);
    ASSERT_TRUE(port->Write("V"));
    EXPECT_EQ(pty.ReceiveOnFarSide(1), "V");
}

TEST_F(PortManagerTest, CloseOfOpenedNameIsTrueEvenForAStranger) {
    ASSERT_NE(manager.Open("COM1", &listener), nullptr);
    EXPECT_TRUE(manager.Close("COM1", &other));
    EXPECT_EQ(manager.GetStatus("COM1"), 1);
    EXPECT_FALSE(manager.Close("COM2", &listener));
    EXPECT_EQ(manager.GetStatus("COM3"), 0);
}

TEST_F(PortManagerTest, UnknownDeviceNamesBecomeFilePortsAtTheGivenPath) {
    const TempDir tempDir;
    const std::filesystem::path dir = tempDir.Path();
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    Port* com5 = manager.Open("com5", &listener);
    Port* lpt4 = manager.Open(" LPT4", &listener);
    std::filesystem::current_path(previous);
    ASSERT_NE(com5, nullptr);
    ASSERT_NE(lpt4, nullptr);
    EXPECT_EQ(com5->GetTypeName(), "File Port");
    EXPECT_EQ(lpt4->GetTypeName(), "File Port");
    EXPECT_TRUE(std::filesystem::exists(dir / "com5"));  // letter case kept on disk
    EXPECT_TRUE(std::filesystem::exists(dir / "LPT4"));
    EXPECT_EQ(manager.RegisteredNames(), (std::vector<std::string>{"COM5", "LPT4"}));
}

TEST_F(PortManagerTest, FilePortThroughTheManager) {
    const TempDir dir;
    const std::string path = dir.File("Trace.log");
    Port* port = manager.Open(" " + path + " ", &listener);
    ASSERT_NE(port, nullptr);
    ASSERT_TRUE(port->Write("line 1\n"));
    ASSERT_TRUE(WaitUntil([&] { return ReadFile(path) == "line 1\n"; }));
    std::string key = path;
    std::string out;
    EXPECT_FALSE(manager.GetSettings(key, out));  // a file port yields the empty text
    EXPECT_EQ(key, PortManagerImpl::NormaliseName(path));
    std::string settings = "whatever";
    EXPECT_TRUE(manager.Configure(key, settings));
}

TEST_F(PortManagerTest, FailedOpenStaysRegisteredAndIsRetried) {
    const TempDir dir;
    const std::string path = dir.File("later") + "/sub/out.txt";
    EXPECT_EQ(manager.Open(path, &listener), nullptr);
    EXPECT_EQ(manager.RegisteredNames().size(), 1u);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    EXPECT_NE(manager.Open(path, &listener), nullptr);
    EXPECT_EQ(manager.RegisteredNames().size(), 1u);
}

TEST_F(PortManagerTest, SettingsAndConfigureNormaliseTheCallersName) {
    std::string name = " com1";
    std::string out;
    EXPECT_FALSE(manager.GetSettings(name, out));  // not registered yet
    EXPECT_EQ(out, "");
    ASSERT_NE(manager.Open("COM1", &listener), nullptr);
    EXPECT_TRUE(manager.GetSettings(name, out));
    EXPECT_EQ(name, "COM1");
    EXPECT_EQ(out, "96,n,8,1,0");
    std::string other = "com1 ";
    std::string settings = "19,n,8,1";
    EXPECT_TRUE(manager.Configure(other, settings));
    EXPECT_EQ(other, "COM1");
    out.clear();
    EXPECT_TRUE(manager.GetSettings(name, out));
    EXPECT_EQ(out, "19,n,8,1,0");
    std::string bad = "19,n,8,9,0";
    EXPECT_FALSE(manager.Configure(name, bad));
    std::string missing = "COM4";
    EXPECT_FALSE(manager.Configure(missing, settings));
}

TEST_F(PortManagerTest, CloseAllGivesAFreshPortWithInitialSettings) {
    ASSERT_NE(manager.Open("COM1", &listener), nullptr);
    std::string name = "COM1";
    std::string settings = "12,o,7,2,1";
    ASSERT_TRUE(manager.Configure(name, settings));
    manager.CloseAll();
    EXPECT_TRUE(manager.RegisteredNames().empty());
    EXPECT_EQ(manager.GetStatus("COM1"), 0);
    Port* fresh = manager.Open("COM1", &listener);
    ASSERT_NE(fresh, nullptr);
    std::string out;
    fresh->GetSettings(out);
    EXPECT_EQ(out, "96,n,8,1,0");
}

// Calls CloseAll from inside OnReceive, on the port's own thread.
class ClosingListener : public RecordingListener {
  public:
    explicit ClosingListener(PortManager& manager) : manager_(manager) {}
    void OnReceive(const std::string& chunk) override {
        manager_.CloseAll();
        RecordingListener::OnReceive(chunk);
    }

  private:
    PortManager& manager_;
};

TEST_F(PortManagerTest, CloseAllFromAListenersOnReceiveIsRefused) {
    ClosingListener closing(manager);
    ASSERT_NE(manager.Open("COM1", &closing), nullptr);
    pty.SendFromFarSide("x");
    ASSERT_TRUE(closing.WaitForBytes(1));
    EXPECT_EQ(manager.RegisteredNames(), std::vector<std::string>{"COM1"});
    pty.SendFromFarSide("y");
    ASSERT_TRUE(closing.WaitForBytes(2));
    EXPECT_EQ(closing.Joined(), "xy");
    EXPECT_TRUE(manager.Close("COM1", &closing));
}

TEST_F(PortManagerTest, OutOfMemoryIsAFailedCallNotAnException) {
    Port* port = manager.Open("COM1", &listener);
    ASSERT_NE(port, nullptr);
    std::string name = "COM1";
    std::string settings = "19,n,8,1,0 with a text too long to be stored in place";
    const std::string command = "a string long enough to need memory of its own";
    {
        // Only what the calls themselves allocate fails: their arguments are made already.
        const FailingAllocations noMemory;
        EXPECT_EQ(manager.Open("COM2", &other), nullptr);
        EXPECT_EQ(manager.GetStatus("COM1"), 0);
        EXPECT_FALSE(port->Write(command));
        EXPECT_FALSE(port->Configure(settings));
        EXPECT_FALSE(manager.Configure(name, settings));
        EXPECT_FALSE(manager.Close("COM1", &listener));
    }
    EXPECT_EQ(port->GetStatus(), 1);
    EXPECT_EQ(static_cast<SerialPort*>(port)->QueuedCount(), 0u) << "nothing half-queued";
    std::string out;
    port->GetSettings(out);
    EXPECT_EQ(out, "96,n,8,1,0");
}

TEST(PortThreadTest, APassOutOfMemoryIsRunAgain) {
    std::atomic<int> passes{0};
    PortThread thread;
    thread.Start(platform::ThreadPriority::Normal, [&] {
        if (passes.fetch_add(1) == 0) {
            throw std::bad_alloc();
        }
        return false;
    });
    ASSERT_TRUE(thread.IsStarted());
    ASSERT_TRUE(WaitUntil([&] { return thread.RunningCount() == 0; }));
    EXPECT_EQ(passes.load(), 2);
}

TEST_F(PortManagerTest, VanishedLineIsReopenedCleanlyAfterCloseAll) {
    Port* port = manager.Open("COM1", &listener);
    ASSERT_NE(port, nullptr);
    pty.SendFromFarSide("abc");
    ASSERT_TRUE(listener.WaitForBytes(3));
    pty.CloseMaster();  // the adapter is pulled out mid-stream
    // The dead device is closed at once; what was queued before is dropped.
    ASSERT_TRUE(WaitUntil([&] { return !port->Write("queued"); }));
    EXPECT_EQ(manager.GetStatus("COM1"), 1);
    manager.Close("COM1", &listener);
    manager.CloseAll();

    PtyPair replugged;
    const DeviceOverride back("COM1", replugged.SlavePath());
    RecordingListener again;
    Port* reopened = manager.Open("COM1", &again);
    ASSERT_NE(reopened, nullptr);
    replugged.SendFromFarSide("ok");
    ASSERT_TRUE(again.WaitForBytes(2));
    EXPECT_EQ(again.Joined(), "ok");
    ASSERT_TRUE(reopened->Write("GO"));
    EXPECT_EQ(replugged.ReceiveOnFarSide(2), "GO");
    EXPECT_TRUE(manager.Close("COM1", &again));
}

// Every descriptor the process may open is taken, for the life of the object.
class DescriptorsUsedUp {
  public:
    DescriptorsUsedUp() {
        ::getrlimit(RLIMIT_NOFILE, &saved_);
        rlimit lowered = saved_;
        lowered.rlim_cur = std::min<rlim_t>(saved_.rlim_cur, kLimit);
        ::setrlimit(RLIMIT_NOFILE, &lowered);
        for (int fd = ::dup(0); fd >= 0; fd = ::dup(0)) {
            taken_.push_back(fd);
        }
    }
    ~DescriptorsUsedUp() {
        for (const int fd : taken_) {
            ::close(fd);
        }
        ::setrlimit(RLIMIT_NOFILE, &saved_);
    }
    DescriptorsUsedUp(const DescriptorsUsedUp&) = delete;
    DescriptorsUsedUp& operator=(const DescriptorsUsedUp&) = delete;

  private:
    static constexpr rlim_t kLimit = 256;
    rlimit saved_{};
    std::vector<int> taken_;
};

TEST_F(PortManagerTest, NoDescriptorsLeftGivesANullPortAndNoException) {
#ifdef MERROWBY_SANITIZE_UNDEFINED
    // The checker's own memory probes need descriptors: with none left it reports every
    // virtual call as one on an invalid object.
    GTEST_SKIP() << "needs descriptors the undefined-behaviour checker takes itself";
#endif
    {
        const DescriptorsUsedUp exhausted;
        const int probe = ::eventfd(0, 0);
        ASSERT_LT(probe, 0) << "a descriptor was still free";
        Port* port = nullptr;
        EXPECT_NO_THROW(port = manager.Open("COM1", &listener));
        EXPECT_EQ(port, nullptr);
        EXPECT_EQ(manager.GetStatus("COM1"), 0);
    }
    Port* port = manager.Open("COM1", &listener);
    ASSERT_NE(port, nullptr);
    pty.SendFromFarSide("ok");
    EXPECT_TRUE(listener.WaitForBytes(2));
}

TEST_F(PortManagerTest, SettingsDialogNeedsAnInstalledFactory) {
    SetSettingsDialogFactory(nullptr);
    std::string name = "COM1";
    std::string settings;
    std::int32_t option = 0;
    EXPECT_FALSE(manager.ShowSettingsDialog(1, name, settings, &option, PortKindSerial, 1, 1));
}

struct FakeDialogCall {
    PortManagerImpl* manager = nullptr;
    int showOption = -1;
    std::int32_t kindMask = 0;
    int enablePortList = -1;
    int enableSettings = -1;
    bool lockFreeDuringRun = false;
};
FakeDialogCall lastCall;

class FakeDialog : public SettingsDialogSession {
  public:
    FakeDialog(PortManagerImpl& manager, std::string& name, std::string& settings,
               std::int32_t* option)
        : manager_(manager), name_(name), settings_(settings), option_(option) {}
    bool RunModal() override {
        // Another thread can use the manager while the dialog runs.
        auto probe = std::async(std::launch::async, [this] { return manager_.GetStatus("COM9"); });
        lastCall.lockFreeDuringRun = probe.wait_for(kDeadline) == std::future_status::ready;
        name_ = "COM2";
        settings_ = "19,N,8,1,0";
        *option_ = 1;
        return true;
    }

  private:
    PortManagerImpl& manager_;
    std::string& name_;
    std::string& settings_;
    std::int32_t* option_;
};

std::unique_ptr<SettingsDialogSession> MakeFakeDialog(PortManagerImpl& manager, int showOption,
                                                      std::string& name, std::string& settings,
                                                      std::int32_t* optionState,
                                                      std::int32_t kindMask, int enablePortList,
                                                      int enableSettings) {
    lastCall = {&manager, showOption, kindMask, enablePortList, enableSettings, false};
    return std::make_unique<FakeDialog>(manager, name, settings, optionState);
}

TEST_F(PortManagerTest, SettingsDialogIsBuiltByTheFactoryAndRunWithoutTheLock) {
    SetSettingsDialogFactory(&MakeFakeDialog);
    std::string name = "COM1";
    std::string settings;
    std::int32_t option = 0;
    const std::int32_t mask = PortKindSerial | PortKindFile;
    EXPECT_TRUE(manager.ShowSettingsDialog(1, name, settings, &option, mask, 0, 1));
    SetSettingsDialogFactory(nullptr);
    EXPECT_EQ(lastCall.manager, &manager);
    EXPECT_EQ(lastCall.showOption, 1);
    EXPECT_EQ(lastCall.kindMask, mask);
    EXPECT_EQ(lastCall.enablePortList, 0);
    EXPECT_EQ(lastCall.enableSettings, 1);
    EXPECT_TRUE(lastCall.lockFreeDuringRun);
    EXPECT_EQ(name, "COM2");
    EXPECT_EQ(settings, "19,N,8,1,0");
    EXPECT_EQ(option, 1);
}

TEST(GetPortManagerTest, ReturnsTheOneManager) {
    PortManager* first = GetPortManager();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, GetPortManager());
    EXPECT_NE(dynamic_cast<PortManagerImpl*>(first), nullptr);
    EXPECT_EQ(first->GetStatus("COM1"), 0);
}

}  // namespace

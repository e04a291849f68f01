// Which device a port name stands for: the default list from a device folder (a fake one
// here), and the order of precedence of the explicit choices.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <set>

#include "PortTestSupport.h"
#include "platform/DeviceProbe.h"
#include "platform/ExclusiveDevice.h"
#include "platform/TerminalHolders.h"
#include "ports/DefaultDevices.h"
#include "ports/DeviceMapping.h"
#include "ports/ReservedDevices.h"

using namespace porttest;

namespace {

// A device folder with the given entries (plain files) and nothing else.
class FakeDeviceFolder : public TempDir {
  public:
    void Add(const std::string& relative) {
        std::filesystem::create_directories(std::filesystem::path(File(relative)).parent_path());
        WriteFile(File(relative), "");
    }
};

bool NoUart(const std::string&) {
    return false;
}

bool NothingLeftAlone(const std::string&) {
    return false;
}

// A system folder as the kernel shows it: sys/class/tty/ttySN/type for the built-in ports,
// the console in sys/class/tty/console/active, proc/consoles and proc/cmdline, and processes
// in proc/<pid>/stat.
class FakeSystemFolder : public TempDir {
  public:
    void SetUartType(const std::string& name, const std::string& type) {
        Put("sys/class/tty/" + name + "/type", type + "\n");
    }
    void Put(const std::string& relative, const std::string& content) {
        std::filesystem::create_directories(std::filesystem::path(File(relative)).parent_path());
        WriteFile(File(relative), content);
    }
    // A process whose controlling terminal is the device at terminalPath.
    void AddProcess(int pid, const std::string& terminalPath) {
        struct stat node {};
        ASSERT_EQ(::stat(terminalPath.c_str(), &node), 0);
        const unsigned long long major = ::major(node.st_rdev);
        const unsigned long long minor = ::minor(node.st_rdev);
        const unsigned long long ttyNumber =
            (minor & 0xff) | (major << 8) | ((minor & ~0xffull) << 12);
        Put("proc/" + std::to_string(pid) + "/stat",
            std::to_string(pid) + " (agetty (x)) S 1 " + std::to_string(pid) + " " +
                std::to_string(pid) + " " + std::to_string(ttyNumber) + " -1 4194560 0 0\n");
    }
};

TEST(DefaultDevicesTest, UsbAdaptersByStableNameSortedThenRealUartsAtMostFour) {
    FakeDeviceFolder dev;
    for (const char* entry : {"serial/by-id/usb-Maker_B-if00", "serial/by-id/usb-Maker_A-if00",
                              "ttyUSB0", "ttyS0", "ttyS1", "ttyS2", "ttyS3"}) {
        dev.Add(entry);
    }
    // Without a serial core type in the system folder a built-in port is no UART.
    const FakeSystemFolder system;
    const auto uartBySysfs = [&](const std::string& path) {
        return platform::IsRealUart(path, system.Path());
    };
    EXPECT_EQ(DefaultSerialDevices(dev.Path(), uartBySysfs, NothingLeftAlone),
              (std::vector<std::string>{dev.File("serial/by-id/usb-Maker_A-if00"),
                                        dev.File("serial/by-id/usb-Maker_B-if00")}));

    const auto uartsAt1And3And0 = [&](const std::string& path) {
        return path == dev.File("ttyS3") || path == dev.File("ttyS1") || path == dev.File("ttyS0");
    };
    EXPECT_EQ(DefaultSerialDevices(dev.Path(), uartsAt1And3And0, NothingLeftAlone),
              (std::vector<std::string>{dev.File("serial/by-id/usb-Maker_A-if00"),
                                        dev.File("serial/by-id/usb-Maker_B-if00"),
                                        dev.File("ttyS0"), dev.File("ttyS1")}));
}

TEST(DefaultDevicesTest, WithoutTheByIdFolderTtyUsbThenTtyAcmByNumber) {
    FakeDeviceFolder dev;
    for (const char* entry : {"ttyACM0", "ttyUSB10", "ttyUSB2", "ttyUSBx", "ttyS0", "lp0"}) {
        dev.Add(entry);
    }
    EXPECT_EQ(
        DefaultSerialDevices(dev.Path(), NoUart, NothingLeftAlone),
        (std::vector<std::string>{dev.File("ttyUSB2"), dev.File("ttyUSB10"), dev.File("ttyACM0")}));
    EXPECT_TRUE(DefaultSerialDevices(FakeDeviceFolder().Path(), NoUart, NothingLeftAlone).empty());
}

TEST(DefaultDevicesTest, APseudoTerminalIsACharacterDeviceButNoUart) {
    PtyPair pty;
    TempDir dir;
    WriteFile(dir.File("plain"), "");
    EXPECT_TRUE(platform::IsCharacterDevice(pty.SlavePath()));
    EXPECT_FALSE(platform::IsRealUart(pty.SlavePath(), "/"));
    EXPECT_FALSE(platform::IsCharacterDevice(dir.File("plain")));
    EXPECT_FALSE(platform::IsCharacterDevice(dir.File("missing")));
}

TEST(DefaultDevicesTest, TheConsoleAndTerminalsInUseAreLeftOut) {
    FakeDeviceFolder dev;
    FakeSystemFolder system;
    for (const char* name : {"ttyS0", "ttyS1", "ttyS2", "ttyS3"}) {
        dev.Add(name);
        system.SetUartType(name, "4");  // 16550A
    }
    system.Put("sys/class/tty/console/active", "tty0 ttyS0\n");
    system.Put("proc/cmdline", "BOOT_IMAGE=/vmlinuz console=ttyS1,115200n8 quiet\n");
    system.Put("proc/consoles", "ttyS3                -W- (EC p a)    4:67\n");
    // A getty's line and a free adapter, both real terminals.
    PtyPair gettyLine;
    PtyPair adapter;
    std::filesystem::create_symlink(gettyLine.SlavePath(), dev.File("ttyUSB0"));
    std::filesystem::create_symlink(adapter.SlavePath(), dev.File("ttyUSB1"));
    system.AddProcess(812, gettyLine.SlavePath());
    // A process that ends while its stat is read: the read fails as a folder's does.
    std::filesystem::create_directories(system.File("proc/813/stat"));

    for (const char* name : {"MERROWBY_COM1", "MERROWBY_COM2", "MERROWBY_COM3"}) {
        ::unsetenv(name);
    }
    DeviceMapping mapping(dev.Path(), {}, system.Path());
    EXPECT_EQ(mapping.Resolve("COM1").device, dev.File("ttyUSB1"));
    EXPECT_EQ(mapping.Resolve("COM2").device, dev.File("ttyS2"));
    EXPECT_EQ(mapping.Resolve("COM3").device, "");
}

TEST(DefaultDevicesTest, ARealControllingTerminalIsSeenInProc) {
    PtyPair held;
    PtyPair free;
    int ready[2];
    int release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // A new session's first terminal opened becomes its controlling terminal.
        ::setsid();
        const int fd = ::open(held.SlavePath().c_str(), O_RDWR);
        char byte = fd >= 0 ? 'y' : 'n';
        static_cast<void>(::write(ready[1], &byte, 1));
        static_cast<void>(::read(release[0], &byte, 1));
        ::_exit(0);
    }
    char answer = 0;
    ASSERT_EQ(::read(ready[0], &answer, 1), 1);
    const std::set<dev_t> terminals = platform::ControllingTerminals("/");
    static_cast<void>(::write(release[1], "x", 1));
    ::waitpid(child, nullptr, 0);
    for (const int fd : {ready[0], ready[1], release[0], release[1]}) {
        ::close(fd);
    }
    ASSERT_EQ(answer, 'y');
    EXPECT_TRUE(terminals.contains(platform::IdentifyDevice(held.SlavePath()).number));
    EXPECT_FALSE(terminals.contains(platform::IdentifyDevice(free.SlavePath()).number));
}

TEST(DefaultDevicesTest, TheScanAndTheListingOpenNoDevice) {
    FakeDeviceFolder dev;
    FakeSystemFolder system;
    PtyPair builtIn;
    std::filesystem::create_symlink(builtIn.SlavePath(), dev.File("ttyS0"));
    system.SetUartType("ttyS0", "4");
    OpenWatch watch(builtIn.SlavePath());
    ASSERT_TRUE(watch.IsWatching());
    ::unsetenv("MERROWBY_COM1");
    DeviceMapping mapping(dev.Path(), {}, system.Path());
    EXPECT_EQ(mapping.Resolve("COM1").device, dev.File("ttyS0"));
    const ReservedDevices terminals(system.Path(), {});
    EXPECT_FALSE(terminals.Contains(dev.File("ttyS0")));
    EXPECT_FALSE(platform::IsDeviceLocked(dev.File("ttyS0"), "/"));
    EXPECT_EQ(watch.Opens(), 0);

    // The lock this program takes on a device it holds shows in proc/locks.
    platform::ExclusiveDevice holder;
    ASSERT_TRUE(holder.Open(builtIn.SlavePath(), O_RDWR | O_NONBLOCK));
    EXPECT_TRUE(platform::IsDeviceLocked(dev.File("ttyS0"), "/"));
    system.SetUartType("ttyS0", "0");  // unknown: no UART behind the name
    mapping.Rescan();
    EXPECT_EQ(mapping.Resolve("COM1").device, "");
}

TEST(DeviceMappingTest, CommandLineThenEnvironmentThenSettingsThenDefault) {
    FakeDeviceFolder dev;
    dev.Add("ttyUSB0");
    for (const char* name : {"MERROWBY_COM1", "MERROWBY_COM3", "MERROWBY_COM4", "MERROWBY_LPT1"}) {
        ::unsetenv(name);
    }
    DeviceMapping mapping(dev.Path(), NoUart);
    EXPECT_EQ(mapping.Resolve("COM1").device, dev.File("ttyUSB0"));
    EXPECT_EQ(mapping.Resolve("COM1").source, MappingSource::Default);

    mapping.SetSettings({{"COM1", "/dev/s1"}, {"COM2", "/dev/s2"}, {"COM3", "/dev/s3"}});
    const DeviceOverride com1("COM1", "/dev/e1");
    const DeviceOverride com2("COM2", "/dev/e2");
    mapping.SetCommandLine({{"COM1", "/dev/c1"}});

    const std::vector<DeviceAssignment> all = mapping.All();
    ASSERT_EQ(all.size(), 7u);
    const auto expect = [&](std::size_t i, const std::string& name, const std::string& device,
                            MappingSource source) {
        EXPECT_EQ(all[i].name, name);
        EXPECT_EQ(all[i].device, device) << name;
        EXPECT_EQ(all[i].source, source) << name;
    };
    expect(0, "COM1", "/dev/c1", MappingSource::CommandLine);
    expect(1, "COM2", "/dev/e2", MappingSource::Environment);
    expect(2, "COM3", "/dev/s3", MappingSource::Settings);
    // The one name left without a choice takes the one adapter.
    expect(3, "COM4", dev.File("ttyUSB0"), MappingSource::Default);
    expect(4, "LPT1", dev.File("lp0"), MappingSource::Default);
    expect(6, "LPT3", dev.File("lp2"), MappingSource::Default);
    EXPECT_EQ(mapping.Resolve("COM5").device, "");
    EXPECT_STREQ(MappingSourceText(MappingSource::CommandLine), "command line");
}

TEST(DeviceMappingTest, AnAdapterPluggedInLaterIsFoundByARescan) {
    FakeDeviceFolder dev;
    ::unsetenv("MERROWBY_COM1");
    DeviceMapping mapping(dev.Path(), NoUart);
    EXPECT_EQ(mapping.Resolve("COM1").device, "");
    dev.Add("ttyACM0");
    EXPECT_EQ(mapping.Resolve("COM1").device, "") << "the list is read once until a rescan";
    mapping.Rescan();
    EXPECT_EQ(mapping.Resolve("COM1").device, dev.File("ttyACM0"));
}

}  // namespace

namespace {

TEST(DeviceMappingTest, ADeviceChosenExplicitlyIsNoDefaultForAnotherName) {
    FakeDeviceFolder dev;
    FakeSystemFolder system;
    for (const char* name : {"ttyS0", "ttyS1", "ttyS2", "ttyS3"}) {
        dev.Add(name);
        system.SetUartType(name, "4");
    }
    system.Put("sys/class/tty/console/active", "ttyS0\n");
    for (const char* name : {"MERROWBY_COM1", "MERROWBY_COM2", "MERROWBY_COM3", "MERROWBY_COM4"}) {
        ::unsetenv(name);
    }
    DeviceMapping mapping(dev.Path(), {}, system.Path());
    mapping.SetCommandLine({{"COM1", dev.File("ttyS2")}, {"COM2", dev.File("ttyS1")}});
    EXPECT_EQ(mapping.Resolve("COM3").device, dev.File("ttyS3"));
    EXPECT_EQ(mapping.Resolve("COM4").device, "");

    // Another name of the same device counts as the same device.
    std::filesystem::create_symlink(dev.File("ttyS3"), dev.File("alias"));
    mapping.SetSettings({{"COM4", dev.File("alias")}});
    EXPECT_EQ(mapping.Resolve("COM3").device, "");
    EXPECT_EQ(mapping.Resolve("COM4").device, dev.File("alias"));
}

}  // namespace

// Which device a port name stands for: the default list from a device folder (a fake one
// here), and the order of precedence of the explicit choices.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "PortTestSupport.h"
#include "platform/DeviceProbe.h"
#include "ports/DefaultDevices.h"
#include "ports/DeviceMapping.h"

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

TEST(DefaultDevicesTest, UsbAdaptersByStableNameSortedThenRealUartsAtMostFour) {
    FakeDeviceFolder dev;
    for (const char* entry : {"serial/by-id/usb-Maker_B-if00", "serial/by-id/usb-Maker_A-if00",
                              "ttyUSB0", "ttyS0", "ttyS1", "ttyS2", "ttyS3"}) {
        dev.Add(entry);
    }
    // Plain files are no UART to the driver's own check.
    EXPECT_EQ(DefaultSerialDevices(dev.Path(), platform::IsRealUart),
              (std::vector<std::string>{dev.File("serial/by-id/usb-Maker_A-if00"),
                                        dev.File("serial/by-id/usb-Maker_B-if00")}));

    const auto uartsAt1And3And0 = [&](const std::string& path) {
        return path == dev.File("ttyS3") || path == dev.File("ttyS1") || path == dev.File("ttyS0");
    };
    EXPECT_EQ(DefaultSerialDevices(dev.Path(), uartsAt1And3And0),
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
        DefaultSerialDevices(dev.Path(), NoUart),
        (std::vector<std::string>{dev.File("ttyUSB2"), dev.File("ttyUSB10"), dev.File("ttyACM0")}));
    EXPECT_TRUE(DefaultSerialDevices(FakeDeviceFolder().Path(), NoUart).empty());
}

TEST(DefaultDevicesTest, APseudoTerminalIsACharacterDeviceButNoUart) {
    PtyPair pty;
    TempDir dir;
    WriteFile(dir.File("plain"), "");
    EXPECT_TRUE(platform::IsCharacterDevice(pty.SlavePath()));
    EXPECT_FALSE(platform::IsRealUart(pty.SlavePath()));
    EXPECT_FALSE(platform::IsCharacterDevice(dir.File("plain")));
    EXPECT_FALSE(platform::IsCharacterDevice(dir.File("missing")));
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
    expect(3, "COM4", "", MappingSource::Default);  // one adapter only, taken by COM1's default
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

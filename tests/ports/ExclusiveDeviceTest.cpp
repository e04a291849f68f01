#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "PortTestSupport.h"
#include "platform/ExclusiveDevice.h"

using platform::ExclusiveDevice;

TEST(ExclusiveDeviceTest, SecondOpenFailsUntilTheFirstCloses) {
    porttest::PtyPair pty;
    ExclusiveDevice first;
    ExclusiveDevice second;
    ASSERT_TRUE(first.Open(pty.SlavePath(), O_RDWR | O_NONBLOCK));
    EXPECT_GE(first.Fd(), 0);
    EXPECT_FALSE(second.Open(pty.SlavePath(), O_RDWR | O_NONBLOCK));
    EXPECT_FALSE(second.IsOpen());
    first.Close();
    EXPECT_FALSE(first.IsOpen());
    EXPECT_TRUE(second.Open(pty.SlavePath(), O_RDWR | O_NONBLOCK));
}

TEST(ExclusiveDeviceTest, HoldEndsWithTheObject) {
    porttest::PtyPair pty;
    {
        ExclusiveDevice scoped;
        ASSERT_TRUE(scoped.Open(pty.SlavePath(), O_RDWR | O_NONBLOCK));
    }
    ExclusiveDevice later;
    EXPECT_TRUE(later.Open(pty.SlavePath(), O_RDWR | O_NONBLOCK));
}

TEST(ExclusiveDeviceTest, AdvisoryLockAlsoHoldsPlainFiles) {
    const porttest::TempDir dir;
    const std::string path = dir.File("device");
    {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }
    ExclusiveDevice first;
    ExclusiveDevice second;
    ASSERT_TRUE(first.Open(path, O_WRONLY));
    EXPECT_FALSE(second.Open(path, O_WRONLY));
}

TEST(ExclusiveDeviceTest, NeverCreatesAMissingPath) {
    const porttest::TempDir dir;
    const std::string path = dir.File("absent");
    ExclusiveDevice device;
    EXPECT_FALSE(device.Open(path, O_WRONLY | O_CREAT));
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(device.Open("", O_RDWR));
}

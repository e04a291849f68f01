#include <fcntl.h>
#include <gtest/gtest.h>

#include "PortTestSupport.h"
#include "platform/ExclusiveDevice.h"
#include "ports/ParallelPort.h"

using namespace porttest;

namespace {

class ParallelPortTest : public ::testing::Test {
  protected:
    PtyPair pty;
    DeviceOverride override_{"LPT1", pty.SlavePath()};
    RecordingListener listener;
};

TEST_F(ParallelPortTest, WriteFailsUntilAttachOpensTheDevice) {
    ParallelPort port("LPT1");
    EXPECT_FALSE(port.Write("early"));
    EXPECT_EQ(port.QueuedCount(), 0u);
    ASSERT_TRUE(port.Attach(&listener));
    EXPECT_TRUE(port.IsDeviceOpen());
    const std::string first("page\0one", 8);
    ASSERT_TRUE(port.Write(first));
    ASSERT_TRUE(port.Write("page two"));
    EXPECT_EQ(pty.ReceiveOnFarSide(16), first + "page two");
    EXPECT_EQ(port.GetTypeName(), "Serial Port");
}

TEST_F(ParallelPortTest, ConfigureSucceedsAndStoresNothing) {
    ParallelPort port("LPT1");
    ASSERT_TRUE(port.Attach(&listener));
    EXPECT_TRUE(port.Configure("anything at all"));
    std::string out = "marker";
    port.GetSettings(out);
    EXPECT_EQ(out, "");  // open device: the empty stored text is copied out
}

TEST_F(ParallelPortTest, DeviceIsExclusiveAndAutoClosesAfterLastDetach) {
    ParallelPort port("LPT1");
    ASSERT_TRUE(port.Attach(&listener));
    platform::ExclusiveDevice other;
    EXPECT_FALSE(other.Open(pty.SlavePath(), O_WRONLY | O_NONBLOCK));
    ASSERT_TRUE(port.Detach(&listener));
    ASSERT_TRUE(WaitUntil([&] { return !port.IsDeviceOpen(); }));
    EXPECT_FALSE(port.Write("late"));
    EXPECT_TRUE(other.Open(pty.SlavePath(), O_WRONLY | O_NONBLOCK));
}

TEST_F(ParallelPortTest, MissingDeviceFailsAttach) {
    const DeviceOverride missing("LPT2", "/dev/merrowby-no-such-printer");
    ParallelPort port("LPT2");
    EXPECT_FALSE(port.Attach(&listener));
    EXPECT_EQ(port.GetStatus(), 0);
}

}  // namespace

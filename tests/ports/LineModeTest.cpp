#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>

#include "PortTestSupport.h"
#include "platform/LineMode.h"
#include "platform/SerialLine.h"

using platform::LineMode;
using platform::Parity;
using platform::ParseLineMode;

TEST(LineModeTest, EveryBaudCodeGivesItsRate) {
    const std::pair<const char*, int> codes[] = {{"11", 110},  {"15", 150},  {"30", 300},
                                                 {"60", 600},  {"12", 1200}, {"24", 2400},
                                                 {"48", 4800}, {"96", 9600}, {"19", 19200}};
    for (const auto& [code, rate] : codes) {
        const auto mode = ParseLineMode(std::string(code) + ",n,8,1");
        ASSERT_TRUE(mode.has_value()) << code;
        EXPECT_EQ(mode->baudRate, rate) << code;
    }
}

TEST(LineModeTest, FieldsAreReadByPosition) {
    const auto mode = ParseLineMode("19,E,7,2");
    ASSERT_TRUE(mode.has_value());
    EXPECT_EQ(*mode, (LineMode{19200, Parity::Even, 7, 2}));
    EXPECT_EQ(ParseLineMode("96,o,5,1")->parity, Parity::Odd);
    EXPECT_EQ(ParseLineMode("96,M,6,1")->parity, Parity::Mark);
    EXPECT_EQ(ParseLineMode("96,s,8,1")->parity, Parity::Space);
    EXPECT_EQ(ParseLineMode("96,N,8,1")->parity, Parity::None);
}

TEST(LineModeTest, AnythingElseIsRejected) {
    for (const char* bad :
         {"", "96,n,8,", "96,n,8,1,", "9600,n,8", "10,n,8,1", "96 n,8,1", "96,n;8,1", "96,n,8;1",
          "96,q,8,1", "96,n,9,1", "96,n,4,1", "96,n,8,0", "96,n,8,3", "-6,n,8,1"}) {
        EXPECT_FALSE(ParseLineMode(bad).has_value()) << '"' << bad << '"';
    }
}

namespace {

using std::chrono::microseconds;
using SteadyClock = std::chrono::steady_clock;

TEST(SerialLineTest, LineTimeCountsStartDataParityAndStopBits) {
    // 8N1: 10 bits a character; 7E2: 11.
    EXPECT_EQ(platform::LineTime(12, *platform::ParseLineMode("96,n,8,1")), microseconds(12500));
    EXPECT_EQ(platform::LineTime(3, *platform::ParseLineMode("12,n,8,1")), microseconds(25000));
    EXPECT_EQ(platform::LineTime(1, *platform::ParseLineMode("19,e,7,2")), microseconds(573));
}

TEST(SerialLineTest, RtsFallsNoSoonerThanTheLineTimeAndSettlesAtLeastOneMillisecond) {
    porttest::PtyPair pty;
    const int fd = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    const auto began = SteadyClock::now();
    ASSERT_EQ(::write(fd, "0VQ\r", 4), 4);
    // Four characters at 1200 baud, 8N1: 33.3 ms on the line.
    const auto lastOffLine = began + platform::LineTime(4, *platform::ParseLineMode("12,n,8,1"));
    platform::WaitUntilSent(fd, lastOffLine);
    EXPECT_GE(SteadyClock::now() - began, microseconds(33333));
    ::close(fd);

    const auto raised = SteadyClock::now();
    platform::SettleAfterRaisingRts();
    EXPECT_GE(SteadyClock::now() - raised, std::chrono::milliseconds(1));
}

}  // namespace

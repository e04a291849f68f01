#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>

#include "trace/TraceFormat.h"

namespace {

using namespace std::chrono;
using trace::EscapeBytes;

TEST(TraceFormatTest, PrintableAsciiAsItIsEveryOtherByteEscaped) {
    EXPECT_EQ(EscapeBytes("0VQ"), "0VQ");
    EXPECT_EQ(EscapeBytes("7FF\r\n"), "7FF\\r\\n");
    EXPECT_EQ(EscapeBytes(std::string("a\tb\0c", 5)), "a\\tb\\0c");
    EXPECT_EQ(EscapeBytes("\x01\x1f\x7f\x80\xff"), "\\x01\\x1F\\x7F\\x80\\xFF");
    EXPECT_EQ(EscapeBytes(" ~"), " ~");
    // The backslash itself stays unambiguous.
    EXPECT_EQ(EscapeBytes("\\n"), "\\x5Cn");
}

TEST(TraceFormatTest, LinesStartWithLocalIso8601TimeWithMilliseconds) {
    ::setenv("TZ", "CET-1", 1);  // one hour east of UTC, for this test program
    ::tzset();
    const system_clock::time_point time = sys_days{year{2026} / 12 / 8} + 9h + 15min + 2s + 114ms;
    EXPECT_EQ(trace::FormatTransferLine(time, "COM2", ">", "0VQ"),
              "2026-12-08T10:15:02.114 COM2 > 0VQ");
    EXPECT_EQ(trace::FormatTransferLine(time + 15ms, "COM2", "<", "7FF\r\n"),
              "2026-12-08T10:15:02.129 COM2 < 7FF\\r\\n");
    EXPECT_EQ(trace::FormatLocalTime(time + 886ms), "2026-12-08T10:15:03.000");
}

}  // namespace

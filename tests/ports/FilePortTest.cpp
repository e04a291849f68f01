#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <future>

#include "PortTestSupport.h"
#include "platform/WorkerThread.h"
#include "ports/FilePort.h"

using namespace porttest;

namespace {

class FilePortTest : public ::testing::Test {
  protected:
    const TempDir dir;
    const std::string path = dir.File("Dump Log.txt");
    RecordingListener listener;
};

TEST_F(FilePortTest, AttachCreatesAnEmptyFile) {
    FilePort port("KEY", path);
    ASSERT_FALSE(std::filesystem::exists(path));
    ASSERT_TRUE(port.Attach(&listener));
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
    EXPECT_EQ(port.GetTypeName(), "File Port");
}

TEST_F(FilePortTest, AttachKeepsExistingContents) {
    const std::string before("kept\0bytes\n", 11);
    WriteFile(path, before);
    FilePort port("KEY", path);
    ASSERT_TRUE(port.Attach(&listener));
    EXPECT_EQ(ReadFile(path), before);
}

TEST_F(FilePortTest, StringsAreAppendedInOrderByteForByte) {
    WriteFile(path, "old;");
    FilePort port("KEY", path);
    ASSERT_TRUE(port.Attach(&listener));
    const std::string strings[] = {"first", std::string("\0second\r\n", 9), "third"};
    std::string expected = "old;";
    for (const auto& each : strings) {
        ASSERT_TRUE(port.Write(each));
        expected += each;
    }
    ASSERT_TRUE(WaitUntil([&] { return port.QueuedCount() == 0; }));
    EXPECT_EQ(ReadFile(path), expected);
}

TEST_F(FilePortTest, NoSettingsAndAnyConfigureSucceeds) {
    FilePort port("KEY", path);
    ASSERT_TRUE(port.Attach(&listener));
    std::string out = "was here";
    port.GetSettings(out);
    EXPECT_EQ(out, "");
    EXPECT_TRUE(port.Configure("not a settings string"));
    EXPECT_TRUE(port.Configure(""));
    port.GetSettings(out);
    EXPECT_EQ(out, "");
}

TEST_F(FilePortTest, ListenersAreCountedButNeverCalled) {
    FilePort port("KEY", path);
    RecordingListener second;
    ASSERT_TRUE(port.Attach(&listener));
    ASSERT_TRUE(port.Attach(&second));
    ASSERT_TRUE(port.Attach(&listener));
    EXPECT_EQ(port.GetStatus(), 2);
    ASSERT_TRUE(port.Write("payload"));
    ASSERT_TRUE(WaitUntil([&] { return port.QueuedCount() == 0; }));
    EXPECT_EQ(listener.CallCount(), 0u);
    EXPECT_EQ(second.CallCount(), 0u);
    EXPECT_TRUE(port.Detach(&listener));
    EXPECT_FALSE(port.Detach(&listener));
    EXPECT_EQ(port.GetStatus(), 1);
}

TEST_F(FilePortTest, UnwritablePathFailsAttachButWritesStayQueued) {
    const std::string blocked = dir.File("no-such-dir") + "/x/file.txt";
    FilePort port("KEY", blocked);
    EXPECT_FALSE(port.Attach(&listener));
    EXPECT_EQ(port.GetStatus(), 0);
    EXPECT_TRUE(port.Write("one"));
    EXPECT_TRUE(port.Write("two"));
    EXPECT_EQ(port.GetStatus(), 2);
    // Retried every pass: once the folder exists, both land in order.
    std::filesystem::create_directories(std::filesystem::path(blocked).parent_path());
    ASSERT_TRUE(WaitUntil([&] { return port.QueuedCount() == 0; }));
    EXPECT_EQ(ReadFile(blocked), "onetwo");
    EXPECT_EQ(port.GetStatus(), 0);
}

TEST_F(FilePortTest, FileIsClosedBetweenAppends) {
    FilePort port("KEY", path);
    ASSERT_TRUE(port.Attach(&listener));
    ASSERT_TRUE(port.Write("a"));
    ASSERT_TRUE(WaitUntil([&] { return port.QueuedCount() == 0; }));
    // Someone else rewrites the file between appends; the next append goes to its end.
    WriteFile(path, "replaced;");
    ASSERT_TRUE(port.Write("b"));
    ASSERT_TRUE(WaitUntil([&] { return port.QueuedCount() == 0; }));
    EXPECT_EQ(ReadFile(path), "replaced;b");
}

}  // namespace

namespace {

// A FIFO as the file: its reader may be missing or go away.
class FilePortFifoTest : public FilePortTest {
  protected:
    const std::string fifo = dir.File("fifo");
    void SetUp() override { ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0); }
};

TEST_F(FilePortFifoTest, AFifoWithoutAReaderFailsAttachAtOnce) {
    FilePort port("KEY", fifo);
    auto attached = std::async(std::launch::async, [&] { return port.Attach(&listener); });
    if (attached.wait_for(kDeadline) != std::future_status::ready) {
        const int unblock = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
        attached.wait();
        ::close(unblock);
        FAIL() << "Attach waited for a reader";
    }
    EXPECT_FALSE(attached.get());
}

TEST(IoThreadTest, AWriteToAPipeWithoutReaderFailsWithEpipeInsteadOfEndingTheProgram) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::close(ends[0]);
    int error = 0;
    {
        platform::WorkerThread thread;
        ASSERT_TRUE(thread.Start(platform::ThreadPriority::Normal,
                                 [&] { error = ::write(ends[1], "x", 1) < 0 ? errno : 0; }));
    }
    ::close(ends[1]);
    EXPECT_EQ(error, EPIPE);
}

TEST_F(FilePortFifoTest, AReaderGoneIsAFailedWriteRetriedUntilOneIsBack) {
    int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    FilePort port("KEY", fifo);
    ASSERT_TRUE(port.Attach(&listener));
    ::close(reader);
    ASSERT_TRUE(port.Write("kept"));
    // Each pass finds no reader (or meets EPIPE); the string stays queued.
    EXPECT_FALSE(WaitUntil([&] { return port.QueuedCount() == 0; }, 200ms));
    reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    ASSERT_TRUE(WaitUntil([&] { return port.QueuedCount() == 0; }));
    char buffer[16] = {};
    EXPECT_EQ(::read(reader, buffer, sizeof buffer), 4);
    EXPECT_EQ(std::string(buffer), "kept");
    ::close(reader);
}

}  // namespace

// Platform file errors as the causes shown in the open failure message, and the dump file
// opened, created and appended to in real folders.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <iterator>
#include <vector>

#include "PortTestSupport.h"
#include "app/DumpFile.h"
#include "app/FileErrorCause.h"

namespace {

int CauseOf(int errorNumber) {
    return static_cast<int>(FileErrorCauseFromErrno(errorNumber));
}

TEST(FileErrorCauseTest, MapsErrnoToTheCausesShownToTheUser) {
    EXPECT_EQ(CauseOf(0), 0);
    EXPECT_EQ(CauseOf(ENOENT), 2);
    for (const int error : {ENOTDIR, ENAMETOOLONG}) {
        EXPECT_EQ(CauseOf(error), 3) << error;
    }
    for (const int error : {EMFILE, ENFILE}) {
        EXPECT_EQ(CauseOf(error), 4) << error;
    }
    for (const int error : {EACCES, EPERM, EROFS, EISDIR}) {
        EXPECT_EQ(CauseOf(error), 5) << error;
    }
    EXPECT_EQ(CauseOf(ENOSPC), 13);
    for (const int error : {EINVAL, ENXIO, ELOOP, EBUSY, ETXTBSY, 9999}) {
        EXPECT_EQ(CauseOf(error), 1) << error;
    }
}

class DumpFileTest : public ::testing::Test {
  protected:
    const porttest::TempDir tempDir_;
    const std::filesystem::path folder_{tempDir_.Path()};
};

TEST_F(DumpFileTest, CreatesAMissingFileAndAppendsToAnExistingOne) {
    const auto path = folder_ / "dump.txt";
    {
        DumpFile file(path.string());
        ASSERT_TRUE(file.IsOpen());
        EXPECT_EQ(file.Cause(), FileErrorCause::None);
        file.Append("one\r\n");
    }
    {
        DumpFile file(path.string());
        file.Append("two\r\n");
    }
    EXPECT_EQ(porttest::ReadFile(path), "one\r\ntwo\r\n");
}

TEST_F(DumpFileTest, ReportsWhyAFileCannotBeOpened) {
    porttest::WriteFile(folder_ / "plain", "x");
    EXPECT_EQ(DumpFile(folder_.string()).Cause(), FileErrorCause::AccessDenied);
    EXPECT_EQ(DumpFile((folder_ / "none" / "dump.txt").string()).Cause(), FileErrorCause::BadPath);
    EXPECT_EQ(DumpFile((folder_ / "plain" / "dump.txt").string()).Cause(), FileErrorCause::BadPath);
    EXPECT_EQ(DumpFile(std::string("du\0mp", 5)).Cause(), FileErrorCause::BadPath);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "du"));
}

TEST_F(DumpFileTest, RunningOutOfDescriptorsIsTooManyOpenFiles) {
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    const auto openNow = std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                       std::filesystem::directory_iterator());
    rlimit tight = saved;
    tight.rlim_cur = static_cast<rlim_t>(openNow + 2);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
    std::vector<int> held;
    for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) {
        held.push_back(fd);
    }
    const int openError = errno;
    const DumpFile file((folder_ / "dump.txt").string());
    for (const int fd : held) {
        ::close(fd);
    }
    ::setrlimit(RLIMIT_NOFILE, &saved);
    ASSERT_EQ(openError, EMFILE);
    EXPECT_EQ(file.Cause(), FileErrorCause::TooManyOpenFiles);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "dump.txt"));
}

TEST_F(DumpFileTest, WritesToAFullDeviceAreIgnored) {
    DumpFile file("/dev/full");
    ASSERT_TRUE(file.IsOpen());
    file.Append("lost\r\n");
    EXPECT_EQ(file.Cause(), FileErrorCause::None);
}

}  // namespace

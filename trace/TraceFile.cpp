#include "trace/TraceFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/DurableFile.h"

namespace trace {

namespace {

constexpr mode_t kCreateMode = 0644;

}  // namespace

TraceFile::~TraceFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool TraceFile::Open(const std::string& path) {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    fd_ = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, kCreateMode);
    if (fd_ < 0) {
        error_ = std::strerror(errno);
        return false;
    }
    return true;
}

bool TraceFile::Append(std::string_view text) {
    return platform::WriteFully(fd_, text) == 0;
}

}  // namespace trace

#include "platform/DirectoryWatch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace platform {

namespace {

constexpr std::uint32_t kWatchMask = IN_CREATE | IN_MOVED_TO | IN_ATTRIB | IN_ONLYDIR;

}  // namespace

DirectoryWatch::DirectoryWatch() : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

DirectoryWatch::~DirectoryWatch() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool DirectoryWatch::Watch(const std::string& folder) {
    return fd_ >= 0 && ::inotify_add_watch(fd_, folder.c_str(), kWatchMask) >= 0;
}

bool DirectoryWatch::Drain() {
    alignas(inotify_event) std::array<char, 4096> buffer{};
    bool any = false;
    for (;;) {
        const ssize_t count = ::read(fd_, buffer.data(), buffer.size());
        if (count > 0) {
            any = true;
            continue;
        }
        if (count < 0 && errno == EINTR) {
            continue;
        }
        return any;
    }
}

}  // namespace platform

#include "PortTestSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/inotify.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace porttest {

PtyPair::PtyPair() {
    int slave = -1;
    char name[256] = {};
    if (::openpty(&master_, &slave, name, nullptr, nullptr) != 0) {
        throw std::runtime_error("openpty failed");
    }
    termios raw{};
    ::tcgetattr(slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slave, TCSANOW, &raw);
    ::close(slave);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    slavePath_ = name;
}

PtyPair::~PtyPair() {
    CloseMaster();
    if (heldSlave_ >= 0) {
        ::close(heldSlave_);
    }
}

void PtyPair::HoldSlave() {
    if (heldSlave_ < 0) {
        heldSlave_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    }
}

void PtyPair::SendFromFarSide(const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.data() + sent, bytes.size() - sent);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else {
            pollfd request{master_, POLLOUT, 0};
            ::poll(&request, 1, 10);
        }
    }
}

std::string PtyPair::ReceiveOnFarSide(std::size_t count, std::chrono::milliseconds deadline) {
    std::string received;
    const auto end = std::chrono::steady_clock::now() + deadline;
    char buffer[4096];
    while (received.size() < count && std::chrono::steady_clock::now() < end) {
        pollfd request{master_, POLLIN, 0};
        ::poll(&request, 1, 5);
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n > 0) {
            received.append(buffer, static_cast<std::size_t>(n));
        }
    }
    return received;
}

std::string PtyPair::DrainFarSide(std::chrono::milliseconds quiet) {
    std::string received;
    char buffer[4096];
    for (;;) {
        pollfd request{master_, POLLIN, 0};
        if (::poll(&request, 1, static_cast<int>(quiet.count())) <= 0) {
            return received;
        }
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n <= 0) {
            return received;
        }
        received.append(buffer, static_cast<std::size_t>(n));
    }
}

void PtyPair::CloseMaster() {
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
    }
}

DeviceOverride::DeviceOverride(const std::string& portName, const std::string& path)
    : variable_("MERROWBY_" + portName) {
    if (const char* before = std::getenv(variable_.c_str())) {
        previous_ = before;
    }
    ::setenv(variable_.c_str(), path.c_str(), 1);
}

DeviceOverride::~DeviceOverride() {
    if (previous_) {
        ::setenv(variable_.c_str(), previous_->c_str(), 1);
    } else {
        ::unsetenv(variable_.c_str());
    }
}

TempDir::TempDir() {
    char pattern[] = "/tmp/merrowby-ports-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void RecordingListener::OnReceive(const std::string& chunk) {
    {
        const std::lock_guard lock(mutex_);
        chunks_.push_back(chunk);
        bytes_ += chunk.size();
    }
    arrived_.notify_all();
}

bool RecordingListener::WaitForBytes(std::size_t count, std::chrono::milliseconds deadline) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, deadline, [&] { return bytes_ >= count; });
}

std::vector<std::string> RecordingListener::Chunks() {
    const std::lock_guard lock(mutex_);
    return chunks_;
}

std::string RecordingListener::Joined() {
    const std::lock_guard lock(mutex_);
    std::string joined;
    for (const auto& chunk : chunks_) {
        joined += chunk;
    }
    return joined;
}

std::size_t RecordingListener::CallCount() {
    const std::lock_guard lock(mutex_);
    return chunks_.size();
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

OpenWatch::OpenWatch(const std::string& path)
    : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)),
      watch_(::inotify_add_watch(fd_, path.c_str(), IN_OPEN)) {}

OpenWatch::~OpenWatch() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

int OpenWatch::Opens() {
    alignas(inotify_event) char buffer[4096];
    int opens = 0;
    for (ssize_t n; (n = ::read(fd_, buffer, sizeof buffer)) > 0;) {
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            opens += (event->mask & IN_OPEN) != 0 ? 1 : 0;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    return opens;
}

}  // namespace porttest

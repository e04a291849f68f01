#include "LineClient.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

LineClient::LineClient(const std::string& path) {
    fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        throw std::runtime_error("open " + path + ": " + std::strerror(errno));
    }
    termios raw{};
    tcgetattr(fd_, &raw);
    cfmakeraw(&raw);
    tcsetattr(fd_, TCSANOW, &raw);
    tcflush(fd_, TCIOFLUSH);
}

LineClient::~LineClient() {
    close(fd_);
}

void LineClient::Write(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (errno == EAGAIN) {
            pollfd p{fd_, POLLOUT, 0};
            poll(&p, 1, 100);
        } else {
            throw std::runtime_error(std::string("write: ") + std::strerror(errno));
        }
    }
}

bool LineClient::ReadSome(int timeoutMs) {
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0 || !(p.revents & POLLIN)) {
        return false;
    }
    char chunk[512];
    const ssize_t n = read(fd_, chunk, sizeof chunk);
    if (n <= 0) {
        return false;
    }
    buffer_.append(chunk, static_cast<std::size_t>(n));
    return true;
}

bool LineClient::ReadUntil(const std::function<bool(const std::string&)>& predicate,
                           std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!predicate(buffer_)) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        ReadSome(static_cast<int>(left.count()));
    }
    return true;
}

std::optional<std::string> LineClient::ReadLine(std::chrono::milliseconds timeout) {
    if (!ReadUntil([](const std::string& b) { return b.find('\n') != std::string::npos; },
                   timeout)) {
        return std::nullopt;
    }
    const std::size_t end = buffer_.find('\n');
    std::string line;
    for (std::size_t i = 0; i < end; ++i) {
        if (buffer_[i] != '\r') {
            line += buffer_[i];
        }
    }
    buffer_.erase(0, end + 1);
    return line;
}

std::vector<std::string> LineClient::ReadLines(std::size_t count,
                                               std::chrono::milliseconds timeout) {
    std::vector<std::string> lines;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (lines.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        auto line = ReadLine(std::max(left, std::chrono::milliseconds(0)));
        if (!line) {
            break;
        }
        lines.push_back(*line);
    }
    return lines;
}

std::string LineClient::ReadFor(std::chrono::milliseconds duration) {
    const std::size_t before = buffer_.size();
    ReadUntil([](const std::string&) { return false; }, duration);
    return buffer_.substr(before);
}

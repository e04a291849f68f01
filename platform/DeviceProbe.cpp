#include "platform/DeviceProbe.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/ExclusiveDevice.h"

namespace platform {

namespace {

// Closes the descriptor when the probe is done.
class ProbeFd {
  public:
    explicit ProbeFd(int fd) : fd_(fd) {}
    ProbeFd(const ProbeFd&) = delete;
    ProbeFd& operator=(const ProbeFd&) = delete;
    ~ProbeFd() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int Get() const { return fd_; }

  private:
    int fd_;
};

}  // namespace

bool IsCharacterDevice(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISCHR(status.st_mode);
}

bool IsRealUart(const std::string& path) {
    if (!IsCharacterDevice(path)) {
        return false;
    }
    const ProbeFd fd(::open(path.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.Get() < 0) {
        return false;
    }
    serial_struct info{};
    return ::ioctl(fd.Get(), TIOCGSERIAL, &info) == 0 && info.type != PORT_UNKNOWN;
}

bool IsDeviceFree(const std::string& path) {
    ExclusiveDevice device;
    return device.Open(path, O_RDWR | O_NONBLOCK);
}

}  // namespace platform

#pragma once

#include <string>

namespace platform {

// A device opened for this holder alone: "no sharing, only if it exists".
//
// The open never creates the path and never makes a terminal our controlling tty. Two holds
// are taken: TIOCEXCL on terminals (further opens fail with EBUSY, except for root), and an
// advisory flock(LOCK_EX | LOCK_NB) on the open file, which also stops root and a second
// open from this same process. Programs that honour neither see no difference. Close
// releases both (TIOCNXCL, LOCK_UN) so that the next program can open the device.
class ExclusiveDevice {
  public:
    ExclusiveDevice() = default;
    ExclusiveDevice(const ExclusiveDevice&) = delete;
    ExclusiveDevice& operator=(const ExclusiveDevice&) = delete;
    ~ExclusiveDevice();

    // flags: the access mode (O_RDONLY, O_WRONLY, O_RDWR) and e.g. O_NONBLOCK, which a
    // serial device needs so that the open does not wait for carrier. Closes any device
    // held before. False when the path is absent or held by someone else.
    bool Open(const std::string& path, int flags);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }
    // Why the last Open failed, as errno: ENOENT, EACCES, EBUSY (another holder's TIOCEXCL),
    // EWOULDBLOCK (another holder's flock)...; 0 after an Open that succeeded.
    int OpenError() const { return openError_; }

  private:
    bool Fail(int fd, int error);

    int fd_ = -1;
    int openError_ = 0;
    bool terminal_ = false;
};

}  // namespace platform

#include "ports/FilePort.h"

#include <fcntl.h>
#include <unistd.h>

#include "platform/DeviceIo.h"

using platform::RecursiveGuard;

namespace {

constexpr mode_t kNewFileMode = 0666;  // narrowed by the umask

}  // namespace

FilePort::FilePort(std::string name, std::string path)
    : queue_(name), name_(std::move(name)), path_(std::move(path)) {
    thread_.Start(platform::ThreadPriority::Lowest, [this] { return Pass(); });
}

FilePort::~FilePort() {
    thread_.Stop();
    const RecursiveGuard file(fileLock_);
    CloseFile();
}

bool FilePort::Write(const std::string& data) {
    if (!queue_.Push(data)) {
        return false;
    }
    thread_.Wake();
    return true;
}

bool FilePort::Attach(PortListener* listener) {
    const RecursiveGuard guard(queue_.Lock());
    if (queue_.IsAttached(listener)) {
        return true;
    }
    {
        const RecursiveGuard file(fileLock_);
        if (fd_ < 0) {
            if (!OpenFile()) {
                return false;
            }
            CloseFile();
        }
    }
    if (!queue_.AddListener(listener)) {
        return false;
    }
    return true;
}

bool FilePort::Detach(PortListener* listener) {
    const bool removed = queue_.RemoveListener(listener);
    thread_.Wake();  // auto-close may be due
    return removed;
}

void FilePort::GetSettings(std::string& out) {
    const RecursiveGuard file(fileLock_);
    out.clear();
}

bool FilePort::Configure(const std::string&) {
    const RecursiveGuard file(fileLock_);
    return true;
}

std::int32_t FilePort::GetStatus() {
    return queue_.Status();
}

std::string FilePort::GetTypeName() {
    return "File Port";
}

// Write only, created when absent, contents kept; others may read and write meanwhile. Never
// waits (a FIFO without a reader fails at once) and never takes a terminal as ours.
bool FilePort::OpenFile() {
    const RecursiveGuard file(fileLock_);
    if (fd_ < 0) {
        fd_ =
            ::open(path_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK | O_NOCTTY,
                   kNewFileMode);
    }
    return fd_ >= 0;
}

void FilePort::CloseFile() {
    const RecursiveGuard file(fileLock_);
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool FilePort::Pass() {
    return pass_.Run(
        thread_, queue_, [this] { return AppendHead(); }, [this] { CloseFile(); });
}

bool FilePort::AppendHead() {
    const auto head = queue_.Head();
    if (!head) {
        return true;
    }
    platform::WriteResult result;
    {
        const RecursiveGuard file(fileLock_);
        if (!OpenFile()) {
            return false;  // stays queued for the next pass
        }
        result = platform::WriteSome(fd_, head->data);
        CloseFile();
    }
    if (result.complete) {
        queue_.PopHead(head->serial);
        return true;
    }
    // A partial append (e.g. a full disk) is not written twice on the retry.
    queue_.DropSentPrefix(head->serial, result.written);
    return false;
}

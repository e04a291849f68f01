#pragma once

#include <cstdint>
#include <string>

#include "platform/RecursiveLock.h"
#include "ports/Port.h"
#include "ports/PortQueue.h"
#include "ports/PortThread.h"
#include "ports/WriteOnlyPass.h"

// Any port name that is not a serial or parallel device: a file to which every written
// string is appended by the I/O thread, each with its own open, append and close. Never
// receives; listeners are only counted.
class FilePort : public Port {
  public:
    // A failed write is tried again after this long.
    static constexpr int kRetryMs = 10;

    // name: the registry key (normalised); path: the file as the caller spelt it (trimmed,
    // letter case kept), since file names here are case-sensitive.
    FilePort(std::string name, std::string path);
    FilePort(const FilePort&) = delete;
    FilePort& operator=(const FilePort&) = delete;
    ~FilePort() override;

    bool Write(const std::string& data) override;
    bool Attach(PortListener* listener) override;
    bool Detach(PortListener* listener) override;
    void GetSettings(std::string& out) override;
    bool Configure(const std::string& settings) override;
    std::int32_t GetStatus() override;
    std::string GetTypeName() override;

    const std::string& Path() const { return path_; }
    std::size_t QueuedCount() { return queue_.QueuedCount(); }
    // False when the I/O thread or its events could not be created.
    bool IsWorking() const { return thread_.IsStarted(); }

  private:
    bool OpenFile();
    void CloseFile();
    bool Pass();
    // True when the head went out, or the queue was empty.
    bool AppendHead();

    PortQueue queue_;  // with the queue lock
    platform::RecursiveLock fileLock_;
    const std::string name_;
    const std::string path_;
    const std::string settings_;
    int fd_ = -1;
    WriteOnlyPass pass_{std::chrono::milliseconds(kRetryMs)};  // I/O thread only
    PortThread thread_;                                        // last: stopped before the rest goes
};

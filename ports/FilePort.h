#pragma once

#include <cstdint>
#include <string>

#include "platform/RecursiveLock.h"
#include "ports/Port.h"
#include "ports/PortQueue.h"
#include "ports/PortThread.h"

// Any port name that is not a serial or parallel device: a file to which every written
// string is appended by the I/O thread, each with its own open, append and close. Never
// receives; listeners are only counted.
class FilePort : public Port {
  public:
    static constexpr int kPassMs = 10;

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

  private:
    bool OpenFile();
    void CloseFile();
    void Pass();
    void AppendHead();

    PortQueue queue_;  // with the queue lock
    platform::RecursiveLock fileLock_;
    const std::string name_;
    const std::string path_;
    const std::string settings_;
    int fd_ = -1;
    PortThread thread_;  // last: stopped before the rest goes
};

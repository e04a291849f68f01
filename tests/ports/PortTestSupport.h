#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ports/PortListener.h"

namespace porttest {

using namespace std::chrono_literals;
constexpr auto kDeadline = 5s;

// A pseudo-terminal pair: the port opens the slave path, the test plays the far side on the
// master. The master is non-blocking.
class PtyPair {
  public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& SlavePath() const { return slavePath_; }
    int Master() const { return master_; }
    void SendFromFarSide(const std::string& bytes);
    // Reads from the master until count bytes have arrived or the deadline passes.
    std::string ReceiveOnFarSide(std::size_t count, std::chrono::milliseconds deadline = kDeadline);
    // Everything that arrives within the given quiet time.
    std::string DrainFarSide(std::chrono::milliseconds quiet);
    void CloseMaster();
    // A spare slave fd keeps the master readable while the port has the device closed.
    void HoldSlave();

  private:
    int master_ = -1;
    int heldSlave_ = -1;
    std::string slavePath_;
};

// Points MERROWBY_<name> at path for the life of the object, then restores what was there.
class DeviceOverride {
  public:
    DeviceOverride(const std::string& portName, const std::string& path);
    ~DeviceOverride();
    DeviceOverride(const DeviceOverride&) = delete;
    DeviceOverride& operator=(const DeviceOverride&) = delete;

  private:
    std::string variable_;
    std::optional<std::string> previous_;
};

// A fresh folder under /tmp, removed with its contents at the end.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(const std::string& leaf) const { return path_ + "/" + leaf; }

  private:
    std::string path_;
};

// Records every chunk it receives; tests wait on it instead of sleeping.
class RecordingListener : public PortListener {
  public:
    void OnReceive(const std::string& chunk) override;
    bool WaitForBytes(std::size_t count, std::chrono::milliseconds deadline = kDeadline);
    std::vector<std::string> Chunks();
    std::string Joined();
    std::size_t CallCount();

  private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<std::string> chunks_;
    std::size_t bytes_ = 0;
};

// Counts the opens of one file or device node while it lives (inotify).
class OpenWatch {
  public:
    explicit OpenWatch(const std::string& path);
    ~OpenWatch();
    OpenWatch(const OpenWatch&) = delete;
    OpenWatch& operator=(const OpenWatch&) = delete;

    bool IsWatching() const { return fd_ >= 0 && watch_ >= 0; }
    // The opens since the last call.
    int Opens();

  private:
    int fd_;
    int watch_;
};

// Polls condition every millisecond until it holds or the deadline passes.
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds deadline = kDeadline);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);

}  // namespace porttest

#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/RecursiveLock.h"

class PortListener;

// The listener list and write queue of a port, with the queue lock that guards both.
// Callers may hold Lock() around several calls (it is recursive), e.g. while opening the
// device for a first listener. The port tap sees, under the port's name, each string when it
// has gone out (the head popped or partly sent), each string dropped unsent, and each chunk
// delivered.
class PortQueue {
  public:
    struct Entry {
        std::uint64_t serial = 0;  // tells a head apart from a later string of equal text
        std::string data;
    };
    // How much of which entry went out in the writer's last attempt.
    struct Sent {
        std::uint64_t serial = 0;
        std::size_t bytes = 0;
    };
    struct State {
        bool queueEmpty = true;
        bool hasListener = false;
    };

    explicit PortQueue(std::string portName = {});
    PortQueue(const PortQueue&) = delete;
    PortQueue& operator=(const PortQueue&) = delete;
    // What is still queued is dropped.
    ~PortQueue();

    platform::RecursiveLock& Lock() { return lock_; }

    bool IsAttached(PortListener* listener);
    // False, with nothing changed, when memory runs out.
    bool AddListener(PortListener* listener);
    // Removes the listener; once this returns, Deliver no longer calls it (unless called
    // from inside that listener's own OnReceive).
    bool RemoveListener(PortListener* listener);
    std::size_t ListenerCount();

    // False, with nothing queued, when memory runs out.
    bool Push(const std::string& data);
    std::optional<Entry> Head();
    // The head went out: removes it, only if it is still the entry that was copied.
    void PopHead(std::uint64_t serial);
    // The first bytes of the head went out already: keep only the rest for a retry.
    void DropSentPrefix(std::uint64_t serial, std::size_t sentBytes);
    // Drops every string unsent. What lastSent says went out of its entry (a head written
    // just now, but not yet popped) shows as written instead.
    void Clear(const Sent& lastSent);
    void Clear();
    State Peek();
    std::size_t QueuedCount();
    // 2 when nobody is attached but strings are queued, else the listener count.
    std::int32_t Status();

    // Hands chunk to every listener in order of attachment, with the queue lock released
    // during each call. Out of memory, the chunk reaches nobody.
    void Deliver(const std::string& chunk);

  private:
    static constexpr std::size_t kGrowthBlock = 10;

    const std::string portName_;
    platform::RecursiveLock lock_;
    std::vector<PortListener*> listeners_;
    std::deque<Entry> queue_;
    std::uint64_t nextSerial_ = 1;

    std::mutex deliveryMutex_;
    std::condition_variable deliveryDone_;
    PortListener* delivering_ = nullptr;
    std::thread::id deliveringThread_;
};

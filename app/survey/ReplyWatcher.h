#pragma once

#include <QObject>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

class InstrumentLink;

// Waits on a thread of its own for the link's next received byte or the end of a timeout, then
// calls back on the thread of a context object, so that the context's thread never blocks on
// the card. One wait at a time; between waits the thread sleeps until it is given one.
class ReplyWatcher {
  public:
    ReplyWatcher(const InstrumentLink& link, QObject& context, std::function<void()> woken);
    // Ends the thread once a wait in progress has ended.
    ~ReplyWatcher();
    ReplyWatcher(const ReplyWatcher&) = delete;
    ReplyWatcher& operator=(const ReplyWatcher&) = delete;

    void Watch(std::uint32_t timeoutMs);

  private:
    void Run();

    const InstrumentLink& link_;
    QObject& context_;  // outlives the watcher: it owns it
    std::function<void()> woken_;
    std::mutex lock_;
    std::condition_variable given_;
    std::optional<std::uint32_t> timeoutMs_;
    bool stopping_ = false;
    std::thread thread_;  // last: started when the rest exists
};

#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace trace {

// The last trace lines, for a window that shows them and follows new ones.
class TraceHistory {
  public:
    using Observer = std::function<void(const std::string& line)>;

    explicit TraceHistory(std::size_t capacity);

    void Add(const std::string& line);
    void Clear();
    std::vector<std::string> Lines();

    struct Subscription {
        int id = 0;
        std::vector<std::string> lines;  // those before the subscription
    };
    // The lines so far, and every later line to observer on the adding thread, with nothing
    // lost or repeated in between.
    Subscription Subscribe(Observer observer);
    // Once this returns, the observer is not called again.
    void Unsubscribe(int id);

  private:
    const std::size_t capacity_;
    std::mutex mutex_;
    std::deque<std::string> lines_;
    std::map<int, Observer> observers_;
    int nextId_ = 1;
};

}  // namespace trace

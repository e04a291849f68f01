#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The utility's end of the line, for tests: opens a serial device in raw mode and reads lines
// with its own decoding (bytes up to a line feed, carriage returns dropped).
class LineClient {
  public:
    explicit LineClient(const std::string& path);
    ~LineClient();
    LineClient(const LineClient&) = delete;
    LineClient& operator=(const LineClient&) = delete;

    void Write(const std::string& bytes);
    // Reads until predicate(all bytes read so far and not yet taken) holds, or the deadline.
    bool ReadUntil(const std::function<bool(const std::string&)>& predicate,
                   std::chrono::milliseconds timeout);
    std::optional<std::string> ReadLine(std::chrono::milliseconds timeout = kPatience);
    std::vector<std::string> ReadLines(std::size_t count,
                                       std::chrono::milliseconds timeout = kPatience);
    // Everything that arrives within the given time (for checks that nothing comes).
    std::string ReadFor(std::chrono::milliseconds duration);
    const std::string& Buffer() const { return buffer_; }
    void Clear() { buffer_.clear(); }

    static constexpr std::chrono::milliseconds kPatience{3000};

  private:
    bool ReadSome(int timeoutMs);

    int fd_ = -1;
    std::string buffer_;
};

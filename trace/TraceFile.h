#pragma once

#include <string>
#include <string_view>

namespace trace {

// The trace's file, opened (or created) for appending.
class TraceFile {
  public:
    TraceFile() = default;
    TraceFile(const TraceFile&) = delete;
    TraceFile& operator=(const TraceFile&) = delete;
    ~TraceFile();

    // False, with the cause in Error(), when the file cannot be opened.
    bool Open(const std::string& path);
    bool IsOpen() const { return fd_ >= 0; }
    const std::string& Error() const { return error_; }
    // Waits until the whole text is written; false when the file refuses it.
    bool Append(std::string_view text);

  private:
    int fd_ = -1;
    std::string error_;
};

}  // namespace trace

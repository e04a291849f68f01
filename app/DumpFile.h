#pragma once

#include <string>
#include <string_view>

#include "app/FileErrorCause.h"

// The sensor current dump file, open for the appending of one sample: opened for writing
// without truncating, created when missing, closed on destruction.
class DumpFile {
  public:
    explicit DumpFile(const std::string& path);
    ~DumpFile();
    DumpFile(const DumpFile&) = delete;
    DumpFile& operator=(const DumpFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    // Why opening failed; None when the file is open.
    FileErrorCause Cause() const { return cause_; }

    // Appends bytes at the end of the file. A write error is ignored: what could not be
    // written is missing from the file.
    void Append(std::string_view bytes);

  private:
    int fd_ = -1;
    FileErrorCause cause_ = FileErrorCause::None;
};

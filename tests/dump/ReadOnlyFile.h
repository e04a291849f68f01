#pragma once

#include <filesystem>
#include <string>

// A file this process cannot open for writing: mode 0444, and for a process that may write
// anyway (root) also the immutable flag, cleared again on destruction.
class ReadOnlyFile {
  public:
    ReadOnlyFile(std::filesystem::path path, const std::string& contents);
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // Whether opening the file for writing is refused.
    bool Denied() const;

  private:
    std::filesystem::path path_;
    bool immutable_ = false;
};

#pragma once

#include <string>

namespace platform {

// Hears, through inotify, of entries that appear in watched folders or change their
// attributes (a device node made, a symbolic link put in place, permissions set). The
// descriptor becomes readable when something happened; Drain empties it.
class DirectoryWatch {
  public:
    DirectoryWatch();
    DirectoryWatch(const DirectoryWatch&) = delete;
    DirectoryWatch& operator=(const DirectoryWatch&) = delete;
    ~DirectoryWatch();

    bool IsValid() const { return fd_ >= 0; }
    int Fd() const { return fd_; }
    // Watches folder (again: a folder made anew gets a new watch). False when it does not
    // exist or cannot be watched.
    bool Watch(const std::string& folder);
    // Reads every pending event; true when there was one.
    bool Drain();

  private:
    int fd_ = -1;
};

}  // namespace platform

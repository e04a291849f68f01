#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

#include "platform/OwnedFd.h"

namespace platform {

// Files whose every line must survive a crash or a power cut: made under a name no other
// program holds, synced line by line, and watched for being removed or moved away.

struct NewFile {
    OwnedFd fd;
    std::string path;
    int error = 0;  // errno when no file was made
};

// Creates <folder>/<stem><extension> for appending (and reading back), never opening a file that
// exists (O_EXCL): when the name is taken, the first free of <stem>-2<extension>, <stem>-3... Then
// syncs the folder, so that the new name survives a power cut.
// The file gets mode (less the umask).
NewFile CreateNewFile(const std::string& folder, const std::string& stem,
                      const std::string& extension, mode_t mode);

// fsync of a folder, through the sync function: its entries are on the disk. 0, or the errno.
int SyncFolder(const std::string& folder);

// Makes the folder and those above it that are missing, each synced into the folder it was made
// in, so that a new folder survives a power cut with the file made in it; each made gets mode
// (less the umask). 0, or the errno.
int MakeFolders(const std::string& folder, mode_t mode);

// Writes all of data to a descriptor, again after EINTR. 0, or the errno (EAGAIN when a
// non-blocking one is full; EIO when the write takes nothing).
int WriteFully(int fd, std::string_view data);

// fdatasync through the sync function. 0, or the errno.
int SyncData(int fd);
// The sync SyncData and SyncFolder call: fdatasync or fsync, or for tests another given the
// file's or the folder's descriptor (nullptr puts them back). It returns 0, or -1 with errno set.
using SyncFunction = int (*)(int fd);
void SetSyncFunction(SyncFunction sync);

// Whether path still names the file open as fd: false once the file has no link left, or
// its folder was removed or renamed.
bool IsStillNamed(int fd, const std::string& path);

// Writes everything in the file open as from (read from its start) to the end of to. 0, or
// the errno.
int CopyContents(int from, int to);

// Puts data in place of the file at path (or makes it): written and synced beside it under
// a name of its own, then renamed over it, so that a failed write leaves the old file as it
// was. An old file's permissions are kept, and a file a plain open could not write is refused.
// A symbolic link is never resolved here: the file it names is written through it, as a plain
// open would, and in a sticky folder anyone may write in only a link of the user's own (or of
// the folder's owner) is followed. 0, or the errno.
int ReplaceFile(const std::string& path, std::string_view data);

enum class FileKind { Regular, Folder, Other };

struct OpenedFile {
    OwnedFd fd;
    FileKind kind = FileKind::Other;
    int error = 0;  // errno when it could not be opened
};

// Opens path for reading without waiting (a FIFO without a writer, a device): fd is set only
// for a regular file; kind says what else it is.
OpenedFile OpenRegularFile(const std::string& path);

}  // namespace platform

#include "platform/DurableFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <filesystem>

namespace platform {

namespace {

// More files than this started in one second means something else is wrong.
constexpr int kMostNames = 1000;

std::atomic<SyncFunction> syncFunction{nullptr};

std::string Candidate(const std::string& folder, const std::string& stem,
                      const std::string& extension, int number) {
    std::string path = folder + '/' + stem;
    if (number > 1) {
        path += '-' + std::to_string(number);
    }
    return path + extension;
}

// 0, or the errno. A file system that cannot sync keeps the data as safe as it gets.
int Synced(int fd, SyncFunction standard) {
    const SyncFunction replaced = syncFunction.load();
    const int result = (replaced != nullptr ? replaced : standard)(fd);
    return result == 0 || errno == EINVAL ? 0 : errno;
}

FileKind KindOf(mode_t mode) {
    if (S_ISREG(mode)) {
        return FileKind::Regular;
    }
    return S_ISDIR(mode) ? FileKind::Folder : FileKind::Other;
}

// The rule of the kernel's fs.protected_symlinks, kept whatever the setting: in a sticky
// folder anyone may write in, only a link of the user's own or of the folder's owner is followed.
bool MayFollowLink(const std::string& path, const struct stat& link) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    struct stat parent {};
    if (::stat(folder.c_str(), &parent) != 0) {
        return false;
    }
    const bool shared = (parent.st_mode & S_ISVTX) != 0 && (parent.st_mode & S_IWOTH) != 0;
    return !shared || link.st_uid == ::geteuid() || link.st_uid == parent.st_uid;
}

int WriteAt(int fd, std::string_view data) {
    off_t offset = 0;
    while (!data.empty()) {
        const ssize_t written = ::pwrite(fd, data.data(), data.size(), offset);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return written < 0 ? errno : EIO;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
        offset += written;
    }
    return 0;
}

// The file a link names is written as a plain open would: the kernel follows the link, with its
// checks, and makes the file a dangling link names. The room is taken before the old contents
// are overwritten, so that a full disk leaves them as they were.
int WriteThroughLink(const std::string& path, const struct stat& link, std::string_view data) {
    if (!MayFollowLink(path, link)) {
        return EACCES;
    }
    const OwnedFd fd(
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOCTTY | O_NONBLOCK | O_CLOEXEC, 0666));
    if (!fd.IsValid()) {
        return errno;
    }
    struct stat target {};
    if (::fstat(fd.Get(), &target) != 0) {
        return errno;
    }
    if (!S_ISREG(target.st_mode)) {
        return S_ISDIR(target.st_mode) ? EISDIR : EINVAL;
    }
    const auto size = static_cast<off_t>(data.size());
    if (size > 0 && ::fallocate(fd.Get(), FALLOC_FL_KEEP_SIZE, 0, size) != 0 &&
        errno != EOPNOTSUPP && errno != ENOSYS) {
        return errno;
    }
    if (const int error = WriteAt(fd.Get(), data); error != 0) {
        return error;
    }
    if (::ftruncate(fd.Get(), size) != 0) {
        return errno;
    }
    return SyncData(fd.Get());
}

}  // namespace

NewFile CreateNewFile(const std::string& folder, const std::string& stem,
                      const std::string& extension, mode_t mode) {
    NewFile file;
    for (int number = 1; number <= kMostNames; ++number) {
        file.path = Candidate(folder, stem, extension, number);
        file.fd.Reset(::open(file.path.c_str(),
                             O_RDWR | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC | O_NOCTTY, mode));
        if (file.fd.IsValid()) {
            break;
        }
        if (errno != EEXIST) {
            file.error = errno;
            return file;
        }
    }
    if (!file.fd.IsValid()) {
        file.error = EEXIST;
        return file;
    }
    if (const int error = SyncFolder(folder); error != 0) {
        file.fd.Reset();
        ::unlink(file.path.c_str());
        file.error = error;
    }
    return file;
}

int SyncFolder(const std::string& folder) {
    const OwnedFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.IsValid()) {
        return errno;
    }
    return Synced(fd.Get(), &::fsync);
}

int MakeFolders(const std::string& folder, mode_t mode) {
    const std::filesystem::path path = std::filesystem::path(folder).lexically_normal();
    std::filesystem::path made;
    for (const std::filesystem::path& part : path) {
        const std::filesystem::path parent = made.empty() ? "." : made;
        made /= part;
        if (part.empty()) {
            continue;
        }
        if (::mkdir(made.c_str(), mode) == 0) {
            if (const int error = SyncFolder(parent); error != 0) {
                return error;
            }
        } else if (errno != EEXIST) {
            return errno;
        }
    }
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return errno;
    }
    return S_ISDIR(status.st_mode) ? 0 : ENOTDIR;
}

int WriteFully(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0) {
            return errno;
        }
        if (written == 0) {
            return EIO;  // taken nothing: trying again would spin
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

int SyncData(int fd) {
    return Synced(fd, &::fdatasync);
}

void SetSyncFunction(SyncFunction sync) {
    syncFunction.store(sync);
}

bool IsStillNamed(int fd, const std::string& path) {
    struct stat open {};
    struct stat named {};
    if (::fstat(fd, &open) != 0 || open.st_nlink == 0) {
        return false;
    }
    return ::stat(path.c_str(), &named) == 0 && named.st_dev == open.st_dev &&
           named.st_ino == open.st_ino;
}

int CopyContents(int from, int to) {
    std::array<char, 65536> buffer{};
    off_t offset = 0;
    for (;;) {
        const ssize_t count = ::pread(from, buffer.data(), buffer.size(), offset);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (count == 0) {
            return 0;
        }
        if (const int error = WriteFully(to, {buffer.data(), static_cast<std::size_t>(count)});
            error != 0) {
            return error;
        }
        offset += count;
    }
}

int ReplaceFile(const std::string& path, std::string_view data) {
    struct stat named {};
    if (::lstat(path.c_str(), &named) == 0 && S_ISLNK(named.st_mode)) {
        return WriteThroughLink(path, named, data);
    }
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    struct stat old {};
    const bool replacing = ::stat(path.c_str(), &old) == 0;
    if (replacing) {
        // Refused where a plain open for writing would be (a read-only file).
        const OwnedFd writable(::open(path.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
        if (!writable.IsValid()) {
            return errno;
        }
    }
    NewFile part = CreateNewFile(folder, '.' + name, ".part", 0666);
    if (part.error != 0) {
        return part.error;
    }
    int error = 0;
    if (replacing && ::fchmod(part.fd.Get(), old.st_mode & 0777) != 0) {
        error = errno;
    }
    if (error == 0) {
        error = WriteFully(part.fd.Get(), data);
    }
    if (error == 0 && ::fdatasync(part.fd.Get()) != 0 && errno != EINVAL) {
        error = errno;
    }
    if (error == 0 && ::rename(part.path.c_str(), path.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(part.path.c_str());
        return error;
    }
    return SyncFolder(folder);
}

OpenedFile OpenRegularFile(const std::string& path) {
    OpenedFile file;
    struct stat status {};
    // Looked at before the open: opening a device may act on it.
    if (::stat(path.c_str(), &status) != 0) {
        file.error = errno;
        return file;
    }
    file.kind = KindOf(status.st_mode);
    if (file.kind != FileKind::Regular) {
        return file;
    }
    file.fd.Reset(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!file.fd.IsValid()) {
        file.error = errno;
        return file;
    }
    // The path may have been replaced in between.
    if (::fstat(file.fd.Get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        file.kind = S_ISDIR(status.st_mode) ? FileKind::Folder : FileKind::Other;
        file.fd.Reset();
    }
    return file;
}

}  // namespace platform

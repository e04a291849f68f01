#include "platform/FolderListing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <memory>

namespace platform {

std::vector<ListedFile> ListFiles(const std::string& folder, std::string_view suffix) {
    std::vector<ListedFile> files;
    const std::unique_ptr<DIR, int (*)(DIR*)> directory(opendir(folder.c_str()), &closedir);
    if (!directory) {
        return files;
    }
    const int folderFd = dirfd(directory.get());
    while (const dirent* entry = readdir(directory.get())) {
        const std::string_view name(entry->d_name);
        if (name.size() < suffix.size() || name.substr(name.size() - suffix.size()) != suffix) {
            continue;
        }
        struct stat status {};
        if (fstatat(folderFd, entry->d_name, &status, 0) != 0 || !S_ISREG(status.st_mode)) {
            continue;
        }
        files.push_back({std::string(name), static_cast<std::int64_t>(status.st_size),
                         static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1000 +
                             status.st_mtim.tv_nsec / 1000000});
    }
    return files;
}

}  // namespace platform

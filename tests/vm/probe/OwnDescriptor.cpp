#include "tests/vm/probe/OwnDescriptor.h"

#include <filesystem>
#include <system_error>

int OwnDescriptor(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path wanted = fs::canonical(path, error);
    if (error) {
        return -1;
    }
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc/self/fd", error)) {
        const fs::path target = fs::read_symlink(entry.path(), error);
        if (!error && target == wanted) {
            return std::stoi(entry.path().filename().string());
        }
    }
    return -1;
}

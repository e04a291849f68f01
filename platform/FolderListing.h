#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A regular file of a folder (a symbolic link counts as what it points to), with what tells
// whether it changed.
struct ListedFile {
    std::string name;
    std::int64_t size = 0;
    std::int64_t modifiedMs = 0;  // since the epoch
};

// The regular files of `folder` whose names end in `suffix`, in no order; none when the
// folder cannot be read.
std::vector<ListedFile> ListFiles(const std::string& folder, std::string_view suffix);

}  // namespace platform

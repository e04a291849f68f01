#include "platform/TerminalHolders.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <system_error>

namespace platform {

namespace {

namespace fs = std::filesystem;

// A process may end between the open and the read of its proc files: the read then fails
// (ESRCH), which the stream buffer reports by throwing. That reads as no text.
std::string ReadText(const fs::path& path) {
    std::ifstream in(path);
    try {
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::ios_base::failure&) {
        return {};
    }
}

std::string WithoutDevFolder(std::string name) {
    constexpr std::string_view kDevFolder = "/dev/";
    if (name.starts_with(kDevFolder)) {
        name.erase(0, kDevFolder.size());
    }
    return name;
}

void AddActiveConsoles(const fs::path& root, ConsoleDevices& consoles) {
    std::istringstream words(ReadText(root / "sys/class/tty/console/active"));
    for (std::string name; words >> name;) {
        consoles.names.insert(name);
    }
}

// "ttyS0                -W- (EC p a)    4:64": the name first, the device number last.
void AddListedConsoles(const fs::path& root, ConsoleDevices& consoles) {
    std::istringstream lines(ReadText(root / "proc/consoles"));
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string name;
        if (!(words >> name)) {
            continue;
        }
        consoles.names.insert(name);
        unsigned int major = 0;
        unsigned int minor = 0;
        const std::size_t numbers = line.rfind(' ');
        if (numbers != std::string::npos &&
            std::sscanf(line.c_str() + numbers, " %u:%u", &major, &minor) == 2) {
            consoles.numbers.insert(makedev(major, minor));
        }
    }
}

// console=ttyS0,115200n8 or console=/dev/ttyS0.
void AddCommandLineConsoles(const fs::path& root, ConsoleDevices& consoles) {
    constexpr std::string_view kOption = "console=";
    std::istringstream words(ReadText(root / "proc/cmdline"));
    for (std::string word; words >> word;) {
        if (word.starts_with(kOption)) {
            const std::string value = word.substr(kOption.size());
            consoles.names.insert(WithoutDevFolder(value.substr(0, value.find(','))));
        }
    }
}

// The kernel's encoding of tty_nr: minor in bits 31-20 and 7-0, major in bits 15-8.
dev_t DecodeTtyNumber(unsigned long long encoded) {
    const auto major = static_cast<unsigned int>((encoded >> 8) & 0xfff);
    const auto minor = static_cast<unsigned int>((encoded & 0xff) | ((encoded >> 12) & 0xfff00));
    return makedev(major, minor);
}

// Field 7 of proc/<pid>/stat; the command name (field 2) may hold blanks and parentheses.
std::optional<dev_t> ControllingTerminalOf(const fs::path& statPath) {
    const std::string stat = ReadText(statPath);
    const std::size_t commandEnd = stat.rfind(')');
    if (commandEnd == std::string::npos) {
        return std::nullopt;
    }
    std::istringstream fields(stat.substr(commandEnd + 1));
    std::string state;
    long long parent = 0;
    long long group = 0;
    long long session = 0;
    unsigned long long ttyNumber = 0;
    if (!(fields >> state >> parent >> group >> session >> ttyNumber) || ttyNumber == 0) {
        return std::nullopt;
    }
    return DecodeTtyNumber(ttyNumber);
}

bool IsProcessFolder(const fs::path& path) {
    const std::string name = path.filename().string();
    return !name.empty() && name.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

ConsoleDevices SystemConsoles(const std::string& systemRoot) {
    const fs::path root(systemRoot);
    ConsoleDevices consoles;
    AddActiveConsoles(root, consoles);
    AddListedConsoles(root, consoles);
    AddCommandLineConsoles(root, consoles);
    return consoles;
}

std::set<dev_t> ControllingTerminals(const std::string& systemRoot) {
    std::set<dev_t> terminals;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(fs::path(systemRoot) / "proc", error)) {
        if (IsProcessFolder(entry.path())) {
            if (const auto terminal = ControllingTerminalOf(entry.path() / "stat")) {
                terminals.insert(*terminal);
            }
        }
    }
    return terminals;
}

// "1: FLOCK  ADVISORY  WRITE 1234 00:05:321 0 EOF": the holder's pid, then the node as
// major:minor (hex) of its file system and its inode number. A waiter's line has "->" in
// place of the kind.
std::optional<pid_t> DeviceLockHolder(const std::string& path, const std::string& systemRoot) {
    struct stat node {};
    if (::stat(path.c_str(), &node) != 0) {
        return std::nullopt;
    }
    std::istringstream lines(ReadText(fs::path(systemRoot) / "proc/locks"));
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string number;
        std::string kind;
        if (!(words >> number >> kind) || kind != "FLOCK") {
            continue;
        }
        std::string previous;
        for (std::string word; words >> word; previous = word) {
            unsigned int major = 0;
            unsigned int minor = 0;
            unsigned long long inode = 0;
            if (std::sscanf(word.c_str(), "%x:%x:%llu", &major, &minor, &inode) == 3) {
                if (makedev(major, minor) == node.st_dev && inode == node.st_ino) {
                    long pid = 0;
                    return std::sscanf(previous.c_str(), "%ld", &pid) == 1 && pid > 0
                               ? static_cast<pid_t>(pid)
                               : 0;
                }
                break;
            }
        }
    }
    return std::nullopt;
}

bool IsDeviceLocked(const std::string& path, const std::string& systemRoot) {
    return DeviceLockHolder(path, systemRoot).has_value();
}

std::string ProcessName(pid_t pid, const std::string& systemRoot) {
    std::string name = ReadText(fs::path(systemRoot) / "proc" / std::to_string(pid) / "comm");
    while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) {
        name.pop_back();
    }
    return name;
}

}  // namespace platform

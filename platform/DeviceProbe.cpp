#include "platform/DeviceProbe.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <system_error>

namespace platform {

bool IsCharacterDevice(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISCHR(status.st_mode);
}

bool IsRealUart(const std::string& path, const std::string& systemRoot) {
    const std::string name = std::filesystem::path(path).filename().string();
    std::ifstream typeFile(std::filesystem::path(systemRoot) / "sys/class/tty" / name / "type");
    int type = 0;
    return static_cast<bool>(typeFile >> type) && type != 0;
}

bool DeviceIdentity::operator==(const DeviceIdentity& other) const {
    if (number != 0 || other.number != 0) {
        return number == other.number;
    }
    return resolvedPath == other.resolvedPath;
}

DeviceIdentity IdentifyDevice(const std::string& path) {
    std::error_code error;
    DeviceIdentity identity;
    identity.resolvedPath = std::filesystem::weakly_canonical(path, error).string();
    if (error) {
        identity.resolvedPath = path;
    }
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && S_ISCHR(status.st_mode)) {
        identity.number = status.st_rdev;
    }
    return identity;
}

}  // namespace platform

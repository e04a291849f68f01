#include "app/FileErrorCause.h"

#include <cerrno>

FileErrorCause FileErrorCauseFromErrno(int errorNumber) {
    switch (errorNumber) {
        case 0:
            return FileErrorCause::None;
        case ENOENT:
            return FileErrorCause::FileNotFound;
        case ENOTDIR:
        case ENAMETOOLONG:
            return FileErrorCause::BadPath;
        case EMFILE:
        case ENFILE:
            return FileErrorCause::TooManyOpenFiles;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return FileErrorCause::AccessDenied;
        case ENOSPC:
            return FileErrorCause::DiskFull;
        default:
            return FileErrorCause::Generic;
    }
}

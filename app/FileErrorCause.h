#pragma once

// The causes a failed file operation is reported with; the number is shown to the user.
enum class FileErrorCause : int {
    None = 0,
    Generic = 1,
    FileNotFound = 2,
    BadPath = 3,
    TooManyOpenFiles = 4,
    AccessDenied = 5,
    InvalidFile = 6,
    RemoveCurrentDir = 7,
    DirectoryFull = 8,
    BadSeek = 9,
    HardIo = 10,
    SharingViolation = 11,
    LockViolation = 12,
    DiskFull = 13,
    EndOfFile = 14,
};

// The cause for an errno value; 0 gives None, anything unlisted Generic.
FileErrorCause FileErrorCauseFromErrno(int errorNumber);

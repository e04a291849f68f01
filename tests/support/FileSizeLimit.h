#pragma once

#include <signal.h>
#include <sys/resource.h>

// While it lives, no regular file of this process can grow beyond the limit: a write past it
// fails with EFBIG, as a full disk fails one with ENOSPC (SIGXFSZ, which would end the process,
// is ignored meanwhile). IsSet() tells whether the limit took.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGXFSZ, &ignore, &savedAction_);
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        set_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        ::sigaction(SIGXFSZ, &savedAction_, nullptr);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool IsSet() const { return set_; }

  private:
    rlimit saved_{};
    struct sigaction savedAction_ {};
    bool set_ = false;
};

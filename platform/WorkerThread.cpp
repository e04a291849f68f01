#include "platform/WorkerThread.h"

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace platform {

namespace {

int NiceOffset(ThreadPriority priority) {
    switch (priority) {
        case ThreadPriority::Lowest:
            return 2;
        case ThreadPriority::Highest:
            return -2;
        case ThreadPriority::Normal:
            break;
    }
    return 0;
}

// On Linux the nice value is per thread when addressed by thread id.
void ApplyPriority(ThreadPriority priority, int creatorNice) {
    const int offset = NiceOffset(priority);
    if (offset == 0) {
        return;
    }
    const id_t self = static_cast<id_t>(gettid());
    setpriority(PRIO_PROCESS, self, creatorNice + offset);  // refusal is not an error
}

void BlockBrokenPipeSignal() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

}  // namespace

WorkerThread::~WorkerThread() {
    Join();
}

bool WorkerThread::Start(ThreadPriority priority, std::function<void()> body) {
    errno = 0;
    const int creatorNice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    try {
        thread_ = std::thread([priority, creatorNice, body = std::move(body)] {
            BlockBrokenPipeSignal();
            ApplyPriority(priority, creatorNice);
            body();
        });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void WorkerThread::Join() {
    if (!thread_.joinable()) {
        return;
    }
    if (IsCurrent()) {
        thread_.detach();  // a thread cannot wait for itself
    } else {
        thread_.join();
    }
}

bool WorkerThread::IsCurrent() const {
    return thread_.get_id() == std::this_thread::get_id();
}

}  // namespace platform

#pragma once

#include <functional>
#include <thread>

namespace platform {

enum class ThreadPriority { Lowest, Normal, Highest };

// A joinable worker thread. The priority (two nice levels below or above the creating
// thread) is best effort: a refused change leaves the thread at normal priority. The thread
// runs with SIGPIPE blocked: a write to a pipe or FIFO whose reader has gone fails with
// EPIPE instead of ending the program.
class WorkerThread {
  public:
    WorkerThread() = default;
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;
    ~WorkerThread();

    // False when the thread could not be started.
    bool Start(ThreadPriority priority, std::function<void()> body);
    // Waits for the thread to end; the thread itself must have been told to stop.
    void Join();
    bool IsCurrent() const;

  private:
    std::thread thread_;
};

}  // namespace platform

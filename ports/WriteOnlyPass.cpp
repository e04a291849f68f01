#include "ports/WriteOnlyPass.h"

#include "ports/PortQueue.h"

bool WriteOnlyPass::Run(PortThread& thread, PortQueue& queue,
                        const std::function<bool()>& writeHead,
                        const std::function<void()>& closeUnused) {
    PortThread::WaitFor what;
    what.deadline = retryAt_;
    if (!thread.Wait(what)) {
        return false;
    }
    const PortQueue::State state = queue.Peek();
    if (state.queueEmpty) {
        retryAt_.reset();
        if (!state.hasListener) {
            closeUnused();
        }
        return true;
    }
    // After a success straight on to the next string; after a failure a while later.
    const auto delay = writeHead() ? std::chrono::milliseconds(0) : retryDelay_;
    retryAt_ = PortThread::Clock::now() + delay;
    return true;
}

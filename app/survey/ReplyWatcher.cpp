#include "app/survey/ReplyWatcher.h"

#include "protocol/InstrumentLink.h"

ReplyWatcher::ReplyWatcher(const InstrumentLink& link, QObject& context,
                           std::function<void()> woken)
    : link_(link), context_(context), woken_(std::move(woken)), thread_([this] { Run(); }) {}

ReplyWatcher::~ReplyWatcher() {
    {
        const std::lock_guard guard(lock_);
        stopping_ = true;
    }
    given_.notify_all();
    thread_.join();
}

void ReplyWatcher::Watch(std::uint32_t timeoutMs) {
    {
        const std::lock_guard guard(lock_);
        timeoutMs_ = timeoutMs;
    }
    given_.notify_all();
}

void ReplyWatcher::Run() {
    std::unique_lock guard(lock_);
    while (true) {
        given_.wait(guard, [this] { return stopping_ || timeoutMs_.has_value(); });
        if (stopping_) {
            return;
        }
        const std::uint32_t timeoutMs = *timeoutMs_;
        timeoutMs_.reset();
        guard.unlock();
        link_.WaitForUnread(timeoutMs);
        // Dropped unseen when the context is gone by the time it would run.
        QMetaObject::invokeMethod(&context_, woken_, Qt::QueuedConnection);
        guard.lock();
    }
}

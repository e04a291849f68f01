#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "ports/Port.h"
#include "ports/PortListener.h"
#include "ports/PortManager.h"

// A port that records what is written to it and lets a test deliver received chunks.
class FakePort : public Port {
  public:
    bool Write(const std::string& data) override {
        std::string answer;
        {
            const std::lock_guard guard(lock_);
            if (writesToAccept_ == 0) {
                return false;
            }
            if (writesToAccept_ > 0) {
                --writesToAccept_;
            }
            writes_.push_back(data);
            written_.notify_all();
            if (data == "\r") {
                answer = answer_;
            }
        }
        if (!answer.empty()) {
            Deliver(answer);
        }
        return true;
    }
    // Delivers reply each time a command's carriage return is written; none when empty.
    void AnswerEachCommand(const std::string& reply) {
        const std::lock_guard guard(lock_);
        answer_ = reply;
    }
    bool Attach(PortListener* listener) override {
        const std::lock_guard guard(deliveryLock_);
        listener_ = listener;
        return true;
    }
    // Like a real port, waits for a delivery in progress.
    bool Detach(PortListener* listener) override {
        const std::lock_guard guard(deliveryLock_);
        if (listener != listener_) {
            return false;
        }
        listener_ = nullptr;
        return true;
    }
    void GetSettings(std::string& out) override { out = "96,n,8,1,0"; }
    bool Configure(const std::string&) override { return true; }
    std::int32_t GetStatus() override { return listener_ != nullptr ? 1 : 0; }
    std::string GetTypeName() override { return "Serial Port"; }

    // Negative: accept every write; otherwise accept this many more, then refuse.
    void AcceptWrites(int count) {
        const std::lock_guard guard(lock_);
        writesToAccept_ = count;
    }
    std::vector<std::string> Writes() const {
        const std::lock_guard guard(lock_);
        return writes_;
    }
    // Waits until at least count writes were taken; false after the timeout.
    bool WaitForWrites(std::size_t count, std::chrono::milliseconds timeout) const {
        std::unique_lock guard(lock_);
        return written_.wait_for(guard, timeout, [&] { return writes_.size() >= count; });
    }
    std::string WrittenBytes() const {
        std::string all;
        for (const auto& w : Writes()) {
            all += w;
        }
        return all;
    }
    void ClearWrites() {
        const std::lock_guard guard(lock_);
        writes_.clear();
    }
    void Deliver(const std::string& chunk) {
        const std::lock_guard guard(deliveryLock_);
        if (listener_ != nullptr) {
            listener_->OnReceive(chunk);
        }
    }
    PortListener* Listener() const {
        const std::lock_guard guard(deliveryLock_);
        return listener_;
    }

  private:
    mutable std::mutex lock_;
    mutable std::condition_variable written_;
    std::vector<std::string> writes_;
    int writesToAccept_ = -1;
    std::string answer_;
    mutable std::mutex deliveryLock_;
    PortListener* listener_ = nullptr;
};

// A manager that hands out one FakePort (or none) and records Open and Close.
class FakePortManager : public PortManager {
  public:
    struct Call {
        std::string name;
        PortListener* listener;
    };

    Port* Open(std::string name, PortListener* listener) override {
        opens.push_back({name, listener});
        if (failOpen) {
            return nullptr;
        }
        port.Attach(listener);
        return &port;
    }
    void CloseAll() override {}
    std::int32_t GetStatus(std::string) override { return port.GetStatus(); }
    bool GetSettings(std::string&, std::string& out) override {
        port.GetSettings(out);
        return true;
    }
    bool Close(std::string name, PortListener* listener) override {
        closes.push_back({name, listener});
        port.Detach(listener);
        return true;
    }
    bool ShowSettingsDialog(int, std::string&, std::string&, std::int32_t*, std::int32_t, int,
                            int) override {
        return false;
    }
    bool Configure(std::string&, std::string&) override { return true; }

    FakePort port;
    bool failOpen = false;
    std::vector<Call> opens;
    std::vector<Call> closes;
};

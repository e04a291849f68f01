#include "tests/vm/probe/RtsWatch.h"

#include <sys/ioctl.h>
#include <termios.h>

void RtsWatch::Start() {
    samples_.clear();
    stopping_ = false;
    thread_ = std::thread([this] { Run(); });
}

void RtsWatch::Stop() {
    stopping_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
}

void RtsWatch::Run() {
    samples_.reserve(1 << 16);
    while (!stopping_.load()) {
        Sample sample;
        sample.at = Clock::now();  // when RTS is read: the other two may take a while
        int lines = 0;
        if (::ioctl(fd_, TIOCMGET, &lines) != 0) {
            readable_ = false;
            return;
        }
        sample.rts = (lines & TIOCM_RTS) != 0;
        if (::ioctl(fd_, TIOCOUTQ, &sample.unsent) != 0) {
            sample.unsent = 0;
        }
        unsigned int lineStatus = 0;
        if (::ioctl(fd_, TIOCSERGETLSR, &lineStatus) == 0) {
            sample.transmitterEmpty = (lineStatus & TIOCSER_TEMT) != 0;
        }
        samples_.push_back(sample);
        std::this_thread::yield();
    }
}

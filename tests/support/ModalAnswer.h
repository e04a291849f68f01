#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <chrono>
#include <functional>
#include <utility>

// Answers the next modal dialog of type Dialog: a timer polls QApplication::activeModalWidget()
// and, once such a dialog is up, runs the action on it (once). A dialog that does not come up
// within the deadline fails the test, and whatever modal dialog is up then is rejected so that
// nothing hangs. Polling stops when the object goes out of scope.
template <class Dialog>
class ModalAnswer {
  public:
    explicit ModalAnswer(std::function<void(Dialog*)> action,
                         std::chrono::milliseconds deadline = std::chrono::seconds(10))
        : action_(std::move(action)), end_(std::chrono::steady_clock::now() + deadline) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        timer_.start(5);
    }
    ModalAnswer(const ModalAnswer&) = delete;
    ModalAnswer& operator=(const ModalAnswer&) = delete;

    bool Answered() const { return answered_; }

  private:
    void Poll() {
        if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
            timer_.stop();
            answered_ = true;
            action_(dialog);
        } else if (std::chrono::steady_clock::now() > end_) {
            timer_.stop();
            ADD_FAILURE() << "no modal " << Dialog::staticMetaObject.className() << " came up";
            if (auto* other = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                other->reject();
            }
        }
    }

    std::function<void(Dialog*)> action_;
    std::chrono::steady_clock::time_point end_;
    QTimer timer_;
    bool answered_ = false;
};

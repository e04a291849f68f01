#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a call on the user-interface thread (self-pipe and a
// socket notifier), so that a termination takes the program's normal shutdown path. The
// previous handlers come back when the object goes.
class TerminationSignals : public QObject {
    Q_OBJECT
  public:
    explicit TerminationSignals(std::function<void(int signalNumber)> onSignal,
                                QObject* parent = nullptr);
    ~TerminationSignals() override;

    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    bool IsInstalled() const { return installed_; }

  private:
    void Drain();

    std::function<void(int)> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
    bool installed_ = false;
};

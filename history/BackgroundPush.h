#pragma once

#include <QString>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "history/DatabaseUrl.h"
#include "history/RecordPush.h"

// Sends the records of a folder to the organisation's database on a thread of its own: once
// as it is made (what could not be sent before), and again on each Request(). The thread
// waits for work; ending it finishes the pushes asked for first.
class BackgroundPush {
  public:
    // Told once, on the push's thread, the first time a push fails.
    using FailureHandler = std::function<void(const QString& message)>;

    // `current`: the record of the visit under way, left out of the first push.
    BackgroundPush(DatabaseUrl database, QString folder, FailureHandler onFailure,
                   QString current = QString());
    ~BackgroundPush();
    BackgroundPush(const BackgroundPush&) = delete;
    BackgroundPush& operator=(const BackgroundPush&) = delete;

    // Asks for another push of the whole folder.
    void Request();
    // Waits for every push asked for so far; the last one's result.
    RecordPush::Result Wait();

    // "The service records could not be sent to the organisation's database: ..."
    static QString FailureText(const QString& error);

  private:
    void Work();

    const DatabaseUrl database_;
    const QString folder_;
    const FailureHandler onFailure_;
    const QString current_;
    std::mutex mutex_;
    std::condition_variable changed_;
    int requested_ = 1;
    int done_ = 0;
    bool ending_ = false;
    bool told_ = false;
    RecordPush::Result last_;
    std::thread thread_;  // last: started once the rest is set
};

#pragma once

#include <QObject>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "app/survey/SurveyReplies.h"

class InstrumentLink;
class ReplyWatcher;

// One reading of the whole card: the status query, then for each sensor 0 to 7 its voltage,
// current and trip point queries, each awaited up to the reply wait. Driven from the event
// loop of its thread: the thread is free while a reply is awaited, and the link stays pending
// from the first query to the last, so that nothing else is sent meanwhile.
//
// The card answers in order, so a value that came after its wait would land in the next
// value query's wait, looking like its answer. After a value query that got no answer, a status
// query goes out first: the lines before its answer are late ones, dropped. Once such a status
// query itself got no answer, the card is taken as silent and none is sent until it answers.
class SensorSurvey : public QObject {
    Q_OBJECT
  public:
    static constexpr int kQueryCount = 1 + 3 * SurveyReplies::kSensorCount;

    SensorSurvey(InstrumentLink& link, std::chrono::milliseconds replyWait,
                 QObject* parent = nullptr);
    ~SensorSurvey() override;

    // Sends the status query; false, and nothing sent, while the link has a reply pending.
    bool Start();
    // Abandons the reply awaited and sends nothing more; Finished() follows at once.
    void Cancel();

    bool IsRunning() const { return running_; }
    bool WasCancelled() const { return cancelled_; }
    // Queries whose reply came or whose wait ended.
    int QueriesDone() const { return step_; }
    const SurveyReplies& Replies() const { return replies_; }

  signals:
    void Progressed(int queriesDone);
    void Finished();

  private:
    bool SendQuery();
    // The status query that marks the end of a late value; false when the link refused it.
    bool SendMarker();
    // Sends the query of this step, or of the first later one the link takes.
    void SendNextQuery();
    void Await();
    void OnWoken();
    // False for a line shaped as another kind of query's answer: a late one.
    bool FitsTheQuery(const std::string& reply) const;
    // The reply of the current query (nothing when none came); then the next query.
    void Conclude(std::optional<std::string> reply);
    void EndMarker(bool answered);
    void TellProgress();
    std::optional<std::string>& Slot(int step);

    InstrumentLink& link_;
    const std::chrono::milliseconds replyWait_;
    SurveyReplies replies_;
    int step_ = 0;
    bool running_ = false;
    bool cancelled_ = false;
    bool markerAwaited_ = false;
    bool cardAnswers_ = true;  // false from an unanswered marker to the next answer
    std::chrono::steady_clock::time_point deadline_;
    std::unique_ptr<ReplyWatcher> watcher_;  // last: its thread ends before the rest goes
};

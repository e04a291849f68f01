#pragma once

#include <QObject>
#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "app/survey/SurveyReplies.h"
#include "protocol/ReplyState.h"

class InstrumentLink;
class ReplyWatcher;

// One reading of the whole card: the status query, then for each sensor 0 to 7 its voltage,
// current and trip point queries. Driven from the event loop of its thread: the thread is free
// while a reply is awaited, and the link stays pending from the first query to the last, so
// that nothing else is sent meanwhile.
//
// The card answers in order, so the order of the lines, not the clock, says which query a
// line answers. A value query is outstanding alone: after one whose wait ended, a status query
// goes out and waits up to kLongestWait, and a value that comes before its answer is the
// late value of its own query; the status answer says the value will not come. Once such a
// status query got no answer either, the card is taken as silent: before each value query a
// status query asks whether it answers again, and while it does not the value query is not
// sent. A line of no answer's shape is set aside; it is the query's unreadable reply when
// nothing else came. After a late answer the wait grows to twice that answer's delay, up to
// kLongestWait.
class SensorSurvey : public QObject {
    Q_OBJECT
  public:
    static constexpr int kQueryCount = SurveyReplies::kQueryCount;
    static constexpr std::chrono::milliseconds kLongestWait{5000};

    SensorSurvey(InstrumentLink& link, std::chrono::milliseconds replyWait,
                 QObject* parent = nullptr);
    ~SensorSurvey() override;

    // Sends the status query; false, and nothing sent, while the link has a reply pending.
    bool Start();
    // Abandons the replies awaited and sends nothing more; Finished() follows at once.
    void Cancel();
    // The card's line went away: nothing more is sent, and Finished() follows at once.
    void LineLost();

    bool IsRunning() const { return running_; }
    bool WasCancelled() const { return cancelled_; }
    // Queries whose reply came, whose wait ended or that were not sent.
    int QueriesDone() const { return done_; }
    const SurveyReplies& Replies() const { return replies_; }

  signals:
    void Progressed(int queriesDone);
    void Finished();

  private:
    using Clock = std::chrono::steady_clock;
    enum class Role {
        Query,   // the survey's own query of this step
        Marker,  // a status query marking where a late value of this step would end
        Probe,   // a status query asking a silent card whether it answers, before this step
    };
    struct Outstanding {
        int step = 0;  // the query's place in the survey
        Role role = Role::Query;
        Clock::time_point sentAt;
        Clock::time_point due;
        bool waitEnded = false;
    };

    bool SendNext();
    bool Send(int step, Role role, std::chrono::milliseconds wait);
    static bool IsStatusQuery(const Outstanding& query);
    void OnWoken();
    void Take(const std::string& line);
    void TakeStatus(const std::string& line);
    void TakeValue(std::deque<Outstanding>::iterator query, const std::string& line);
    void SetAside(const std::string& line);
    // How long the answer took; past its wait, the wait grows.
    void NoteAnswer(SurveyReplies::Query& note, const Outstanding& query);
    void WaitEnded();
    void Proceed();
    void Finish();
    void Conclude(int step);
    void TellProgress();
    bool IsAwaiting() const;
    std::optional<std::string>& Slot(int step);

    InstrumentLink& link_;
    std::chrono::milliseconds wait_;
    SurveyReplies replies_;
    std::deque<Outstanding> outstanding_;  // in the order sent
    ReplyState newestState_ = ReplyState::Idle;
    int nextStep_ = 0;
    int done_ = 0;
    int told_ = 0;
    std::array<bool, kQueryCount> concluded_{};
    bool running_ = false;
    bool finishTold_ = true;
    bool cancelled_ = false;
    bool silent_ = false;
    bool newestAnswered_ = false;            // the query sent last is answered
    std::unique_ptr<ReplyWatcher> watcher_;  // last: its thread ends before the rest goes
};

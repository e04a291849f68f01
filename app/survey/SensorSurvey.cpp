#include "app/survey/SensorSurvey.h"

#include <algorithm>

#include "app/survey/ReplyShape.h"
#include "app/survey/ReplyWatcher.h"
#include "protocol/InstrumentLink.h"

namespace {

using std::chrono::milliseconds;

// How long a line that has begun at the end of a wait is given to end.
constexpr milliseconds kLineEndGrace{200};

survey::ReplyKind KindOf(int step) {
    if (step == 0) {
        return survey::ReplyKind::Status;
    }
    switch ((step - 1) % 3) {
        case 0:
            return survey::ReplyKind::Voltage;
        case 1:
            return survey::ReplyKind::Current;
        default:
            return survey::ReplyKind::TripPoint;
    }
}

milliseconds Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - start);
}

}  // namespace

SensorSurvey::SensorSurvey(InstrumentLink& link, milliseconds replyWait, QObject* parent)
    : QObject(parent),
      link_(link),
      wait_(replyWait),
      watcher_(std::make_unique<ReplyWatcher>(link, *this, [this] { OnWoken(); })) {}

SensorSurvey::~SensorSurvey() {
    if (running_ && link_.IsPending()) {
        link_.Reset();
    }
}

bool SensorSurvey::Start() {
    if (running_ || link_.IsPending()) {
        return false;
    }
    replies_ = {};
    replies_.lastWait = wait_;
    outstanding_.clear();
    concluded_.fill(false);
    nextStep_ = 0;
    done_ = told_ = 0;
    cancelled_ = silent_ = false;
    running_ = true;
    if (!Send(0, Role::Query, wait_)) {
        running_ = false;
        return false;
    }
    nextStep_ = 1;
    finishTold_ = false;
    return true;
}

void SensorSurvey::Cancel() {
    if (!running_) {
        return;
    }
    cancelled_ = true;
    Finish();
    TellProgress();
}

void SensorSurvey::LineLost() {
    if (!running_) {
        return;
    }
    replies_.lineLost = true;
    Finish();
    TellProgress();
}

std::optional<std::string>& SensorSurvey::Slot(int step) {
    if (step == 0) {
        return replies_.status;
    }
    SurveyReplies::Sensor& sensor = replies_.sensors.at(static_cast<std::size_t>((step - 1) / 3));
    switch (KindOf(step)) {
        case survey::ReplyKind::Voltage:
            return sensor.voltage;
        case survey::ReplyKind::Current:
            return sensor.current;
        default:
            return sensor.tripPoint;
    }
}

bool SensorSurvey::IsStatusQuery(const Outstanding& query) {
    return query.role != Role::Query || query.step == 0;
}

bool SensorSurvey::Send(int step, Role role, milliseconds wait) {
    const SensorIndex sensor = (step - 1) / 3;
    bool sent = false;
    switch (role == Role::Query ? KindOf(step) : survey::ReplyKind::Status) {
        case survey::ReplyKind::Status:
            sent = link_.QueryStatus();
            break;
        case survey::ReplyKind::Voltage:
            sent = link_.QueryVoltage(sensor);
            break;
        case survey::ReplyKind::Current:
            sent = link_.QueryCurrent(sensor);
            break;
        case survey::ReplyKind::TripPoint:
            sent = link_.QueryTripPoint(sensor);
            break;
    }
    if (!sent) {
        return false;
    }
    if (role == Role::Query) {
        replies_.queries.at(static_cast<std::size_t>(step)).sent = true;
    }
    const Clock::time_point now = Clock::now();
    outstanding_.push_back({step, role, now, now + wait, false});
    newestState_ = link_.State();
    newestAnswered_ = false;
    watcher_->Watch(static_cast<std::uint32_t>(wait.count()));
    return true;
}

// The next query, or while the card is silent a status query asking whether it answers again.
bool SensorSurvey::SendNext() {
    while (nextStep_ < kQueryCount) {
        if (silent_) {
            if (Send(nextStep_, Role::Probe, wait_)) {
                return true;
            }
        } else if (Send(nextStep_, Role::Query, wait_)) {
            ++nextStep_;
            return true;
        }
        Conclude(nextStep_++);  // refused: the link is held elsewhere, which the window prevents
    }
    return false;
}

bool SensorSurvey::IsAwaiting() const {
    return running_ && !outstanding_.empty() && !newestAnswered_ && !outstanding_.back().waitEnded;
}

void SensorSurvey::OnWoken() {
    if (!running_) {
        return;  // a wait that was under way when the survey ended
    }
    for (std::string line = link_.ReadReply(); !line.empty(); line = link_.ReadReply()) {
        Take(line);
        if (!running_) {
            break;
        }
        if (!link_.IsPending() && IsAwaiting()) {
            link_.AwaitAgain(newestState_);
        }
    }
    if (IsAwaiting()) {
        if (!link_.IsPending()) {
            link_.AwaitAgain(newestState_);  // an empty line ended the state
        }
        const Outstanding& newest = outstanding_.back();
        const Clock::time_point now = Clock::now();
        const bool lineEnding = link_.IsLineArriving() && now < newest.due + kLineEndGrace;
        const Clock::time_point until = lineEnding ? newest.due + kLineEndGrace : newest.due;
        if (now < until) {
            watcher_->Watch(
                static_cast<std::uint32_t>(std::chrono::ceil<milliseconds>(until - now).count()));
        } else {
            WaitEnded();
        }
    }
    TellProgress();
}

void SensorSurvey::Take(const std::string& line) {
    const std::string text = survey::WithoutForeignBytes(line);
    if (survey::LooksLikeStatusReply(text)) {
        TakeStatus(line);
        return;
    }
    const auto value = std::find_if(outstanding_.begin(), outstanding_.end(),
                                    [](const Outstanding& query) { return !IsStatusQuery(query); });
    if (value != outstanding_.end() && survey::FitsValueQuery(text, KindOf(value->step))) {
        TakeValue(value, text);
        return;
    }
    SetAside(line);
}

// A status line answers the first status query outstanding; the value queries before it are
// not answered, or their answers would have come first. The status queries sent right after
// it are taken as answered too: nothing but their status lines can come of them.
void SensorSurvey::TakeStatus(const std::string& line) {
    const auto status = std::find_if(outstanding_.begin(), outstanding_.end(), IsStatusQuery);
    if (status == outstanding_.end()) {
        SetAside(line);
        return;
    }
    if (status->role == Role::Query && !replies_.status) {
        replies_.status = survey::WithoutForeignBytes(line);
        replies_.queries[0].unreadable.reset();
        NoteAnswer(replies_.queries[0], *status);
    }
    auto end = status;
    while (end != outstanding_.end() && IsStatusQuery(*end)) {
        ++end;
    }
    for (auto query = outstanding_.begin(); query != end; ++query) {
        if (query->role == Role::Query) {
            Conclude(query->step);
        }
    }
    newestAnswered_ = newestAnswered_ || end == outstanding_.end();
    outstanding_.erase(outstanding_.begin(), end);
    silent_ = false;
    if (newestAnswered_) {
        Proceed();
    }
}

void SensorSurvey::TakeValue(std::deque<Outstanding>::iterator query, const std::string& text) {
    SurveyReplies::Query& note = replies_.queries.at(static_cast<std::size_t>(query->step));
    Slot(query->step) = text;
    note.unreadable.reset();
    NoteAnswer(note, *query);
    Conclude(query->step);
    const bool newest = std::next(query) == outstanding_.end();
    outstanding_.erase(query);
    if (newest) {
        newestAnswered_ = true;
        Proceed();
    }
}

void SensorSurvey::NoteAnswer(SurveyReplies::Query& note, const Outstanding& query) {
    const milliseconds took = Since(query.sentAt);
    replies_.slowestReply = std::max(replies_.slowestReply, took);
    if (Clock::now() > query.due) {
        note.lateBy = took;
        wait_ = std::min(kLongestWait, std::max(wait_, 2 * took));
        replies_.lastWait = wait_;
    }
}

// A line no outstanding query can have: told as a late reply, and kept as the unreadable reply
// of the query sent last that has no answer yet, until a reply of its shape comes.
void SensorSurvey::SetAside(const std::string& line) {
    link_.AwaitAgainAfterLateLine(link_.State(), line);
    const auto query =
        std::find_if(outstanding_.rbegin(), outstanding_.rend(),
                     [](const Outstanding& sent) { return sent.role == Role::Query; });
    if (query != outstanding_.rend() && !Slot(query->step)) {
        auto& unreadable = replies_.queries.at(static_cast<std::size_t>(query->step)).unreadable;
        if (!unreadable) {
            unreadable = line;
        }
    }
}

void SensorSurvey::WaitEnded() {
    Outstanding& newest = outstanding_.back();
    newest.waitEnded = true;
    link_.Reset();
    switch (newest.role) {
        case Role::Query:
            replies_.queries.at(static_cast<std::size_t>(newest.step)).waitEnded = true;
            Conclude(newest.step);
            // Its value, if it comes, comes before this status query's answer.
            if (newest.step > 0 && Send(newest.step, Role::Marker, kLongestWait)) {
                return;
            }
            break;
        case Role::Marker:
            silent_ = true;
            break;
        case Role::Probe:
            Conclude(nextStep_++);  // not sent to a card that does not answer
            break;
    }
    Proceed();
}

void SensorSurvey::Proceed() {
    if (!SendNext()) {
        Finish();
    }
}

void SensorSurvey::Finish() {
    running_ = false;
    if (link_.IsPending()) {
        link_.Reset();
    }
    // A query sent and never answered did not come when the line was lost; a cancel cut it.
    for (const Outstanding& query : outstanding_) {
        if (query.role == Role::Query && replies_.lineLost) {
            replies_.queries.at(static_cast<std::size_t>(query.step)).waitEnded = true;
            Conclude(query.step);
        }
    }
    outstanding_.clear();
}

void SensorSurvey::Conclude(int step) {
    auto& concluded = concluded_.at(static_cast<std::size_t>(step));
    if (!concluded) {
        concluded = true;
        ++done_;
    }
}

void SensorSurvey::TellProgress() {
    // Those told may run the event loop, and with it the next reply, before this returns.
    if (done_ != told_) {
        told_ = done_;
        emit Progressed(done_);
    }
    if (!running_ && !finishTold_) {
        finishTold_ = true;
        emit Finished();
    }
}

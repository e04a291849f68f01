#include "app/survey/SensorSurvey.h"

#include "app/survey/ReplyShape.h"
#include "app/survey/ReplyWatcher.h"
#include "protocol/InstrumentLink.h"

SensorSurvey::SensorSurvey(InstrumentLink& link, std::chrono::milliseconds replyWait,
                           QObject* parent)
    : QObject(parent),
      link_(link),
      replyWait_(replyWait),
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
    step_ = 0;
    cancelled_ = false;
    markerAwaited_ = false;
    cardAnswers_ = true;
    running_ = true;
    if (!SendQuery()) {
        running_ = false;
        return false;
    }
    return true;
}

void SensorSurvey::Cancel() {
    if (!running_) {
        return;
    }
    running_ = false;
    cancelled_ = true;
    if (link_.IsPending()) {
        link_.Reset();
    }
    emit Finished();
}

std::optional<std::string>& SensorSurvey::Slot(int step) {
    if (step == 0) {
        return replies_.status;
    }
    SurveyReplies::Sensor& sensor = replies_.sensors.at(static_cast<std::size_t>((step - 1) / 3));
    switch ((step - 1) % 3) {
        case 0:
            return sensor.voltage;
        case 1:
            return sensor.current;
        default:
            return sensor.tripPoint;
    }
}

bool SensorSurvey::SendQuery() {
    const SensorIndex sensor = (step_ - 1) / 3;
    bool sent = false;
    if (step_ == 0) {
        sent = link_.QueryStatus();
    } else {
        switch ((step_ - 1) % 3) {
            case 0:
                sent = link_.QueryVoltage(sensor);
                break;
            case 1:
                sent = link_.QueryCurrent(sensor);
                break;
            default:
                sent = link_.QueryTripPoint(sensor);
                break;
        }
    }
    if (!sent) {
        return false;
    }
    Await();
    return true;
}

bool SensorSurvey::SendMarker() {
    if (!link_.QueryStatus()) {
        return false;
    }
    markerAwaited_ = true;
    Await();
    return true;
}

void SensorSurvey::SendNextQuery() {
    while (step_ < kQueryCount && !SendQuery()) {
        ++step_;  // refused: the link is held elsewhere, which the window prevents
    }
}

void SensorSurvey::Await() {
    deadline_ = std::chrono::steady_clock::now() + replyWait_;
    watcher_->Watch(static_cast<std::uint32_t>(replyWait_.count()));
}

void SensorSurvey::OnWoken() {
    if (!running_) {
        return;  // a wait that was under way when the survey was cancelled
    }
    const ReplyState awaited = link_.State();
    std::string reply = link_.ReadReply();
    while (!reply.empty() && !FitsTheQuery(reply)) {
        link_.AwaitAgainAfterLateLine(awaited, reply);
        reply = link_.ReadReply();
    }
    if (!reply.empty()) {
        markerAwaited_ ? EndMarker(true) : Conclude(std::move(reply));
        return;
    }
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline_ - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
        link_.Reset();
        markerAwaited_ ? EndMarker(false) : Conclude(std::nullopt);
        return;
    }
    watcher_->Watch(static_cast<std::uint32_t>(left.count()));
}

bool SensorSurvey::FitsTheQuery(const std::string& reply) const {
    if (markerAwaited_) {
        return survey::LooksLikeStatusReply(reply);
    }
    return step_ == 0 ? !survey::LooksLikeValueReply(reply) : !survey::LooksLikeStatusReply(reply);
}

void SensorSurvey::Conclude(std::optional<std::string> reply) {
    const bool valueUnanswered = !reply && step_ > 0;
    cardAnswers_ = cardAnswers_ || reply.has_value();
    Slot(step_) = std::move(reply);
    ++step_;
    // The next query goes out before anyone is told, so that the link is never idle between
    // two queries while the event loop runs.
    const bool marked = valueUnanswered && cardAnswers_ && step_ < kQueryCount && SendMarker();
    if (!marked) {
        SendNextQuery();
    }
    TellProgress();
}

void SensorSurvey::EndMarker(bool answered) {
    markerAwaited_ = false;
    cardAnswers_ = answered;
    const int queriesDone = step_;
    SendNextQuery();
    if (step_ != queriesDone) {
        TellProgress();
    }
}

void SensorSurvey::TellProgress() {
    const bool finished = step_ >= kQueryCount;
    if (finished) {
        running_ = false;
    }
    // Those told may run the event loop, and with it the next reply, before this returns.
    emit Progressed(step_);
    if (finished) {
        emit Finished();
    }
}

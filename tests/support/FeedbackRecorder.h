#pragma once

#include <QString>
#include <deque>
#include <vector>

#include "platform/ui/Feedback.h"

// Installed for the lifetime of a test: counts beeps, records every message box and answers
// questions from a queue (No when the queue is empty).
class FeedbackRecorder : public ui::Feedback {
  public:
    struct Event {
        enum Kind { Beep, Message, Question } kind;
        QString text;
    };

    FeedbackRecorder() { ui::Feedback::Install(this); }
    ~FeedbackRecorder() override { ui::Feedback::Install(nullptr); }
    FeedbackRecorder(const FeedbackRecorder&) = delete;
    FeedbackRecorder& operator=(const FeedbackRecorder&) = delete;

    void Beep() override { events.push_back({Event::Beep, {}}); }
    void Message(QWidget*, const QString& text) override {
        events.push_back({Event::Message, text});
    }
    bool Ask(QWidget*, const QString& text) override {
        events.push_back({Event::Question, text});
        if (answers.empty()) {
            return false;
        }
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }

    int Beeps() const { return Count(Event::Beep); }
    int Messages() const { return Count(Event::Message); }
    int Questions() const { return Count(Event::Question); }
    std::vector<QString> Texts(Event::Kind kind) const {
        std::vector<QString> texts;
        for (const Event& event : events) {
            if (event.kind == kind) {
                texts.push_back(event.text);
            }
        }
        return texts;
    }
    void Clear() { events.clear(); }

    std::vector<Event> events;
    std::deque<bool> answers;

  private:
    int Count(Event::Kind kind) const {
        int count = 0;
        for (const Event& event : events) {
            count += event.kind == kind ? 1 : 0;
        }
        return count;
    }
};

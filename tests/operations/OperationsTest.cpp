#include "OperationsTest.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QRadioButton>
#include <algorithm>
#include <chrono>
#include <stdexcept>

#include "protocol/InstrumentLink.h"

namespace opstest {

namespace {

constexpr std::uint32_t kByteWaitMs = 100;

}  // namespace

void OperationsTest::SetUp() {
    windowtest::ConnectedWindowTest::SetUp();
    if (HasFatalFailure()) {
        return;
    }
    card->ClearRecord();
    feedback.Clear();
}

QLineEdit& OperationsTest::Field(int id) const {
    QLineEdit* field = window->ControlAs<QLineEdit>(id);
    if (field == nullptr) {
        throw std::logic_error("no edit field " + std::to_string(id));
    }
    return *field;
}

QString OperationsTest::Text(int id) const {
    return Field(id).text();
}

bool OperationsTest::IsChecked(int id) const {
    return window->ControlAs<QRadioButton>(id)->isChecked();
}

std::string OperationsTest::LastCardLine() const {
    const std::vector<std::string> lines = CardLines();
    return lines.empty() ? std::string() : lines.back();
}

std::string OperationsTest::ReceivedBeforeMarker() {
    InstrumentLink* link = window->Link();
    EXPECT_FALSE(link->IsPending());
    EXPECT_TRUE(link->QueryStatus());
    EXPECT_NE(window->WaitForReply(1000), "") << "the card answers the marker";
    const std::string received = card->Received();
    const std::string marker = kMarker;
    EXPECT_TRUE(received.ends_with(marker)) << windowtest::Printable(received);
    return received.substr(0, received.size() - std::min(received.size(), marker.size()));
}

void OperationsTest::MakeReplyPending() {
    const std::size_t linesBefore = CardLines().size();
    ASSERT_TRUE(window->Link()->QueryStatus());
    ASSERT_TRUE(card->WaitForSent(
        [linesBefore](const std::string& sent) {
            return static_cast<std::size_t>(std::count(sent.begin(), sent.end(), '\n')) >
                   linesBefore;
        },
        windowtest::kDeadline));
    card->ClearRecord();
    ASSERT_TRUE(window->Link()->IsPending());
}

void OperationsTest::EndPendingReply() {
    EXPECT_NE(window->WaitForReply(1000), "");
    EXPECT_FALSE(window->Link()->IsPending());
}

int OperationsTest::TickUntilResponseChanges() {
    const QString before = Text(MaintenanceDialog::IdResponse);
    const auto deadline = std::chrono::steady_clock::now() + windowtest::kDeadline;
    int ticks = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        window->OnTrainingTick();
        ++ticks;
        if (Text(MaintenanceDialog::IdResponse) != before ||
            !window->IsTimerActive(MaintenanceDialog::kTrainingTimerId)) {
            return ticks;
        }
        // A tick takes every byte up to a line feed, so this waits for the next chunk.
        window->Link()->WaitForUnread(kByteWaitMs);
    }
    ADD_FAILURE() << "the response field did not change";
    return ticks;
}

}  // namespace opstest

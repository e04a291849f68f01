// "Train Sensor" and the training progress timer, its ticks run directly.
#include <gtest/gtest.h>

#include <chrono>

#include "DialogAnswers.h"
#include "ExpectedText.h"
#include "OperationsTest.h"
#include "protocol/InstrumentLink.h"
#include "tools/cardsim/CardModel.h"

namespace opstest {
namespace {

using namespace std::chrono_literals;
using windowtest::Printable;
using Id = MaintenanceDialog::ControlId;

constexpr int kTimer = MaintenanceDialog::kTrainingTimerId;
// Silent ticks the progress timer sits out before it gives up.
constexpr int kSilentTicksAllowed = 900;

class TrainingTest : public OperationsTest {
  protected:
    // Clicks "Train Sensor" and picks the sensor; the card's first line is then on show.
    void StartTraining(int sensor) {
        ModalDialogAnswerer answerer(ChooseSensor(sensor));
        Click(Id::IdTrainSensor);
        ASSERT_TRUE(answerer.Answered());
        ASSERT_EQ(Printable(card->Received()), Printable(Format("%dL\r", sensor)));
    }

    // Runs silent ticks; the number of them after which the timer or the response changed.
    int RunSilentTicks(int count) {
        const QString response = Text(Id::IdResponse);
        int changed = 0;
        for (int tick = 0; tick < count; ++tick) {
            window->OnTrainingTick();
            if (!window->IsTimerActive(kTimer) || Text(Id::IdResponse) != response) {
                ++changed;
            }
        }
        return changed;
    }

    // The 901st silent tick in a row: the timer stops, the link is reset, a beep.
    void ExpectGivingUpAfterTheAllowedSilentTicks() {
        EXPECT_EQ(RunSilentTicks(kSilentTicksAllowed), 0) << "900 silent ticks are sat out";
        EXPECT_TRUE(window->IsTimerActive(kTimer));
        EXPECT_TRUE(window->Link()->IsPending());
        EXPECT_EQ(feedback.Beeps(), 0);

        window->OnTrainingTick();
        EXPECT_FALSE(window->IsTimerActive(kTimer));
        EXPECT_FALSE(window->Link()->IsPending()) << "the link is reset";
        EXPECT_EQ(Text(Id::IdResponse), kNoResponse);
        EXPECT_EQ(feedback.Beeps(), 1);
        EXPECT_EQ(feedback.events.size(), 1u);
    }
};

TEST_F(TrainingTest, AWholeTrainingShowsTheFirstLineThenOkThenTheFinalLine) {
    constexpr int kSensor = 3;
    constexpr int kTicksBeforeTheEnd = 600;
    card->SetTrainingDuration(500ms);
    StartTraining(kSensor);
    ASSERT_FALSE(HasFatalFailure());

    const std::vector<std::string> first = CardLines();
    ASSERT_GE(first.size(), 1u);
    EXPECT_EQ(Text(Id::IdResponse), Shown(first[0]));
    EXPECT_TRUE(window->IsTimerActive(kTimer));
    EXPECT_EQ(window->TimerPeriod(100), 1000);

    TickUntilResponseChanges();
    const std::vector<std::string> lines = CardLines();
    ASSERT_EQ(lines.size(), 2u);
    ASSERT_EQ(lines[1], cardsim::replies::kTrainingBegun);
    EXPECT_EQ(Text(Id::IdResponse), Shown(lines[1]));
    EXPECT_TRUE(window->IsTimerActive(kTimer)) << "started again for the final line";
    EXPECT_TRUE(window->Link()->IsPending());

    // The card trains on; the ticks meanwhile bring nothing.
    EXPECT_EQ(RunSilentTicks(kTicksBeforeTheEnd), 0);
    ASSERT_TRUE(card->TrainingSensor().has_value()) << "the ticks ran before the card ended";

    ASSERT_TRUE(card->WaitForSent(
        [](const std::string& sent) { return std::count(sent.begin(), sent.end(), '\n') == 3; },
        windowtest::kDeadline));
    TickUntilResponseChanges();
    EXPECT_EQ(Text(Id::IdResponse), Shown(CardLines().back()));
    EXPECT_FALSE(window->IsTimerActive(kTimer));
    EXPECT_FALSE(window->Link()->IsPending());
    EXPECT_TRUE(card->Sensor(kSensor).trained);
    EXPECT_TRUE(feedback.events.empty());
}

TEST_F(TrainingTest, TheSilentTickCountStartsAgainFromZeroForTheNextTraining) {
    card->SetTrainingDuration(500ms);
    StartTraining(1);
    ASSERT_FALSE(HasFatalFailure());
    TickUntilResponseChanges();  // "OK"
    EXPECT_EQ(RunSilentTicks(kSilentTicksAllowed - 100), 0);
    ASSERT_TRUE(card->TrainingSensor().has_value()) << "the ticks ran before the card ended";
    ASSERT_TRUE(card->WaitForSent(
        [](const std::string& sent) { return std::count(sent.begin(), sent.end(), '\n') == 3; },
        windowtest::kDeadline));
    TickUntilResponseChanges();
    ASSERT_FALSE(window->IsTimerActive(kTimer));

    // The next training's card leaves its "OK" unended, so every tick after the first line
    // is silent: the full allowance again, not what the last training left.
    card->SetTrainingDuration(1h);
    card->SetNeverEndLine(true);
    card->ClearRecord();
    StartTraining(2);
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(Text(Id::IdResponse), Shown(CardLines().at(0)));
    ExpectGivingUpAfterTheAllowedSilentTicks();
    card->SetNeverEndLine(false);
}

TEST_F(TrainingTest, TheNineHundredAndFirstSilentTickGivesUp) {
    card->SetTrainingDuration(1h);
    StartTraining(5);
    ASSERT_FALSE(HasFatalFailure());
    TickUntilResponseChanges();
    ASSERT_EQ(Text(Id::IdResponse), Shown(cardsim::replies::kTrainingBegun));
    ExpectGivingUpAfterTheAllowedSilentTicks();

    // The link is usable again.
    feedback.Clear();
    card->ClearRecord();
    ModalDialogAnswerer answerer(ChooseSensor(0));
    Click(Id::IdAdjustTripPoint);
    ASSERT_TRUE(answerer.Answered());
    EXPECT_EQ(Text(Id::IdResponse), Shown(LastCardLine()));
    EXPECT_TRUE(feedback.events.empty());
}

TEST_F(TrainingTest, ASecondLineOtherThanOkEndsTheTraining) {
    constexpr int kSensor = 6;
    cardsim::SensorState disabled = card->Sensor(kSensor);
    disabled.enabled = false;
    card->SetSensor(kSensor, disabled);
    StartTraining(kSensor);
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(Text(Id::IdResponse), Shown(CardLines().at(0)));
    ASSERT_TRUE(window->IsTimerActive(kTimer));

    TickUntilResponseChanges();
    const std::vector<std::string> lines = CardLines();
    ASSERT_EQ(lines.size(), 2u);
    ASSERT_NE(lines[1], cardsim::replies::kTrainingBegun);
    EXPECT_EQ(Text(Id::IdResponse), Shown(lines[1]));
    EXPECT_FALSE(window->IsTimerActive(kTimer));
    EXPECT_FALSE(window->Link()->IsPending());
    EXPECT_TRUE(feedback.events.empty());
}

TEST_F(TrainingTest, ASilentCardGivesNoResponseAndNoTimer) {
    card->SetSilent(true);
    StartTraining(4);
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(Text(Id::IdResponse), kNoResponse);
    EXPECT_EQ(feedback.Beeps(), 1);
    EXPECT_FALSE(window->IsTimerActive(kTimer));
    EXPECT_FALSE(window->Link()->IsPending());
    card->SetSilent(false);
}

TEST_F(TrainingTest, WhileTrainingEveryOtherCommandOnlyBeeps) {
    card->SetTrainingDuration(1h);
    StartTraining(0);
    ASSERT_FALSE(HasFatalFailure());
    TickUntilResponseChanges();
    ASSERT_TRUE(window->Link()->IsPending());
    card->ClearRecord();

    ModalDialogAnswerer answerer(PressOk());
    Click(Id::IdUpdate);
    Click(Id::IdQueryVoltage);
    Click(Id::IdTrainSensor);
    EXPECT_FALSE(answerer.Answered());
    EXPECT_EQ(feedback.Beeps(), 3);
    EXPECT_TRUE(window->IsTimerActive(kTimer));
    window->Link()->Reset();
    window->KillTimer(kTimer);
    EXPECT_EQ(Printable(ReceivedBeforeMarker()), "");
}

TEST_F(TrainingTest, TrainingLinesAreShownByteForByte) {
    const std::string degree = "\xB0";
    card->SetGarbage("", degree);
    StartTraining(2);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(CardLines().at(0).ends_with(degree));
    EXPECT_EQ(Text(Id::IdResponse), Shown(CardLines().at(0)));

    // "OK" with a byte after it is not "OK": it ends the training, shown as it came.
    TickUntilResponseChanges();
    EXPECT_EQ(Text(Id::IdResponse), Shown(CardLines().at(1)));
    EXPECT_FALSE(window->IsTimerActive(kTimer));
    card->SetGarbage("", "");
}

}  // namespace
}  // namespace opstest

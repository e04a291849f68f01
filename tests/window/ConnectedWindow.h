#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FeedbackRecorder.h"
#include "WindowTestSupport.h"
#include "app/MaintenanceDialog.h"

namespace windowtest {

// The lines a card has written, without their line ends.
std::vector<std::string> SentLines(const cardsim::CardSimulator& card);
// What discovery shows for a two-line answer: the last two lines joined by one space.
std::string LastAnswer(const cardsim::CardSimulator& card);

// A card on COM2 (COM1, COM3 and COM4 absent) and a window that has found it.
class ConnectedWindowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // Destroys the window: the shutdown of the program.
    void DestroyWindow();
    // Clicks a button of the window (a radio button's check mark moves first, as in the
    // toolkit).
    void Click(int id);

    PortEnvironment ports;
    FeedbackRecorder feedback;
    std::unique_ptr<cardsim::CardSimulator> card;
    std::unique_ptr<MaintenanceDialog> window;
};

}  // namespace windowtest

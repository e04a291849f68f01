#pragma once

#include <QString>
#include <string>
#include <vector>

#include "ConnectedWindow.h"

class QLineEdit;

namespace opstest {

// A window connected to the simulated card on COM2, with discovery's bytes and feedback
// forgotten, and the means to drive and read it.
class OperationsTest : public windowtest::ConnectedWindowTest {
  protected:
    static constexpr const char* kNoResponse = "No Response.";
    // The command that marks the end of what a test's handlers wrote, and its bytes.
    static constexpr const char* kMarker = "SQ\r";

    void SetUp() override;

    QLineEdit& Field(int id) const;
    QString Text(int id) const;
    bool IsChecked(int id) const;

    // The lines the card has written, without line ends, and the last of them.
    std::vector<std::string> CardLines() const { return windowtest::SentLines(*card); }
    std::string LastCardLine() const;

    // Sends a status query through the idle link and reads its answer. The port sends in
    // order, so what the card received before it is everything the window wrote: returned.
    std::string ReceivedBeforeMarker();

    // A status query the window did not send: the link has a reply pending, and the card's
    // answer is on the line.
    void MakeReplyPending();
    // Reads that answer, so that the link is idle again.
    void EndPendingReply();

    // Runs ticks of the training timer until the response field changes or the timer stops,
    // waiting for the card's next bytes between ticks; the number of ticks.
    int TickUntilResponseChanges();
};

}  // namespace opstest

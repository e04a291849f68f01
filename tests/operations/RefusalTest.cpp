// Refusals: without a link, or with a reply pending, every button only beeps and opens no
// dialog; a dialog cancelled sends nothing.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QTest>
#include <vector>

#include "DialogAnswers.h"
#include "OperationsTest.h"
#include "dialogs/StandardButtons.h"
#include "platform/ui/TemplateDialog.h"
#include "protocol/InstrumentLink.h"

namespace opstest {
namespace {

using windowtest::Printable;
using Id = MaintenanceDialog::ControlId;

// The buttons of the command, status and query sections with a handler that checks the link
// first, and the timing test's; "Poll For Instrument" is not among them without a link.
const std::vector<int> kLinkButtons{
    Id::IdGoOffline,           Id::IdGoOnline,       Id::IdSetPowerLevel,   Id::IdSetVoltage,
    Id::IdSetTripPoint,        Id::IdTrainSensor,    Id::IdAdjustTripPoint, Id::IdSaveTrainingData,
    Id::IdRestoreTrainingData, Id::IdUpdate,         Id::IdSensorReports,   Id::IdQueryVoltage,
    Id::IdQueryCurrent,        Id::IdQueryTripPoint, Id::IdSensorTimingTest};

// The buttons that open a dialog before they send anything.
const std::vector<int> kDialogButtons{
    Id::IdSetPowerLevel,   Id::IdSetVoltage,       Id::IdSetTripPoint,        Id::IdTrainSensor,
    Id::IdAdjustTripPoint, Id::IdSaveTrainingData, Id::IdRestoreTrainingData, Id::IdSensorReports,
    Id::IdQueryVoltage,    Id::IdQueryCurrent,     Id::IdQueryTripPoint};

// The edit fields the handlers write into.
std::vector<int> ShownFieldIds() {
    std::vector<int> ids{Id::IdResponse,        Id::IdVoltageReply,    Id::IdVoltageSensor,
                         Id::IdCurrentReply,    Id::IdCurrentSensor,   Id::IdTripPointReply,
                         Id::IdTripPointSensor, Id::IdPowerLevelReply, Id::IdPowerLevelSensor};
    for (int cell = 0; cell < MaintenanceDialog::kStatusCellCount; ++cell) {
        ids.push_back(Id::IdFirstStatusCell + cell);
    }
    return ids;
}

std::vector<QString> ShownTexts(const MaintenanceDialog& window) {
    std::vector<QString> texts;
    for (const int id : ShownFieldIds()) {
        texts.push_back(window.ControlAs<QLineEdit>(id)->text());
    }
    return texts;
}

void ClickButton(MaintenanceDialog& window, int id) {
    window.ControlAs<QAbstractButton>(id)->click();
}

TEST(NoLinkRefusalTest, EveryButtonOnlyBeepsAndOpensNoDialog) {
    windowtest::PortEnvironment ports;  // no device on COM1 to COM4
    FeedbackRecorder feedback;
    MaintenanceDialog window;
    window.InitDialog();
    ASSERT_EQ(window.Link(), nullptr);
    const std::vector<QString> shown = ShownTexts(window);
    ASSERT_EQ(shown.back(), QString()) << "the cells are empty before the first update";

    for (const int id : kLinkButtons) {
        SCOPED_TRACE(id);
        feedback.Clear();
        ModalDialogAnswerer answerer(PressCancel());
        ClickButton(window, id);
        EXPECT_FALSE(answerer.Answered());
        EXPECT_EQ(feedback.Beeps(), 1);
        EXPECT_EQ(feedback.events.size(), 1u);
        EXPECT_EQ(ShownTexts(window), shown);
        EXPECT_FALSE(window.IsTimerActive(MaintenanceDialog::kTrainingTimerId));
    }
}

using PendingRefusalTest = OperationsTest;

TEST_F(PendingRefusalTest, EveryButtonOnlyBeepsOpensNoDialogAndSendsNothing) {
    MakeReplyPending();
    InstrumentLink* link = window->Link();
    const std::vector<QString> shown = ShownTexts(*window);
    std::vector<int> buttons = kLinkButtons;
    buttons.push_back(Id::IdPollForInstrument);  // discovery's own busy check

    for (const int id : buttons) {
        SCOPED_TRACE(id);
        feedback.Clear();
        ModalDialogAnswerer answerer(PressCancel());
        Click(id);
        EXPECT_FALSE(answerer.Answered());
        EXPECT_EQ(feedback.Beeps(), 1);
        EXPECT_EQ(feedback.events.size(), 1u);
        EXPECT_EQ(ShownTexts(*window), shown);
        EXPECT_EQ(window->Link(), link);
        EXPECT_TRUE(link->IsPending());
    }
    EndPendingReply();
    EXPECT_EQ(Printable(ReceivedBeforeMarker()), "");
}

using CancelTest = OperationsTest;

TEST_F(CancelTest, ACancelledDialogSendsNothingAndShowsNothing) {
    const std::vector<QString> shown = ShownTexts(*window);
    for (const int id : kDialogButtons) {
        SCOPED_TRACE(id);
        ModalDialogAnswerer answerer(PressButton(QStringLiteral("Cancel")));
        Click(id);
        EXPECT_TRUE(answerer.Answered());
        EXPECT_FALSE(answerer.ClosedByForce());
        EXPECT_TRUE(feedback.events.empty());
        EXPECT_EQ(ShownTexts(*window), shown);
        EXPECT_FALSE(window->Link()->IsPending());
    }
    EXPECT_EQ(Printable(ReceivedBeforeMarker()), "");
}

// The keyboard's way: Cancel focused, then the keypad's Enter.
TEST_F(CancelTest, KeypadEnterOnAFocusedCancelSendsNothing) {
    const std::vector<QString> shown = ShownTexts(*window);
    for (const int id : kDialogButtons) {
        SCOPED_TRACE(id);
        ModalDialogAnswerer answerer([](ui::TemplateDialog& dialog) {
            QWidget* cancel = dialog.Control(kIdCancel);
            cancel->setFocus();
            ASSERT_EQ(dialog.focusWidget(), cancel);
            QTest::keyClick(cancel, Qt::Key_Enter, Qt::KeypadModifier);
        });
        Click(id);
        EXPECT_TRUE(answerer.Answered());
        EXPECT_FALSE(answerer.ClosedByForce());
        EXPECT_TRUE(feedback.events.empty());
        EXPECT_EQ(ShownTexts(*window), shown);
    }
    EXPECT_EQ(Printable(ReceivedBeforeMarker()), "");
}

}  // namespace
}  // namespace opstest

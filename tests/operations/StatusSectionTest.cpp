// "Update": the card's five status bytes shown bit by bit in the 40 status cells.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <array>
#include <cstdint>

#include "ExpectedText.h"
#include "OperationsTest.h"
#include "protocol/InstrumentLink.h"

namespace opstest {
namespace {

using windowtest::Printable;
using Id = MaintenanceDialog::ControlId;
using StatusBytes = std::array<std::uint8_t, 5>;  // enabled, trained, shorted, opened, covered

constexpr int kRows = 5;
constexpr int kColumns = 8;

class StatusSectionTest : public OperationsTest {
  protected:
    // Gives every sensor of the card the conditions that make its status reply these bytes:
    // bit n of byte r is condition r of sensor n.
    void SetCardStatus(const StatusBytes& bytes) {
        for (int sensor = 0; sensor < MaintenanceDialog::kSensorCount; ++sensor) {
            cardsim::SensorState state = card->Sensor(sensor);
            const auto bit = [&](int row) { return ((bytes[row] >> sensor) & 1) != 0; };
            state.enabled = bit(0);
            state.trained = bit(1);
            state.shorted = bit(2);
            state.opened = bit(3);
            state.covered = bit(4);
            card->SetSensor(sensor, state);
        }
    }

    std::vector<QString> CellTexts() const {
        std::vector<QString> texts;
        for (int cell = 0; cell < MaintenanceDialog::kStatusCellCount; ++cell) {
            texts.push_back(Text(Id::IdFirstStatusCell + cell));
        }
        return texts;
    }
};

// Cell 2000 + 8r + k shows bit 7 - k of byte r.
std::vector<QString> ExpectedCells(const StatusBytes& bytes) {
    std::vector<QString> texts;
    for (int row = 0; row < kRows; ++row) {
        for (int column = 0; column < kColumns; ++column) {
            const bool set = ((bytes[row] >> (kColumns - 1 - column)) & 1) != 0;
            texts.push_back(set ? QStringLiteral("1") : QStringLiteral("0"));
        }
    }
    return texts;
}

std::string StatusReply(const StatusBytes& bytes) {
    return Format("%.2X %.2X %.2X %.2X %.2X", bytes[0], bytes[1], bytes[2], bytes[3], bytes[4]);
}

class StatusBytesTest : public StatusSectionTest,
                        public ::testing::WithParamInterface<StatusBytes> {};

TEST_P(StatusBytesTest, EachCellShowsItsSensorsCondition) {
    const StatusBytes bytes = GetParam();
    SetCardStatus(bytes);
    const QString response = Text(Id::IdResponse);

    Click(Id::IdUpdate);

    EXPECT_EQ(Printable(card->Received()), Printable("SQ\r"));
    ASSERT_EQ(LastCardLine(), StatusReply(bytes)) << "the card's reply";
    EXPECT_EQ(CellTexts(), ExpectedCells(bytes));
    EXPECT_EQ(Text(Id::IdResponse), response) << "the response field is not touched";
    EXPECT_TRUE(feedback.events.empty());
    EXPECT_FALSE(window->Link()->IsPending());
}

INSTANTIATE_TEST_SUITE_P(
    Replies, StatusBytesTest,
    ::testing::Values(StatusBytes{0x80, 0, 0, 0, 0}, StatusBytes{0x01, 0, 0, 0, 0},
                      StatusBytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, StatusBytes{0, 0, 0, 0, 0x80},
                      StatusBytes{0xA5, 0x3C, 0x0F, 0xF0, 0x81}),
    [](const ::testing::TestParamInfo<StatusBytes>& info) {
        const StatusBytes& b = info.param;
        return Format("Bytes%.2X_%.2X_%.2X_%.2X_%.2X", b[0], b[1], b[2], b[3], b[4]);
    });

TEST_F(StatusSectionTest, EveryCellIsRewrittenByTheNextUpdate) {
    SetCardStatus({0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    Click(Id::IdUpdate);
    const StatusBytes next{0x12, 0x34, 0x56, 0x78, 0x9A};
    SetCardStatus(next);
    Click(Id::IdUpdate);
    EXPECT_EQ(CellTexts(), ExpectedCells(next));
}

TEST_F(StatusSectionTest, ASilentCardLeavesCellsAndResponseAsTheyWereAndOnlyBeeps) {
    const StatusBytes bytes{0x0F, 0xF0, 0x00, 0x00, 0x11};
    SetCardStatus(bytes);
    Click(Id::IdUpdate);
    ASSERT_EQ(CellTexts(), ExpectedCells(bytes));
    card->ClearRecord();
    const QString response = Text(Id::IdResponse);

    card->SetSilent(true);
    Click(Id::IdUpdate);

    EXPECT_EQ(Printable(card->Received()), Printable("SQ\r"));
    EXPECT_EQ(CellTexts(), ExpectedCells(bytes));
    EXPECT_EQ(Text(Id::IdResponse), response) << "no \"No Response.\" here";
    EXPECT_EQ(feedback.Beeps(), 1);
    EXPECT_EQ(feedback.events.size(), 1u);
    EXPECT_FALSE(window->Link()->IsPending());
    card->SetSilent(false);
}

TEST_F(StatusSectionTest, ASilentCardBeforeAnyUpdateLeavesTheCellsEmpty) {
    card->SetSilent(true);
    Click(Id::IdUpdate);
    EXPECT_EQ(CellTexts(), std::vector<QString>(MaintenanceDialog::kStatusCellCount));
    EXPECT_EQ(feedback.Beeps(), 1);
    card->SetSilent(false);
}

}  // namespace
}  // namespace opstest

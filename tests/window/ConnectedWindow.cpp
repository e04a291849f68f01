#include "ConnectedWindow.h"

#include <gtest/gtest.h>

#include <QAbstractButton>

#include "protocol/InstrumentLink.h"

namespace windowtest {

std::vector<std::string> SentLines(const cardsim::CardSimulator& card) {
    std::vector<std::string> lines;
    std::string line;
    for (const char c : card.Sent()) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (c != '\r') {
            line += c;
        }
    }
    return lines;
}

std::string LastAnswer(const cardsim::CardSimulator& card) {
    const std::vector<std::string> lines = SentLines(card);
    if (lines.size() < 2) {
        return {};
    }
    return lines[lines.size() - 2] + " " + lines.back();
}

void ConnectedWindowTest::SetUp() {
    card = std::make_unique<cardsim::CardSimulator>();
    ports.Set(2, card->SlavePath());
    window = std::make_unique<MaintenanceDialog>();
    window->InitDialog();
    ASSERT_NE(window->Link(), nullptr);
    ASSERT_EQ(window->Link()->PortName(), "COM2");
    ASSERT_EQ(feedback.Messages(), 0);
}

void ConnectedWindowTest::TearDown() {
    window.reset();
    card.reset();
}

void ConnectedWindowTest::DestroyWindow() {
    window.reset();
}

void ConnectedWindowTest::Click(int id) {
    auto* button = window->ControlAs<QAbstractButton>(id);
    ASSERT_NE(button, nullptr) << "no button " << id;
    button->click();
}

}  // namespace windowtest

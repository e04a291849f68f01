#pragma once

#include <QString>
#include <string>

#include "QStringPrinter.h"

// Expected texts, computed from the documented formats and conversions.
namespace opstest {

// printf-style formatting into a string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A reply read as a hexadecimal number the C library's way: "0x" + reply, base 16.
long HexValue(const std::string& reply);

// The card's bytes as the window shows them: one character per byte.
QString Shown(const std::string& bytes);

// Command texts as the card receives them: the text and a carriage return.
std::string SetVoltageCommand(int sliderPosition, int sensor);
std::string SetTripPointCommand(int sliderPosition, int sensor);

}  // namespace opstest

#pragma once

#include <QString>
#include <string>

// The card's 8-bit texts as the window shows them, byte for byte (Latin-1), and back.
QString ToWindowText(const std::string& bytes);
std::string FromWindowText(const QString& text);

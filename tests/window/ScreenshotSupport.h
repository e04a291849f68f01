#pragma once

#include <QWidget>

class MaintenanceDialog;

namespace cardsim {
class CardSimulator;
}

// Dresses the application as the program does (C number format, icon) and points COM2 at the
// card, with COM1, COM3 and COM4 at no device, so that discovery goes straight to the card.
void PrepareScreenshot(const cardsim::CardSimulator& card);

// Writes what the widget shows to path (PNG for a .png name); the process's exit status (1 on
// failure).
int SaveScreenshot(QWidget& widget, const char* path);

// The output path of "program OUTPUT.png"; null, after saying how to call it, otherwise.
const char* ScreenshotPath(int argc, char** argv);

// Shows the window, which finds the card; false, after saying so, when it did not.
bool ShowConnected(MaintenanceDialog& window);

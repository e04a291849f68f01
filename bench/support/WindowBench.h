#pragma once

#include <string>

// Points COM1 at device and COM2 to COM4 at paths that do not exist, so that the window's
// discovery finds the card on COM1 and nothing else.
void PointCom1Only(const std::string& device);

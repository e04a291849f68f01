#pragma once

#include <string>

// What the serial driver really holds for an open line, read back with tcgetattr:
// "speed=9600 parity=n data=8 stop=1 flow=none", or "unreadable".
std::string LineReadback(int fd);

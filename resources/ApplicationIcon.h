#pragma once

#include <QIcon>

namespace resources {

constexpr int kApplicationIconId = 128;

// Icon resource 128, from the program's own resources.
QIcon ApplicationIcon();

}  // namespace resources

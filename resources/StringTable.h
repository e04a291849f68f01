#pragma once

#include <QString>

namespace resources {

// The string resource with the given id; empty when there is none.
QString LoadResourceString(int id);

}  // namespace resources

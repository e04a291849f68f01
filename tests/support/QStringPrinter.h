#pragma once

#include <QString>
#include <ostream>

// Failure messages show texts, not bytes.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

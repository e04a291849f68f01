#include "plot/CurrentCsv.h"

#include <charconv>
#include <fstream>

#include "plot/CurrentDumpStore.h"

namespace {

constexpr const char* kLineEnd = "\r\n";
constexpr int kDecimals = 3;

void AppendNumber(std::string& line, double value) {
    char digits[64];
    const auto result =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, kDecimals);
    line.append(digits, result.ptr);
}

// Quoted only when it holds a separator, a quote or a line break.
void AppendField(std::string& line, const std::string& field) {
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
        line += field;
        return;
    }
    line += '"';
    for (const char c : field) {
        line += c;
        if (c == '"') {
            line += '"';
        }
    }
    line += '"';
}

}  // namespace

std::string CurrentCsvText(const CurrentDumpStore& store) {
    std::string text = "Time (s)";
    for (const std::string& heading : store.ColumnHeadings()) {
        text += ',';
        AppendField(text, heading);
    }
    text += kLineEnd;
    store.ForEachRow([&text](const CurrentRow& row) {
        AppendNumber(text, row.seconds);
        for (const double milliamps : row.milliamps) {
            text += ',';
            AppendNumber(text, milliamps);
        }
        text += kLineEnd;
    });
    return text;
}

bool SaveCurrentCsv(const CurrentDumpStore& store, const std::string& path) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    const std::string text = CurrentCsvText(store);
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.close();
    return static_cast<bool>(file);
}

#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// One current report of the four sensors of a tube, split into its hexadecimal fields and
// converted to milliamperes.
//
// Up to the first 19 characters are examined: field 0 starts as "0x", each space begins the
// next field as "0x", any other character is appended to the current field, and a space after
// the fourth field has begun ends the examination. Fields never begun stay empty.
class DumpSample {
  public:
    static constexpr int kColumns = 4;
    static constexpr std::size_t kExaminedLength = 19;
    static constexpr double kMilliampsPerCount = 0.0003051851;

    explicit DumpSample(std::string_view text);

    // The field as received, with its "0x" prefix (empty when never begun).
    const std::string& Field(int column) const { return fields_[column]; }
    double Current(int column) const { return currents_[column]; }
    // The current formatted as "%6.3f".
    const std::string& CurrentText(int column) const { return currentTexts_[column]; }
    // The dump file's line: field, tab, current, tab for each column, then CR LF.
    std::string FileLine() const;

    // An optional "0x" prefix, then hexadecimal digits up to the first other character;
    // 0 without digits. Saturates instead of wrapping.
    static std::uint64_t CountOf(std::string_view field);
    // "%6.3f" with the C numeric conventions, whatever the locale.
    static std::string FormatCurrent(double milliamps);

  private:
    std::array<std::string, kColumns> fields_;
    std::array<double, kColumns> currents_{};
    std::array<std::string, kColumns> currentTexts_;
};

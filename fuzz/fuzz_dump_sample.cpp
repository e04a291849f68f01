// The dump sample splitter: the fields give back the text they were cut from, each count is
// what strtoull reads from the field, and the currents' texts are printf's "%6.3f".

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/DumpSample.h"
#include "fuzz/FuzzCheck.h"

namespace {

std::string Printed(double milliamps) {
    char text[512];
    std::snprintf(text, sizeof text, "%6.3f", milliamps);
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const DumpSample sample(text);

    // The fields, joined by spaces, are the examined text up to where the splitter stopped.
    std::string joined;
    int begun = 0;
    std::string fileLine;
    for (int c = 0; c < 4; ++c) {
        const std::string& field = sample.Field(c);
        if (field.empty()) {
            FUZZ_CHECK(c > 0);
        } else {
            FUZZ_CHECK(field.starts_with("0x"));
            FUZZ_CHECK(begun == c);
            joined += (c > 0 ? " " : "") + field.substr(2);
            ++begun;
        }
        const std::uint64_t count = std::strtoull(field.c_str(), nullptr, 16);
        FUZZ_CHECK(DumpSample::CountOf(field) == count);
        FUZZ_CHECK(sample.Current(c) == static_cast<double>(count) * 0.0003051851);
        FUZZ_CHECK(sample.CurrentText(c) == Printed(sample.Current(c)));
        fileLine += field + '\t' + sample.CurrentText(c) + '\t';
    }
    const std::string_view examined = text.substr(0, 19);
    FUZZ_CHECK(examined.starts_with(joined));
    FUZZ_CHECK(joined.size() == examined.size() || (begun == 4 && examined[joined.size()] == ' '));
    FUZZ_CHECK(sample.FileLine() == fileLine + "\r\n");
    return 0;
}

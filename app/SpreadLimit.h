#pragma once

#include <string_view>

// The acceptable spread in milliamperes from the spread field's microamperes: the text
// converted by the C library's string-to-double rules in the C locale (an empty or non-numeric
// text gives 0), times 0.001.
double SpreadLimitFromMicroamps(std::string_view fieldText);

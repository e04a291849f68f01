#pragma once

#include <string_view>

// Whether a line can be the answer to a survey's query, by its shape: the queries are sent
// back to back, so an answer that comes after its wait lands in the next query's.
namespace survey {

// Five status bytes, "EE TT SS OO CC".
bool LooksLikeStatusReply(std::string_view line);
// A voltage, current or trip code, or a trip point's "NOT TRAINED" text.
bool LooksLikeValueReply(std::string_view line);

}  // namespace survey

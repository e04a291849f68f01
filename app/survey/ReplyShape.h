#pragma once

#include <string>
#include <string_view>

// Whether a line is the answer to a survey's query, by its whole shape: a line of another
// shape is not that query's answer, whatever a conversion would make of it.
namespace survey {

enum class ReplyKind { Status, Voltage, Current, TripPoint };

// The line without the bytes no reply holds (control characters, bytes above 0x7E) before
// and after its text; bytes within the text are kept.
std::string WithoutForeignBytes(std::string_view line);
// Five status bytes "EE TT SS OO CC", of either case, and nothing else.
bool LooksLikeStatusReply(std::string_view line);
// A voltage code of three hexadecimal digits; a current or trip code of four; for a trip
// point also a text holding "NOT TRAINED".
bool FitsValueQuery(std::string_view line, ReplyKind kind);

}  // namespace survey

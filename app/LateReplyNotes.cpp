#include "app/LateReplyNotes.h"

#include <QJsonObject>
#include <string>
#include <string_view>

#include "protocol/InstrumentLink.h"
#include "record/VisitRecorder.h"
#include "trace/ProtocolTrace.h"
#include "trace/TraceFormat.h"

namespace {

// Enough for a few reply lines; a stream of no reply (a dump the card kept on with) is cut.
constexpr std::size_t kLongestNotedText = 1024;

}  // namespace

void NoteLateReplies(InstrumentLink& link, VisitRecorder* record) {
    link.SetLateReplyHandler([portName = link.PortName(), record](const std::string& dropped) {
        const bool cut = dropped.size() > kLongestNotedText;
        const std::string text =
            trace::EscapeBytes(std::string_view(dropped).substr(0, kLongestNotedText)) +
            (cut ? "..." : "");
        if (trace::ProtocolTrace* const protocolTrace = trace::ProtocolTrace::Current()) {
            std::string note = portName + " late reply dropped: " + text;
            if (cut) {
                note += " (" + std::to_string(dropped.size()) + " bytes)";
            }
            protocolTrace->Note(note);
        }
        if (record != nullptr) {
            record->Event("late_reply", {{"text", QString::fromStdString(text)},
                                         {"bytes", static_cast<double>(dropped.size())}});
        }
    });
}

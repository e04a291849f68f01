#pragma once

class InstrumentLink;
class VisitRecorder;

// Tells of every late reply the link drops as a command goes out: the protocol trace notes
// "COM1 late reply dropped: <text>" (the text escaped as the trace escapes bytes), and the
// service record, when one is given, gets an event "late_reply" with the text. Replaces any
// earlier handler of the link.
void NoteLateReplies(InstrumentLink& link, VisitRecorder* record);

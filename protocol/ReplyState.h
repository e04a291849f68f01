#pragma once

#include <cstdint>

// Which reply the link is waiting for; Idle when none is awaited.
enum class ReplyState : std::int32_t {
    Idle = 0,
    OnlineFirstLine = 1,
    OnlineSecondLine = 2,
    OfflineFirstLine = 3,
    OfflineSecondLine = 4,
    TrainAcknowledge = 5,
    TrainStart = 6,
    TrainResult = 7,
    SetVoltageReply = 8,
    SetTripPointReply = 9,
    SaveTrainingReply = 10,
    RestoreTrainingReply = 11,
    SetPowerLevelReply = 12,
    TripPointValue = 13,
    CurrentValue = 14,
    AdjustTripPointReply = 15,
    VoltageValue = 16,
    DumpLeft = 17,
    DumpRight = 18,
    DumpStopping = 19,
    ReportingSent = 20,
    StatusValue = 21,
};

// The state's name as written in code, e.g. "DumpLeft"; "?" for a value outside the set.
const char* ReplyStateName(ReplyState state);

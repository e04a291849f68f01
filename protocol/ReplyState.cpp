#include "protocol/ReplyState.h"

#include <array>

const char* ReplyStateName(ReplyState state) {
    static constexpr std::array<const char*, 22> kNames = {
        "Idle",
        "OnlineFirstLine",
        "OnlineSecondLine",
        "OfflineFirstLine",
        "OfflineSecondLine",
        "TrainAcknowledge",
        "TrainStart",
        "TrainResult",
        "SetVoltageReply",
        "SetTripPointReply",
        "SaveTrainingReply",
        "RestoreTrainingReply",
        "SetPowerLevelReply",
        "TripPointValue",
        "CurrentValue",
        "AdjustTripPointReply",
        "VoltageValue",
        "DumpLeft",
        "DumpRight",
        "DumpStopping",
        "ReportingSent",
        "StatusValue",
    };
    const auto index = static_cast<std::int32_t>(state);
    if (index < 0 || index >= static_cast<std::int32_t>(kNames.size())) {
        return "?";
    }
    return kNames[static_cast<std::size_t>(index)];
}

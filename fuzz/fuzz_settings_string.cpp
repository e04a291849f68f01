// The settings string of a serial port. A string whose first eight characters parse as a line
// mode composes back to the same text (parity case aside) and parses to the same mode; the
// settings dialog's choices taken from a string compose a string that gives the same choices.

#include <cctype>
#include <cstdint>
#include <string>

#include "dialogs/PortSettingsText.h"
#include "fuzz/FuzzCheck.h"
#include "platform/LineMode.h"

namespace {

std::string BaudCode(int baudRate) {
    switch (baudRate) {
        case 110:
            return "11";
        case 19200:
            return "19";
        default:
            return std::to_string(baudRate).substr(0, 2);
    }
}

char ParityLetter(platform::Parity parity) {
    switch (parity) {
        case platform::Parity::Even:
            return 'e';
        case platform::Parity::Odd:
            return 'o';
        case platform::Parity::Mark:
            return 'm';
        case platform::Parity::Space:
            return 's';
        case platform::Parity::None:
            break;
    }
    return 'n';
}

std::string Compose(const platform::LineMode& mode) {
    return BaudCode(mode.baudRate) + ',' + ParityLetter(mode.parity) + ',' +
           std::to_string(mode.dataBits) + ',' + std::to_string(mode.stopBits);
}

void CheckLineMode(const std::string& settings) {
    const std::string modeText = settings.substr(0, 8);
    const auto mode = platform::ParseLineMode(modeText);
    if (!mode) {
        return;
    }
    const std::string composed = Compose(*mode);
    std::string folded = modeText;
    folded[3] = static_cast<char>(std::tolower(static_cast<unsigned char>(folded[3])));
    FUZZ_CHECK(composed == folded);
    const auto again = platform::ParseLineMode(composed);
    FUZZ_CHECK(again.has_value() && *again == *mode);
}

void CheckDialogChoice(const std::string& settings) {
    const portsettings::LineChoice choice = portsettings::LineChoiceFrom(settings);
    FUZZ_CHECK(choice.baudCode.size() == 2 && choice.parity.size() == 1 &&
               choice.stopBits.size() == 1);
    const std::string composed =
        portsettings::ComposeLineSettings(choice.baudCode, choice.parity, choice.stopBits);
    FUZZ_CHECK(composed.size() == 10);
    const portsettings::LineChoice again = portsettings::LineChoiceFrom(composed);
    FUZZ_CHECK(again.baudCode == choice.baudCode && again.parity == choice.parity &&
               again.stopBits == choice.stopBits);
    if (platform::ParseLineMode(settings.substr(0, 8)) && settings[5] == '8') {
        FUZZ_CHECK(composed.substr(0, 8) == settings.substr(0, 8));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string settings(reinterpret_cast<const char*>(data), size);
    CheckLineMode(settings);
    CheckDialogChoice(settings);
    return 0;
}

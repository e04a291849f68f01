#pragma once

#include <string>
#include <vector>

// The texts of the port settings dialog and the rules that turn them into a settings string.
namespace portsettings {

// Proposed for a serial port that reports no settings of its own.
inline const std::string kDefaultLineSettings = "96,N,8,1,0";

// The list entry that stands for a disk file, already in upper case, and the file-type filter
// of the browse dialog.
std::string FileEntryName();
std::string FileFilter();
// Default extension of the browse dialog.
inline const std::string kFileExtension = "TXT";

// Items of the three line-setting lists: each baud item begins with its two-character baud
// code, each parity item with its parity letter, each stop-bit item is one character.
const std::vector<std::string>& BaudItems();
const std::vector<std::string>& ParityItems();
const std::vector<std::string>& StopBitItems();

// "COM1" to "COM4", compared exactly.
bool IsSerialName(const std::string& name);

// Which controls are shown for the current port name.
enum class FieldSet { LineSettings, FilePath, None };
FieldSet FieldSetFor(const std::string& currentName, const std::string& fileEntryName);

// The prefixes to look for in the three lists for a port's settings: characters 1-2 (baud
// code), 4 (parity) and 8 (stop bits). A field the text is too short for is taken from the
// default settings.
struct LineChoice {
    std::string baudCode;
    std::string parity;
    std::string stopBits;
};
LineChoice LineChoiceFrom(const std::string& settings);

// "<baud code>,<parity letter>,8,<stop bits>,0" from the texts of the three lists: the first
// two characters of the baud item, the first of the parity item and the whole stop-bit item.
std::string ComposeLineSettings(const std::string& baudItem, const std::string& parityItem,
                                const std::string& stopBitItem);

}  // namespace portsettings

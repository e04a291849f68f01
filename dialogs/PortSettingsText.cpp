#include "dialogs/PortSettingsText.h"

#include "ports/PortManagerImpl.h"

namespace portsettings {

std::string FileEntryName() {
    return PortManagerImpl::NormaliseName("File");
}

std::string FileFilter() {
    return "Text files (*.txt *.TXT);;All files (*)";
}

const std::vector<std::string>& BaudItems() {
    static const std::vector<std::string> items{"110",  "150",  "300",  "600",  "1200",
                                                "2400", "4800", "9600", "19200"};
    return items;
}

const std::vector<std::string>& ParityItems() {
    static const std::vector<std::string> items{"None", "Even", "Odd", "Mark", "Space"};
    return items;
}

const std::vector<std::string>& StopBitItems() {
    static const std::vector<std::string> items{"1", "2"};
    return items;
}

bool IsSerialName(const std::string& name) {
    return name == "COM1" || name == "COM2" || name == "COM3" || name == "COM4";
}

FieldSet FieldSetFor(const std::string& currentName, const std::string& fileEntryName) {
    if (IsSerialName(currentName)) {
        return FieldSet::LineSettings;
    }
    if (!currentName.empty() && currentName == fileEntryName) {
        return FieldSet::FilePath;
    }
    return FieldSet::None;
}

namespace {

std::string Field(const std::string& settings, std::size_t position, std::size_t length) {
    const std::string& source =
        settings.size() >= position + length ? settings : kDefaultLineSettings;
    return source.substr(position, length);
}

}  // namespace

LineChoice LineChoiceFrom(const std::string& settings) {
    return {Field(settings, 0, 2), Field(settings, 3, 1), Field(settings, 7, 1)};
}

std::string ComposeLineSettings(const std::string& baudItem, const std::string& parityItem,
                                const std::string& stopBitItem) {
    return baudItem.substr(0, 2) + "," + parityItem.substr(0, 1) + ",8," + stopBitItem + ",0";
}

}  // namespace portsettings

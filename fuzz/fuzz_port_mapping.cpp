// Where the port names' devices come from: the command line's --port NAME=DEVICE and the
// settings file's [ports] group. Checks: what parses names only known ports and, from the
// command line, character devices; a mapping written back reads back the same; the mapping
// resolves each name by precedence and leaves unknown names without a device.
//
// Input: the settings file's text, a NUL byte, then the arguments separated by NUL bytes.

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/CommandLine.h"
#include "app/SavedPortMapping.h"
#include "fuzz/FuzzCheck.h"
#include "platform/DeviceProbe.h"
#include "ports/PortManagerImpl.h"

namespace {

std::unique_ptr<QTemporaryDir> folder;
int fileNumber = 0;

QString NextFileName() {
    return folder->filePath(QStringLiteral("settings%1.conf").arg(++fileNumber));
}

DeviceMapping::Table ReadBack(const DeviceMapping::Table& table) {
    const QString name = NextFileName();
    {
        QSettings settings(name, QSettings::IniFormat);
        settings.beginGroup(QStringLiteral("ports"));
        for (const auto& [port, device] : table) {
            settings.setValue(QString::fromStdString(port), QString::fromStdString(device));
        }
        settings.endGroup();
    }
    QSettings settings(name, QSettings::IniFormat);
    DeviceMapping::Table read = PortMappingFrom(settings);
    QFile::remove(name);
    return read;
}

DeviceMapping::Table SavedMapping(const std::string& text) {
    const QString name = NextFileName();
    {
        QFile file(name);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly));
        file.write(text.data(), static_cast<qint64>(text.size()));
    }
    QSettings settings(name, QSettings::IniFormat);
    DeviceMapping::Table table = PortMappingFrom(settings);
    QFile::remove(name);
    for (const auto& [port, device] : table) {
        FUZZ_CHECK(DeviceMapping::IsKnownName(port));
        FUZZ_CHECK(PortManagerImpl::NormaliseName(port) == port);
        FUZZ_CHECK(!device.empty());
    }
    FUZZ_CHECK(ReadBack(table) == table);
    return table;
}

DeviceMapping::Table CommandLineMapping(const QStringList& arguments) {
    const CommandLine parsed = CommandLine::Parse(arguments);
    if (parsed.action == CommandLine::Action::Fail) {
        FUZZ_CHECK(!parsed.error.isEmpty());
        return {};
    }
    QStringList again{QStringLiteral("merrowby")};
    for (const auto& [port, device] : parsed.ports) {
        FUZZ_CHECK(DeviceMapping::IsKnownName(port));
        FUZZ_CHECK(platform::IsCharacterDevice(device));
        again << QStringLiteral("--port")
              << QString::fromStdString(port) + QLatin1Char('=') + QString::fromStdString(device);
    }
    const CommandLine reparsed = CommandLine::Parse(again);
    FUZZ_CHECK(reparsed.action == CommandLine::Action::RunWindow);
    FUZZ_CHECK(reparsed.ports == parsed.ports);
    return parsed.ports;
}

void CheckResolution(const DeviceMapping::Table& commandLine, const DeviceMapping::Table& saved,
                     const std::string& unknown) {
    DeviceMapping mapping(folder->path().toStdString(), [](const std::string&) { return false; });
    mapping.SetCommandLine(commandLine);
    mapping.SetSettings(saved);
    for (const std::string& name : DeviceMapping::Names()) {
        const DeviceAssignment assignment = mapping.Resolve(name);
        FUZZ_CHECK(assignment.name == name);
        if (commandLine.contains(name)) {
            FUZZ_CHECK(assignment.source == MappingSource::CommandLine);
            FUZZ_CHECK(assignment.device == commandLine.at(name));
        } else if (saved.contains(name)) {
            FUZZ_CHECK(assignment.source == MappingSource::Settings);
            FUZZ_CHECK(assignment.device == saved.at(name));
        } else {
            FUZZ_CHECK(assignment.source == MappingSource::Default);
        }
    }
    if (!DeviceMapping::IsKnownName(unknown)) {
        FUZZ_CHECK(mapping.Resolve(unknown).device.empty());
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    for (const std::string& name : DeviceMapping::Names()) {
        unsetenv(("MERROWBY_" + name).c_str());
    }
    folder = std::make_unique<QTemporaryDir>();
    return folder->isValid() ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t end = input.find('\0');
    const std::string settingsText = input.substr(0, end);

    QStringList arguments{QStringLiteral("merrowby")};
    std::string firstArgument;
    if (end != std::string::npos) {
        const QStringList given = QString::fromUtf8(input.substr(end + 1)).split(QChar(u'\0'));
        arguments << given;
        firstArgument = given.value(0).toStdString();
    }
    CheckResolution(CommandLineMapping(arguments), SavedMapping(settingsText), firstArgument);
    return 0;
}

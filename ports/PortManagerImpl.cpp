#include "ports/PortManagerImpl.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <exception>
#include <optional>
#include <utility>

#include "ports/FilePort.h"
#include "ports/ParallelPort.h"
#include "ports/PortKind.h"
#include "ports/PortThread.h"
#include "ports/SerialPort.h"
#include "ports/SettingsDialogFactory.h"

using platform::RecursiveGuard;

namespace {

// Runs an operation of the manager; an exception (out of memory, descriptors or threads)
// gives its failure result instead.
template <typename Result, typename Operation>
Result OrFailure(Result failure, Operation&& operation) {
    try {
        return operation();
    } catch (const std::exception&) {
        return failure;
    }
}

std::optional<std::wstring> Widen(const std::string& text) {
    std::mbstate_t state{};
    std::wstring wide;
    const char* next = text.data();
    const char* const end = text.data() + text.size();
    while (next < end) {
        wchar_t character = 0;
        const std::size_t used = std::mbrtowc(&character, next, end - next, &state);
        if (used == static_cast<std::size_t>(-1) || used == static_cast<std::size_t>(-2)) {
            return std::nullopt;
        }
        const std::size_t length = used == 0 ? 1 : used;  // an embedded NUL
        wide.push_back(character);
        next += length;
    }
    return wide;
}

std::optional<std::string> Narrow(const std::wstring& wide) {
    std::mbstate_t state{};
    std::string text;
    char buffer[MB_LEN_MAX];
    for (const wchar_t character : wide) {
        const std::size_t length = std::wcrtomb(buffer, character, &state);
        if (length == static_cast<std::size_t>(-1)) {
            return std::nullopt;
        }
        text.append(buffer, length);
    }
    return text;
}

std::wstring TrimWide(const std::wstring& wide) {
    const auto isSpace = [](wchar_t c) { return std::iswspace(static_cast<wint_t>(c)) != 0; };
    const auto first = std::find_if_not(wide.begin(), wide.end(), isSpace);
    const auto last = std::find_if_not(wide.rbegin(), wide.rend(), isSpace).base();
    return first < last ? std::wstring(first, last) : std::wstring();
}

std::string TrimBytes(const std::string& text) {
    const auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    const auto first = std::find_if_not(text.begin(), text.end(), isSpace);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), isSpace).base();
    return first < last ? std::string(first, last) : std::string();
}

bool IsSerialName(const std::string& name) {
    return name == "COM1" || name == "COM2" || name == "COM3" || name == "COM4";
}

bool IsParallelName(const std::string& name) {
    return name == "LPT1" || name == "LPT2" || name == "LPT3";
}

// A port without its I/O thread (or its events) would never transmit or receive: none at
// all instead.
template <typename Kind, typename... Arguments>
std::unique_ptr<Port> MakeWorkingPort(Arguments&&... arguments) {
    auto port = std::make_unique<Kind>(std::forward<Arguments>(arguments)...);
    if (!port->IsWorking()) {
        return nullptr;
    }
    return port;
}

}  // namespace

PortManagerImpl::PortManagerImpl()
    : names_{"COM1", "COM2", "COM3", "COM4", "LPT1", "LPT2", "LPT3"},
      kinds_{PortKindSerial,   PortKindSerial,   PortKindSerial,  PortKindSerial,
             PortKindParallel, PortKindParallel, PortKindParallel} {}

// Ports are destroyed only by CloseAll; whatever is still registered at exit is let go
// with its thread still running, so that no thread is joined during static destruction.
PortManagerImpl::~PortManagerImpl() {
    const RecursiveGuard guard(lock_);
    for (auto& [name, port] : registry_) {
        static_cast<void>(port.release());
    }
    registry_.clear();
}

std::string PortManagerImpl::TrimName(const std::string& name) {
    if (const auto wide = Widen(name)) {
        if (const auto trimmed = Narrow(TrimWide(*wide))) {
            return *trimmed;
        }
    }
    return TrimBytes(name);
}

std::string PortManagerImpl::NormaliseName(const std::string& name) {
    if (auto wide = Widen(name)) {
        std::wstring upper = TrimWide(*wide);
        for (wchar_t& character : upper) {
            character = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(character)));
        }
        if (const auto narrowed = Narrow(upper)) {
            return *narrowed;
        }
    }
    std::string upper = TrimBytes(name);
    for (char& character : upper) {
        if (character >= 'a' && character <= 'z') {
            character = static_cast<char>(character - 'a' + 'A');
        }
    }
    return upper;
}

Port* PortManagerImpl::Find(const std::string& normalisedName) {
    const auto found = registry_.find(normalisedName);
    return found == registry_.end() ? nullptr : found->second.get();
}

std::unique_ptr<Port> PortManagerImpl::CreatePort(const std::string& normalisedName,
                                                  const std::string& givenName) {
    if (IsSerialName(normalisedName)) {
        return MakeWorkingPort<SerialPort>(normalisedName, &lineLoss_);
    }
    if (IsParallelName(normalisedName)) {
        return MakeWorkingPort<ParallelPort>(normalisedName);
    }
    return MakeWorkingPort<FilePort>(normalisedName, TrimName(givenName));
}

// Out of memory, descriptors or threads: no port, and nothing registered.
Port* PortManagerImpl::FindOrCreate(const std::string& normalisedName,
                                    const std::string& givenName) {
    if (Port* port = Find(normalisedName)) {
        return port;
    }
    auto created = CreatePort(normalisedName, givenName);
    Port* port = created.get();
    if (created) {
        registry_[normalisedName] = std::move(created);
    }
    return port;
}

Port* PortManagerImpl::Open(std::string name, PortListener* listener) {
    return OrFailure<Port*>(nullptr, [&]() -> Port* {
        const std::string key = NormaliseName(name);
        const RecursiveGuard guard(lock_);
        Port* port = FindOrCreate(key, name);
        return port != nullptr && port->Attach(listener) ? port : nullptr;
    });
}

// Refused on a port's own I/O thread (a listener's OnReceive): it would destroy the port
// whose pass is running.
void PortManagerImpl::CloseAll() {
    if (PortThread::IsAnyPortThread()) {
        return;
    }
    const RecursiveGuard guard(lock_);
    for (auto& [name, port] : registry_) {
        port.reset();
    }
    registry_.clear();
}

std::int32_t PortManagerImpl::GetStatus(std::string name) {
    return OrFailure<std::int32_t>(0, [&] {
        const std::string key = NormaliseName(name);
        // Asked under the manager lock, so that a CloseAll on another thread cannot destroy
        // the port while it answers.
        const RecursiveGuard guard(lock_);
        Port* port = Find(key);
        return port == nullptr ? 0 : port->GetStatus();
    });
}

bool PortManagerImpl::ReopenSerialPort(const std::string& name) {
    const RecursiveGuard guard(lock_);
    auto* serial = dynamic_cast<SerialPort*>(Find(NormaliseName(name)));
    return serial != nullptr && serial->Reopen();
}

bool PortManagerImpl::GetSettings(std::string& name, std::string& out) {
    return OrFailure(false, [&] {
        name = NormaliseName(name);
        const RecursiveGuard guard(lock_);
        Port* port = Find(name);
        if (port == nullptr) {
            return false;
        }
        port->GetSettings(out);
        return !out.empty();
    });
}

bool PortManagerImpl::Close(std::string name, PortListener* listener) {
    return OrFailure(false, [&] {
        const std::string key = NormaliseName(name);
        const RecursiveGuard guard(lock_);
        Port* port = Find(key);
        if (port == nullptr) {
            return false;
        }
        port->Detach(listener);
        return true;
    });
}

bool PortManagerImpl::ShowSettingsDialog(int showOption, std::string& name, std::string& settings,
                                         std::int32_t* optionState, std::int32_t kindMask,
                                         int enablePortList, int enableSettings) {
    const SettingsDialogFactory factory = CurrentSettingsDialogFactory();
    if (factory == nullptr) {
        return false;
    }
    return OrFailure(false, [&] {
        std::unique_ptr<SettingsDialogSession> session;
        {
            const RecursiveGuard guard(lock_);
            session = factory(*this, showOption, name, settings, optionState, kindMask,
                              enablePortList, enableSettings);
        }
        return session != nullptr && session->RunModal();
    });
}

bool PortManagerImpl::Configure(std::string& name, std::string& settings) {
    return OrFailure(false, [&] {
        name = NormaliseName(name);
        const RecursiveGuard guard(lock_);
        Port* port = Find(name);
        return port != nullptr && port->Configure(settings);
    });
}

std::vector<std::string> PortManagerImpl::RegisteredNames() {
    const RecursiveGuard guard(lock_);
    std::vector<std::string> names;
    names.reserve(registry_.size());
    for (const auto& [name, port] : registry_) {
        names.push_back(name);
    }
    return names;
}

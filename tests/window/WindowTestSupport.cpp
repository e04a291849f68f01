#include "WindowTestSupport.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace windowtest {

namespace {

std::string VariableName(int comNumber) {
    return "MERROWBY_COM" + std::to_string(comNumber);
}

}  // namespace

PortEnvironment::PortEnvironment() {
    absent_ = (std::filesystem::temp_directory_path() /
               ("merrowby-absent-" + std::to_string(::getpid())) / "ttyNone")
                  .string();
    for (int com = 1; com <= 4; ++com) {
        if (const char* value = std::getenv(VariableName(com).c_str())) {
            saved_[com - 1] = value;
        }
        Set(com, absent_);
    }
}

PortEnvironment::~PortEnvironment() {
    for (int com = 1; com <= 4; ++com) {
        if (saved_[com - 1]) {
            ::setenv(VariableName(com).c_str(), saved_[com - 1]->c_str(), 1);
        } else {
            ::unsetenv(VariableName(com).c_str());
        }
    }
}

void PortEnvironment::Set(int comNumber, const std::string& path) {
    ::setenv(VariableName(comNumber).c_str(), path.c_str(), 1);
}

cardsim::CardOptions SilentCard() {
    cardsim::CardOptions options;
    options.silent = true;
    return options;
}

cardsim::CardOptions OnlineOnlyCard() {
    cardsim::CardOptions options;
    options.answerOnlineOnly = true;
    return options;
}

std::string Printable(const std::string& bytes) {
    std::string shown;
    for (const char c : bytes) {
        if (c == '\r') {
            shown += "\\r";
        } else if (c == '\n') {
            shown += "\\n";
        } else {
            shown += c;
        }
    }
    return shown;
}

}  // namespace windowtest

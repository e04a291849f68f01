#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace dumptest {

// A locale whose decimal separator is a comma, compiled into a folder of the test's own.
class CommaLocaleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::filesystem::path sources = "/usr/share/i18n/locales/de_DE";
        if (!std::filesystem::exists(sources) || std::system("command -v localedef >/dev/null")) {
            GTEST_SKIP() << "no locale sources to compile a decimal-comma locale from";
        }
        folder_ = std::filesystem::temp_directory_path() /
                  ("merrowby-locale-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
        const std::string command = "localedef -i de_DE -f UTF-8 '" +
                                    (folder_ / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
        std::system(command.c_str());
        ::setenv("LOCPATH", folder_.c_str(), 1);
        ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr);
        char text[16];
        std::snprintf(text, sizeof text, "%.1f", 1.5);
        ASSERT_STREQ(text, "1,5") << "the locale must use a decimal comma";
    }
    void TearDown() override {
        std::setlocale(LC_ALL, "C");
        ::unsetenv("LOCPATH");
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    std::filesystem::path folder_;
};

}  // namespace dumptest

#pragma once

#include <locale.h>
#include <unistd.h>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

// Makes a German locale (decimal comma) the calling thread's locale for its lifetime.
// Uses an installed de_DE locale, or compiles one into a temporary folder with localedef.
class GermanLocale {
  public:
    GermanLocale() {
        locale_ = newlocale(LC_ALL_MASK, "de_DE.UTF-8", nullptr);
        if (locale_ == nullptr) {
            locale_ = CompileLocale();
        }
        if (locale_ != nullptr) {
            previous_ = uselocale(locale_);
        }
    }
    ~GermanLocale() {
        if (locale_ != nullptr) {
            uselocale(previous_);
            freelocale(locale_);
        }
        if (!folder_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(folder_, ignored);
        }
    }
    GermanLocale(const GermanLocale&) = delete;
    GermanLocale& operator=(const GermanLocale&) = delete;

    bool Active() const { return locale_ != nullptr; }

  private:
    locale_t CompileLocale() {
        char pattern[] = "/tmp/merrowby-locale-XXXXXX";
        if (mkdtemp(pattern) == nullptr) {
            return nullptr;
        }
        folder_ = pattern;
        const std::string command =
            "localedef -i de_DE -f UTF-8 " + folder_ + "/de_DE.UTF-8 >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) {
            return nullptr;
        }
        const char* oldPath = std::getenv("LOCPATH");
        const std::string saved = oldPath != nullptr ? oldPath : "";
        setenv("LOCPATH", folder_.c_str(), 1);
        locale_t made = newlocale(LC_ALL_MASK, "de_DE.UTF-8", nullptr);
        if (oldPath != nullptr) {
            setenv("LOCPATH", saved.c_str(), 1);
        } else {
            unsetenv("LOCPATH");
        }
        return made;
    }

    locale_t locale_ = nullptr;
    locale_t previous_ = nullptr;
    std::string folder_;
};

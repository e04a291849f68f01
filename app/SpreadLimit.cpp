#include "app/SpreadLimit.h"

#include <clocale>
#include <cstdlib>
#include <locale.h>
#include <string>

namespace {

locale_t CLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

}  // namespace

double SpreadLimitFromMicroamps(std::string_view fieldText) {
    const std::string text(fieldText);
    return strtod_l(text.c_str(), nullptr, CLocale()) * 0.001;
}

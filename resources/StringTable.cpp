#include "resources/StringTable.h"

namespace resources {

QString LoadResourceString(int id) {
    switch (id) {
        case 101:
            return QStringLiteral("&About Merrowby...");
        default:
            return {};
    }
}

}  // namespace resources

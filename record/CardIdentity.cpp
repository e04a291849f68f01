#include "record/CardIdentity.h"

#include <QStringList>
#include <algorithm>

QString CardIdentity(const QJsonArray& discoveryLines) {
    const QStringList online = discoveryLines.at(0).toString().split(QLatin1Char(' '));
    const QStringList offline = discoveryLines.at(1).toString().split(QLatin1Char(' '));
    QStringList common;
    for (qsizetype i = 0; i < std::min(online.size(), offline.size()); ++i) {
        if (online[i] != offline[i]) {
            break;
        }
        common << online[i];
    }
    return common.isEmpty() ? discoveryLines.at(1).toString() : common.join(QLatin1Char(' '));
}

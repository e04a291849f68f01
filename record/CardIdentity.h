#pragma once

#include <QJsonArray>
#include <QString>

// The card's identity from a discovery's replies to "go online" and "go offline": the words
// both begin with, without "ONLINE"/"OFFLINE" ("SENSOR CARD V2.1").
QString CardIdentity(const QJsonArray& discoveryLines);

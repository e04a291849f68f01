#pragma once

#include <QLatin1String>
#include <QString>
#include <QStringList>

// Whether the card's reply to a go-online or go-offline (as the window shows it) says the card
// is in that mode now: its last word is word ("ONLINE", "OFFLINE"). Anything else, dump samples
// the command happened to end say, leaves the mode unknown.
inline bool ReplyConfirmsMode(const QString& reply, QLatin1String word) {
    const QStringList words = reply.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return !words.isEmpty() && words.last() == word;
}

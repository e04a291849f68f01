#pragma once

#include <QLatin1String>
#include <QString>
#include <QStringList>

// Whether the card's reply to a go-online or go-offline (as the window shows it) says the card
// is in that mode now: its last word is word ("ONLINE", "OFFLINE"). Anything else, dump samples
// the command happened to end say, leaves the mode unknown.
// Control characters and characters above 0x7E around the word are no part of it.
inline bool ReplyConfirmsMode(const QString& reply, QLatin1String word) {
    const auto foreign = [](QChar c) { return c.unicode() < 0x20 || c.unicode() > 0x7E; };
    const QStringList words = reply.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QString last = words.isEmpty() ? QString() : words.last();
    while (!last.isEmpty() && foreign(last.front())) {
        last.remove(0, 1);
    }
    while (!last.isEmpty() && foreign(last.back())) {
        last.chop(1);
    }
    return last == word;
}

#pragma once

#include <QDateTime>
#include <QString>
#include <QTimeZone>
#include <chrono>

// Texts about points in time shown in the usage panel. The clock is always passed in.
class DateTexts
{
public:
    // "oggi 14:30", "domani 09:00" or "lunedì 09:00" for a reset time written with
    // fractional seconds; any other text comes back unchanged. Days are calendar days in
    // the given time zone.
    static QString resetDateLabel(const QString& resetText, const QDateTime& now,
                                  const QTimeZone& timeZone = QTimeZone::systemTimeZone());

    // "oggi", "ieri", "domani" or the weekday's name: a day near today, as the history names it.
    static QString nearDayName(const QDate& day, const QDate& today);
    // The same day word, a space and "HH:mm", in the given time zone.
    static QString nearDayAndTime(const QDateTime& moment, const QDateTime& now,
                                  const QTimeZone& timeZone = QTimeZone::systemTimeZone());

    // "Al ritmo attuale: 100% alle 16:40", "... domani alle 09:10", "... lunedì alle 09:10";
    // empty when the moment has already passed.
    static QString paceForecastLabel(const QDateTime& fullAt, const QDateTime& now,
                                     const QTimeZone& timeZone = QTimeZone::systemTimeZone());

    // "5 minuti fa", "ieri", "ora": the largest calendar unit between the two moments, in
    // words of the given locale (the user's when empty). A locale that names no language the
    // time data know ("C", "POSIX") speaks Italian.
    static QString relativeTimeText(const QDateTime& then, const QDateTime& now,
                                    const QString& localeName = {});
    // "Aggiornato 5 minuti fa", "Aggiornato ora": always Italian.
    static QString updatedText(const QDateTime& then, const QDateTime& now);
    // "Ogni 5 minuti", "Ogni minuto", "Ogni 90 secondi": in the largest unit that divides the
    // interval exactly.
    static QString everyText(std::chrono::milliseconds interval);
};

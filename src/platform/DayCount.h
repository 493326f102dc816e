#pragma once

#include <QDateTime>

// Date-times in the catalog are day counts since 30 December 1899, 00:00,
// local time: the whole part counts days, the fraction is the time of day.
// Before that day the whole part is negative and the fraction still counts
// forward from midnight (-1.25 is 29 December 1899, 06:00).
double ToDayCount(const QDateTime &dateTime);
QDateTime FromDayCount(double dayCount);
// The same for a local date and time of day, without a time-zone look-up.
double DayCountOf(QDate localDate, QTime localTime);
// The date and the time of day of a day count, by the rule of FromDayCount
// but without building a QDateTime: a local date-time goes through the
// time-zone rules, which costs more than the whole rest of a list line.
void SplitDayCount(double dayCount, QDate &date, QTime &time);

// The current local date-time as a day count, to the millisecond.
double NowDayCount();

// The year a two-digit year stands for: the one with those last two digits
// from currentYear - 50 to currentYear + 49.
int WindowedYear(int twoDigitYear, int currentYear);

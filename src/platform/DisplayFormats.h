#pragma once

#include <QLocale>
#include <QString>
#include <QtGlobal>

// Size and date texts shown to the user, in one place so that the main list,
// the Find list and the Properties dialog agree. Separators, decimals and the
// date and time formats come from one locale, fixed once at start-up.

// Makes a locale the one every text below uses: its thousands and decimal
// separators, its short time format and its short date format with every month
// letter after the second removed. The program calls it once at start; until
// then the default QLocale is used. Tests call it to be machine-independent.
void SetDisplayLocale(const QLocale &locale);
QLocale DisplayLocale();
// The short date format in use ("ddddd"), after the month letters were cut.
QString ShortDateFormat();
// The locale's short time format ("t").
QString ShortTimeFormat();

// Removes every month letter after the second from a Qt date format, so that a
// short date never shows a month name: "dd-MMM-yyyy" -> "dd-MM-yyyy". Quoted
// literal text is left alone.
QString KeepTwoMonthLetters(const QString &qtDateFormat);

// A byte count for display. Below 1024 in bytes; otherwise in KB, or in MB when
// detailed and at least 1,048,576 bytes. Detailed: the value with 2 decimals,
// the unit, two blanks and the exact count ("1.00MB  (1,048,576 bytes)").
// Short: whole numbers with separators ("1,536KB"); 1 to 1023 bytes show
// "1KB" and 0 shows "0KB".
QString SizeText(qint64 bytes, bool detailed);
// A byte count in full, with separators ("23 bytes", "1,536 bytes").
QString ByteCountText(qint64 bytes);

// A size as a sort key: the whole kilobytes, right-aligned in 16 characters
// with 6 decimals ("%16f"), so comparing the texts compares the sizes (up to
// about a terabyte, where the width runs out).
QString SizeSortKey(qint64 bytes);

// A catalog date-time (a day count, see DayCount.h) as short date, a blank and
// short time.
QString DateTimeText(double dayCount);
// A catalog date-time as long date, a comma, a blank and long time without
// the time zone ("Monday, 7 December 2026, 14:05:09").
QString LongDateTimeText(double dayCount);
// A catalog date-time as a sort key "yyyyMMddhhmm" (minutes, 24 hours).
QString DateSortKey(double dayCount);

// Status texts of the lists.
QString ObjectCountText(qsizetype count);
QString SelectedCountText(qsizetype count);

#include "platform/DayCount.h"

#include <cmath>

namespace {

constexpr double kMillisecondsPerDay = 86400000.0;

QDate Epoch()
{
    return QDate(1899, 12, 30);
}

} // namespace

double ToDayCount(const QDateTime &dateTime)
{
    const QDateTime local = dateTime.toLocalTime();
    return DayCountOf(local.date(), local.time());
}

double DayCountOf(QDate localDate, QTime localTime)
{
    const double days = double(Epoch().daysTo(localDate));
    const double fraction = localTime.msecsSinceStartOfDay() / kMillisecondsPerDay;
    return days >= 0 ? days + fraction : days - fraction;
}

QDateTime FromDayCount(double dayCount)
{
    QDate date;
    QTime time;
    SplitDayCount(dayCount, date, time);
    return QDateTime(date, time);
}

void SplitDayCount(double dayCount, QDate &date, QTime &time)
{
    const double whole = std::trunc(dayCount);
    qint64 milliseconds = qRound64(std::fabs(dayCount - whole) * kMillisecondsPerDay);
    qint64 days = qint64(whole);
    if (milliseconds >= qint64(kMillisecondsPerDay)) {
        // Rounding pushed the time to the next midnight.
        milliseconds = 0;
        days += dayCount >= 0 ? 1 : -1;
    }
    date = Epoch().addDays(days);
    time = QTime::fromMSecsSinceStartOfDay(int(milliseconds));
}

double NowDayCount()
{
    return ToDayCount(QDateTime::currentDateTime());
}

int WindowedYear(int twoDigitYear, int currentYear)
{
    const int base = currentYear - 50;
    int year = base / 100 * 100 + twoDigitYear;
    if (year < base)
        year += 100;
    return year;
}

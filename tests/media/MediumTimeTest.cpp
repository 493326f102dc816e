#include "media/MediaScan.h"
#include "platform/DayCount.h"
#include "support/QtPrinters.h"
#include "support/TestEnvironment.h"

#include <QDateTime>
#include <QScopeGuard>

#include <gtest/gtest.h>

#include <ctime>

TEST(MediumTimeTest, FileTimesBecomeLocalDayCountsAtTwoSeconds)
{
    // A zone with summer time, so that local time is not UTC.
    const ScopedEnvironment zone("TZ", QStringLiteral("Europe/Berlin"));
    tzset();
    const auto restore = qScopeGuard([] { tzset(); });

    // Each row: local, stored.
    const std::tuple<QDateTime, QTime> cases[] = {
        {QDateTime(QDate(2021, 3, 4), QTime(5, 6, 7)), QTime(5, 6, 6)},
        {QDateTime(QDate(2021, 7, 14), QTime(10, 1, 0)), QTime(10, 1, 0)}, // summer time
        {QDateTime(QDate(2000, 2, 29), QTime(23, 59, 59)), QTime(23, 59, 58)},
        // Outside the DOS range (1980 to 2107) the date is kept, not lost.
        {QDateTime(QDate(1970, 1, 1), QTime(1, 0, 1)), QTime(1, 0, 0)},
        {QDateTime(QDate(1960, 6, 1), QTime(12, 0, 3)), QTime(12, 0, 2)},
        {QDateTime(QDate(2150, 1, 1), QTime(0, 0, 1)), QTime(0, 0, 0)},
    };
    for (const auto &[local, stored] : cases) {
        const double expected = ToDayCount(QDateTime(local.date(), stored));
        EXPECT_DOUBLE_EQ(MediumTimeToDayCount(local.toSecsSinceEpoch()), expected)
            << local.toString(Qt::ISODate).toStdString();
    }
}

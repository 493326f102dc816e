#include "platform/DayCount.h"

#include <gtest/gtest.h>

TEST(DayCountTest, CountsDaysAndTimeFromTheEpochInLocalTime)
{
    const std::pair<double, QDateTime> rows[] = {
        {0.0, QDateTime(QDate(1899, 12, 30), QTime(0, 0))},
        {1.5, QDateTime(QDate(1899, 12, 31), QTime(12, 0))},
        {45000.25, QDateTime(QDate(2023, 3, 15), QTime(6, 0))},
        {-1.25, QDateTime(QDate(1899, 12, 29), QTime(6, 0))},
        {2.0 + 59.0 / 86400, QDateTime(QDate(1900, 1, 1), QTime(0, 0, 59))}};
    for (const auto &[dayCount, local] : rows) {
        SCOPED_TRACE(dayCount);
        EXPECT_EQ(FromDayCount(dayCount), local);
        EXPECT_DOUBLE_EQ(ToDayCount(local), dayCount);
    }
}

TEST(DayCountTest, RoundTripsToTheMillisecondAndNeverShowsMidnightPlusADay)
{
    const QDateTime moment(QDate(2026, 12, 6), QTime(23, 59, 59, 999));
    EXPECT_EQ(FromDayCount(ToDayCount(moment)), moment);
    // A count a hair before midnight rounds to the next day's midnight.
    EXPECT_EQ(FromDayCount(46000.0 - 1e-10), QDateTime(QDate(2025, 12, 9), QTime(0, 0)));
    EXPECT_NEAR(NowDayCount(), ToDayCount(QDateTime::currentDateTime()), 1.0 / 86400);
}

TEST(DayCountTest, TwoDigitYearsFallInAFiftyYearWindow)
{
    EXPECT_EQ(WindowedYear(95, 2026), 1995);
    EXPECT_EQ(WindowedYear(76, 2026), 1976);
    EXPECT_EQ(WindowedYear(75, 2026), 2075);
    EXPECT_EQ(WindowedYear(0, 2026), 2000);
    EXPECT_EQ(WindowedYear(49, 1990), 1949);
    EXPECT_EQ(WindowedYear(39, 1990), 2039);
    EXPECT_EQ(WindowedYear(40, 1990), 1940);
}

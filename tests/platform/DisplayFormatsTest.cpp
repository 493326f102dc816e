#include "platform/DisplayFormats.h"

#include "platform/DayCount.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// Every test runs with a locale of its own choosing, whatever the machine's.
class DisplayFormatsTest : public testing::Test
{
protected:
    void SetUp() override { SetDisplayLocale(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { SetDisplayLocale(QLocale()); }
};

TEST_F(DisplayFormatsTest, SizeTextShortAndDetailed)
{
    const std::tuple<qint64, bool, const char *> rows[] = {
        {0, false, "0KB"},
        {1, false, "1KB"},
        {1023, false, "1KB"},
        {1024, false, "1KB"},
        {1536, false, "2KB"},
        {1048576, false, "1,024KB"},
        {5368709120, false, "5,242,880KB"},
        {5000000000, false, "4,882,813KB"},
        {0, true, "0.00 bytes  (0 bytes)"},
        {1023, true, "1,023.00 bytes  (1,023 bytes)"},
        {1024, true, "1.00KB  (1,024 bytes)"},
        {1048575, true, "1,024.00KB  (1,048,575 bytes)"},
        {1048576, true, "1.00MB  (1,048,576 bytes)"},
        {5368709120, true, "5,120.00MB  (5,368,709,120 bytes)"},
        {5000000000, true, "4,768.37MB  (5,000,000,000 bytes)"}};
    for (const auto &[bytes, detailed, text] : rows)
        EXPECT_EQ(SizeText(bytes, detailed), QString::fromUtf8(text)) << bytes << ' ' << detailed;
}

TEST_F(DisplayFormatsTest, ShortDatesKeepTwoMonthLetters)
{
    const std::pair<const char *, const char *> rows[] = {
        {"dd-MMM-yyyy", "dd-MM-yyyy"}, {"d MMMM yy", "d MM yy"},
        {"MMM d, yyyy", "MM d, yyyy"}, {"M/d/yy", "M/d/yy"},
        {"MM/dd/yyyy", "MM/dd/yyyy"},  {"d.MMM 'MMM' yy", "d.MM 'MMM' yy"}};
    for (const auto &[format, expected] : rows)
        EXPECT_EQ(KeepTwoMonthLetters(QString::fromUtf8(format)), QString::fromUtf8(expected));
}

// Dates, times and the separators of sizes follow the display locale.
TEST_F(DisplayFormatsTest, DateTimeAndSizeTextsFollowTheLocale)
{
    EXPECT_EQ(ShortDateFormat(), u"M/d/yy"_s);
    EXPECT_EQ(DateTimeText(45000.25), u"3/15/23 6:00 AM"_s);
    SetDisplayLocale(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(DateTimeText(45000.75), u"15.03.23 18:00"_s);
    EXPECT_EQ(SizeText(1048576, true), u"1,00MB  (1.048.576 bytes)"_s);
    EXPECT_EQ(SizeText(1048576, false), u"1.024KB"_s);
    // The C locale (no LANG) has no usual notation of its own: ISO 8601.
    SetDisplayLocale(QLocale::c());
    EXPECT_EQ(DateTimeText(45000.25 + 5.0 / 86400), u"2023-03-15 06:00:05"_s);
}

TEST_F(DisplayFormatsTest, DateSortKeyAgreesWithTheDayCountRules)
{
    // Including counts before 1899 and a time that rounds up to midnight.
    for (const double count : {0.0, 45000.25, 45000.999999, 45000.0 + 86399.9996 / 86400, -1.25,
                               -700.5, 2.0 + 59.0 / 86400, 46000.0 - 1e-10}) {
        SCOPED_TRACE(count);
        EXPECT_EQ(DateSortKey(count), FromDayCount(count).toString(u"yyyyMMddhhmm"_s));
    }
    EXPECT_EQ(DateSortKey(45000.75), u"202303151800"_s);
}

TEST_F(DisplayFormatsTest, SizeSortKeysAreWholeKilobytesInFixedWidth)
{
    EXPECT_EQ(SizeSortKey(0), u"        0.000000"_s);
    EXPECT_EQ(SizeSortKey(100), SizeSortKey(400)); // both round to 0 KB
    EXPECT_EQ(SizeSortKey(1536), u"        2.000000"_s);
    for (const qint64 bytes : {qint64(-5000), qint64(0), qint64(511), qint64(512), qint64(1048576),
                               qint64(5368709120), qint64(1) << 50, qint64(1) << 62}) {
        SCOPED_TRACE(bytes);
        EXPECT_EQ(SizeSortKey(bytes), QString::asprintf("%16f", std::round(bytes / 1024.0)));
    }
    // Plain text order is size order, also across a change in digit count.
    const qint64 ascending[] = {0, 600, 9 * 1024, 10 * 1024, 1048576, 5368709120};
    for (size_t i = 1; i < std::size(ascending); ++i) {
        SCOPED_TRACE(ascending[i]);
        EXPECT_EQ(SizeSortKey(ascending[i]).size(), 16);
        EXPECT_LT(SizeSortKey(ascending[i - 1]), SizeSortKey(ascending[i]));
    }
}

TEST_F(DisplayFormatsTest, StatusTexts)
{
    EXPECT_EQ(ObjectCountText(1234), u"1234 object(s)"_s);
    EXPECT_EQ(SelectedCountText(0), u"0 object(s) selected"_s);
}

} // namespace

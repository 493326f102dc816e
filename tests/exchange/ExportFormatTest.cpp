#include "exchange/ExportFormat.h"

#include "platform/DayCount.h"
#include "platform/DisplayFormats.h"
#include "support/QtPrinters.h"

#include <QDate>
#include <QLocale>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Puts a display locale in place for one test and the default back after.
class LocaleScope
{
public:
    explicit LocaleScope(const QLocale &locale) { SetDisplayLocale(locale); }
    ~LocaleScope() { SetDisplayLocale(QLocale()); }
};

double DayCountOf(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return ToDayCount(QDateTime(QDate(year, month, day), QTime(hour, minute, second)));
}

} // namespace

TEST(ExportFieldTest, QuotesOnlyWhatNeedsIt)
{
    struct Case
    {
        QString field;
        QString written;
    };
    const Case cases[] = {
        {u"Readme.txt"_s, u"Readme.txt"_s},         {QString(), QString()},
        {u"My Docs"_s, u"\"My Docs\""_s},           {u"a,b"_s, u"\"a,b\""_s},
        {u"say \"hi\""_s, u"\"say \"\"hi\"\"\""_s}, {u"line\r\nbreak"_s, u"\"line\r\nbreak\""_s},
        {u"tab\there"_s, u"\"tab\there\""_s},       {u"Café"_s, u"Café"_s},
    };
    QByteArray built;
    ExportRecordBuilder builder(built);
    for (const Case &c : cases) {
        EXPECT_EQ(EncodeField(c.field), c.written) << c.field.toStdString();
        built.clear();
        builder.Utf8(c.field.toUtf8()).EndRecord();
        EXPECT_EQ(built, c.written.toUtf8() + "\r\n") << c.field.toStdString();
    }
    // Bytes that are no UTF-8 are written as the text read from them is.
    built.clear();
    builder.Utf8("Caf\xE9 x").Number(-12).Text(u"é"_s).EndRecord();
    EXPECT_EQ(built, "\"Caf\xEF\xBF\xBD x\",-12,\xC3\xA9\r\n");
}

TEST(ExportFieldTest, DecodingRules)
{
    // An empty last field after a trailing comma, the line end ignored.
    const QStringList tenth = DecodeExportRecord(u"a,b,c,d,e,f,g,h,i,\r\n"_s);
    ASSERT_EQ(tenth.size(), 10);
    EXPECT_EQ(tenth.back(), QString());
    // Blanks around fields are skipped; a plain field ends at a blank.
    EXPECT_EQ(DecodeExportRecord(u"  a , \"b c\" ,d e"_s),
              (QStringList{u"a"_s, u"b c"_s, u"d"_s, u"e"_s}));
    // Two commas in a row give an empty field between them.
    EXPECT_EQ(DecodeExportRecord(u"a,,b"_s), (QStringList{u"a"_s, QString(), u"b"_s}));
    EXPECT_TRUE(DecodeExportRecord(u"  \r\n"_s).isEmpty());
}

TEST(ExportTextTest, Windows1252WhenNotUtf8)
{
    const QByteArray utf8 = QString(u"Café € Ærø"_s).toUtf8();
    EXPECT_TRUE(IsValidUtf8(utf8));
    EXPECT_EQ(DecodeExternalText("\xEF\xBB\xBF" + utf8, ExternalEncoding::Utf8), u"Café € Ærø"_s);
    const QByteArray old("Caf\xE9 \x80 \xC6r\xF8 \x93q\x94");
    EXPECT_FALSE(IsValidUtf8(old));
    EXPECT_EQ(DecodeExternalText(old, ExternalEncoding::Windows1252),
              u"Café € Ærø \u201Cq\u201D"_s);
}

class ExportDateLocaleTest : public testing::TestWithParam<const char *>
{
};

TEST_P(ExportDateLocaleTest, SameMachineKeepsEveryDateToTheSecond)
{
    LocaleScope scope{QLocale(QString::fromLatin1(GetParam()))};
    const double dates[] = {DayCountOf(1996, 2, 29, 23, 59, 58), DayCountOf(1950, 1, 2, 0, 0, 1),
                            DayCountOf(2075, 12, 31, 12, 0, 0),  DayCountOf(1899, 12, 30, 6, 0, 0),
                            DayCountOf(1899, 12, 29, 6, 30, 0),  DayCountOf(2024, 7, 1, 13, 5, 9)};
    QByteArray built;
    ExportRecordBuilder builder(built);
    for (const double date : dates) {
        const QString text = ExportDateTimeText(date);
        built.clear();
        builder.DateTime(date).EndRecord();
        EXPECT_EQ(built, EncodeField(text).toUtf8() + "\r\n");
        const auto back = ParseExportDateTime(text);
        ASSERT_TRUE(back && *back) << text.toStdString();
        EXPECT_NEAR(**back, date, 0.5 / 86400) << text.toStdString();
    }
    // Midnight leaves the time out, and reads back as midnight.
    const QString midnight = ExportDateTimeText(DayCountOf(2001, 3, 4));
    EXPECT_FALSE(midnight.contains(u':')) << midnight.toStdString();
    EXPECT_EQ(**ParseExportDateTime(midnight), DayCountOf(2001, 3, 4));
}

INSTANTIATE_TEST_SUITE_P(Locales, ExportDateLocaleTest,
                         testing::Values("C", "en_US", "en_GB", "de_DE", "fr_FR", "ja_JP", "fi_FI",
                                         "ko_KR"));

TEST(ExportDateTest, ReadsOtherNotationsBeforeGivingUp)
{
    LocaleScope scope{QLocale(u"en_US"_s)};
    EXPECT_EQ(ExportDateTimeText(DayCountOf(2024, 7, 1, 13, 5, 9)), u"7/1/2024 1:05:09 PM"_s);
    // The current notation with a two-digit year, short times, am/pm.
    EXPECT_EQ(**ParseExportDateTime(u"3/5/95 10:15"_s), DayCountOf(1995, 3, 5, 10, 15));
    EXPECT_EQ(**ParseExportDateTime(u"3/5/95 12:15 am"_s), DayCountOf(1995, 3, 5, 0, 15));
    EXPECT_EQ(**ParseExportDateTime(u"3/5/30"_s), DayCountOf(2030, 3, 5));
    // ISO 8601, as files of other tools and other date orders carry.
    EXPECT_EQ(**ParseExportDateTime(u"2024-07-21 13:05:09"_s), DayCountOf(2024, 7, 21, 13, 5, 9));
    EXPECT_EQ(**ParseExportDateTime(u"2024-07-21T08:00"_s), DayCountOf(2024, 7, 21, 8));
    // Blank is a blank date-time; nonsense is refused.
    EXPECT_FALSE(ParseExportDateTime(QString())->has_value());
    // A day-first text that cannot be read month-first.
    EXPECT_EQ(**ParseExportDateTime(u"21/7/2024"_s), DayCountOf(2024, 7, 21));
    for (const QString &bad :
         {u"21/13/2024"_s, u"7/1/2024 25:00"_s, u"yesterday"_s, u"7/1/2024 1:05:09 PM x"_s})
        EXPECT_FALSE(ParseExportDateTime(bad)) << bad.toStdString();
}

TEST(ExportDateTest, DayFirstLocaleReadsItsOwnAndIsoTexts)
{
    LocaleScope scope{QLocale(u"de_DE"_s)};
    EXPECT_EQ(ExportDateTimeText(DayCountOf(2024, 7, 1, 13, 5, 9)), u"01.07.2024 13:05:09"_s);
    EXPECT_EQ(DateSeparator(), u"."_s);
    EXPECT_EQ(**ParseExportDateTime(u"21.07.24 08:00:00"_s), DayCountOf(2024, 7, 21, 8));
    EXPECT_EQ(**ParseExportDateTime(u"2024-07-21 08:00:00"_s), DayCountOf(2024, 7, 21, 8));
}

TEST(ExportDateTest, TheCLocaleWritesIso8601)
{
    LocaleScope scope{QLocale::c()};
    EXPECT_EQ(DateSeparator(), u"-"_s);
    EXPECT_EQ(ExportDateTimeText(DayCountOf(2024, 7, 1, 13, 5, 9)), u"2024-07-01 13:05:09"_s);
    EXPECT_EQ(**ParseExportDateTime(u"95-02-01 10:00:00"_s), DayCountOf(1995, 2, 1, 10));
    // Earlier builds wrote the C locale's own short date.
    EXPECT_EQ(**ParseExportDateTime(u"1 07 2024 13:05:09"_s), DayCountOf(2024, 7, 1, 13, 5, 9));
}

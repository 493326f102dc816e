#include "FindFixture.h"
#include "find/SearchSettings.h"
#include "platform/SettingsStore.h"
#include "store/CatalogSchema.h"

#include <QFile>

using namespace CatalogSchema;
using namespace Qt::StringLiterals;

namespace {

using CriteriaTest = FindFixture;

TEST_F(CriteriaTest, TrimsTheTextsBackIntoTheSettingsAndEmptyMaskMeansEverything)
{
    SearchSettings settings;
    settings.name = u"  *.txt  "_s;
    settings.labelId = u" DISK "_s;
    settings.source = u"\t/media "_s;
    settings.comment = u" cat "_s;
    SearchCriteria criteria;
    ASSERT_EQ(ValidateCriteria(settings, criteria), DateField::None);
    EXPECT_EQ(settings.name, u"*.txt"_s);
    EXPECT_EQ(settings.labelId, u"DISK"_s);
    EXPECT_EQ(settings.source, u"/media"_s);
    EXPECT_EQ(settings.comment, u"cat"_s);
    EXPECT_EQ(criteria.mask, u"*.txt"_s);
    settings.name = u"   "_s;
    ASSERT_EQ(ValidateCriteria(settings, criteria), DateField::None);
    EXPECT_EQ(settings.name, QString());
    EXPECT_EQ(criteria.mask, u"*.*"_s);
    EXPECT_FALSE(criteria.dateRestricted);
}

struct DateCase
{
    const char *from;
    const char *to;
    DateField failure;
};

class DateCheckTest : public FindFixture, public testing::WithParamInterface<DateCase>
{
};

TEST_P(DateCheckTest, RejectsTheFirstBadDateWithTheFormatInTheBox)
{
    const DateCase &c = GetParam();
    SearchSettings settings = Dated(QString::fromUtf8(c.from), QString::fromUtf8(c.to));
    SearchCriteria criteria;
    DateField shown = DateField::None;
    EXPECT_EQ(ValidateCriteria(settings, criteria, [&](DateField field) { shown = field; }),
              c.failure)
        << c.from << " / " << c.to;
    EXPECT_EQ(shown, c.failure);
    if (c.failure == DateField::None)
        return;
    const RecordedMessage box = m_ui.TakeSingleMessage();
    EXPECT_EQ(box.kind, MessageKind::Error);
    EXPECT_EQ(box.caption, u"Invalid Date"_s);
    EXPECT_EQ(box.text, u"The Date entered is invalid or the format is incorrect."
                        "\n\nPlease respecify in the format \"DD/MM/YYYY\""_s);
}

INSTANTIATE_TEST_SUITE_P(Dates, DateCheckTest,
                         testing::Values(DateCase{"1/1/1900", "31/12/2100", DateField::None},
                                         DateCase{"31/12/1899", "1/1/2000", DateField::From},
                                         DateCase{"1/1/2000", "1/1/2101", DateField::To},
                                         DateCase{"", "1/1/2000", DateField::From},
                                         DateCase{"31/02/2020", "1/1/2000", DateField::From},
                                         DateCase{"1/1/2000", "yesterday", DateField::To},
                                         DateCase{"bad", "worse", DateField::From},
                                         DateCase{"2020-03-04", "05.06.21", DateField::None}));

TEST_F(CriteriaTest, AFromDateAfterTheToDateIsSwappedAndTwoDigitYearsTakeTheWindow)
{
    SearchSettings settings = Dated(u"02/03/2024"_s, u"01/03/2024"_s);
    SearchCriteria criteria;
    ASSERT_EQ(ValidateCriteria(settings, criteria), DateField::None);
    EXPECT_EQ(settings.between, u"01/03/2024"_s);
    EXPECT_EQ(settings.andDate, u"02/03/2024"_s);
    EXPECT_EQ(criteria.toDay - criteria.fromDay, 1);
    EXPECT_EQ(criteria.fromDay, qint64(Day(2024, 3, 1)));

    // Fifty years back and forty-nine ahead of the current year.
    settings = Dated(u"1/1/95"_s, u"31/12/20"_s);
    ASSERT_EQ(ValidateCriteria(settings, criteria), DateField::None);
    EXPECT_EQ(criteria.fromDay, qint64(Day(1995, 1, 1)));
    EXPECT_EQ(criteria.toDay, qint64(Day(2020, 12, 31)));
}

TEST_F(CriteriaTest, ASavedSearchRoundTripsWithItsKeysInOrder)
{
    SearchSettings settings;
    settings.name = u"*.t?t"_s;
    settings.type = 12;
    settings.includeSubs = false;
    settings.allEntries = false;
    settings.notAllEntries = true;
    settings.between = u"01/01/2020"_s;
    settings.andDate = u"31/12/2020"_s;
    settings.comment = u"a, \"quoted\" = text"_s;
    settings.wholeWords = true;
    settings.matchCase = true;
    settings.labelId = u"DISK[0-9]"_s;
    settings.source = u"/media/ü"_s;
    const QString file = m_folder.filePath(u"saved.dvs"_s);
    ASSERT_TRUE(SaveSearchFile(file, settings));
    EXPECT_EQ(LoadSearchFile(file), settings);

    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(written.readAll()).split(u'\n', Qt::SkipEmptyParts);
    QStringList keys;
    for (const QString &line : lines.mid(1))
        keys << line.section(u'=', 0, 0);
    EXPECT_EQ(lines.first(), u"[Search Settings]"_s);
    EXPECT_EQ(keys, SearchSettingsKeys());
    EXPECT_EQ(lines.at(2), u"Type=12"_s);
    EXPECT_EQ(lines.at(3), u"Include Subs=0"_s);
}

// Other sections, other letter case and missing keys are read leniently; a
// lone carriage return ends a line, as in files from older systems, and the
// file is read as the saved search that saving would write again.
TEST_F(CriteriaTest, SavedSearchesAreReadLeniently)
{
    const QString file = m_folder.filePath(u"saved.dvs"_s);
    const auto load = [&](const QByteArray &bytes) {
        QFile out(file);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        out.close();
        return LoadSearchFile(file);
    };
    SearchSettings expected;
    expected.name = u"abc"_s;
    expected.matchCase = true;
    EXPECT_EQ(load("[Other]\nName=wrong\n[search settings]\nname=abc\nMatch Case=2\nType=99\n"
                   "Whole Words=yes\n"),
              expected);
    expected.name = u"*.th \x01"_s;
    EXPECT_EQ(load("[Search Settings]\rName=*.th \x01\rMatch Case=1\r"), expected);
    ASSERT_TRUE(SaveSearchFile(file, expected));
    EXPECT_EQ(LoadSearchFile(file), expected);
    EXPECT_FALSE(LoadSearchFile(m_folder.filePath(u"none.dvs"_s)).has_value());
}

TEST_F(CriteriaTest, TheSettingsSectionHoldsTheSameKeys)
{
    SettingsStore settings(SettingsStore::IniFile{m_folder.filePath(u"s.ini"_s)});
    EXPECT_EQ(ReadSearchSettings(settings), SearchSettings{});
    SearchSettings criteria;
    criteria.name = u"x"_s;
    criteria.type = 3;
    criteria.includeSubs = false;
    WriteSearchSettings(settings, criteria);
    EXPECT_EQ(ReadSearchSettings(settings), criteria);
    EXPECT_EQ(settings.ReadText(kSearchSettingsSection, u"Include Subs"_s), u"0"_s);
}

// Files with equal names, sizes and dates in groups at the start, the middle
// and the end of the sorted list, with single files between them.
class DuplicateTest : public FindFixture
{
protected:
    void SetUp() override
    {
        FindFixture::SetUp();
        m_data->RunInTransaction([&] {
            const qint64 disk = AddObject(kCatalogsId, u"Disk"_s, kHardDiskClass);
            const qint64 other = AddObject(kCatalogsId, u"Other"_s, kHardDiskClass);
            for (const qint64 owner : {disk, other, disk})
                AddFile(owner, u"aaa.txt"_s, 500);
            AddFile(disk, u"bbb.txt"_s, 500);
            AddFile(disk, u"mmm.txt"_s, 500);
            AddFile(other, u"MMM.TXT"_s, 500);
            AddFile(disk, u"ppp.txt"_s, 500);
            AddFile(disk, u"zzz.txt"_s, 100);
            AddFile(other, u"zzz.txt"_s, 100, Day(2021, 1, 1));
            AddFile(other, u"zzz.txt"_s, 900);
        });
    }
};

TEST_F(DuplicateTest, KeepsEveryGroupOfEqualKeysInKeyOrder)
{
    SearchSettings settings;
    settings.type = 11;
    EXPECT_EQ(Find(settings),
              (QStringList{u"aaa.txt"_s, u"aaa.txt"_s, u"aaa.txt"_s, u"mmm.txt"_s, u"MMM.TXT"_s}));
    settings.type = 12;
    EXPECT_EQ(Find(settings).mid(3),
              (QStringList{u"mmm.txt"_s, u"MMM.TXT"_s, u"zzz.txt"_s, u"zzz.txt"_s}));
    settings.type = 13;
    const QStringList byName = Find(settings);
    EXPECT_EQ(byName.size(), 8);
    EXPECT_EQ(byName.mid(5), QStringList(3, u"zzz.txt"_s));
    // A size key rounded to kilobytes would pair 100 and 900 bytes; sizes
    // compare exactly.
    settings.type = 12;
    settings.name = u"zzz"_s;
    const QStringList sized = Find(settings);
    EXPECT_EQ(sized.size(), 2);
    for (const FindHit &hit : m_last.hits)
        EXPECT_EQ(hit.size, 100);
}

TEST_F(DuplicateTest, TheReductionReportsItsStatus)
{
    QList<FindHit> hits;
    for (const char *key : {"A", "B", "B", "C"}) {
        FindHit hit;
        hit.entry.caption = QString::fromLatin1(key);
        hit.entry.imageIndex = 38;
        hit.entry.subItems = QStringList(6) << QString::fromLatin1(key);
        hits << hit;
    }
    QStringList statuses;
    SearchHooks hooks;
    hooks.status = [&](const QString &a, const QString &b) { statuses << a << b; };
    RemoveNonDuplicates(hits, hooks);
    EXPECT_EQ(Captions(hits), (QStringList{u"B"_s, u"B"_s}));
    EXPECT_EQ(statuses, (QStringList{u"Please Wait..."_s, u"Removing non-duplicated files...."_s}));
}

} // namespace

#pragma once

#include "find/SearchEngine.h"
#include "platform/DayCount.h"
#include "platform/DisplayFormats.h"
#include "store/CatalogRows.h"
#include "store/StoreFixture.h"

#include <algorithm>

using namespace Qt::StringLiterals;

// A catalog database in a temporary folder with helpers to add objects and
// files with chosen labels, sources, comments and dates, and to run searches.
class FindFixture : public StoreFixture
{
protected:
    void SetUp() override
    {
        SetDisplayLocale(QLocale(QLocale::English, QLocale::UnitedKingdom));
        StoreFixture::SetUp();
    }

    void TearDown() override
    {
        StoreFixture::TearDown();
        SetDisplayLocale(QLocale());
    }

    static double Day(int year, int month, int day, int hour = 12)
    {
        return ToDayCount(QDateTime(QDate(year, month, day), QTime(hour, 0)));
    }

    qint64 AddObject(qint64 parent, const QString &name, int cls, const QString &label = QString(),
                     const QString &source = QString(), const QString &comment = QString(),
                     double modified = Day(2020, 5, 1))
    {
        return AppendCatalogRow(m_data->Catalogs, name, source, parent, cls, false, modified,
                                modified, comment, label, 1000, 0);
    }

    qint64 AddFile(qint64 owner, const QString &name, qint64 size = 100,
                   double modified = Day(2020, 5, 1), const QString &comment = QString(),
                   bool packaged = false)
    {
        return InsertFileRow(*m_data, owner, name, size, comment, packaged, 32, modified, modified);
    }

    // Settings that restrict the search to dates between the two texts.
    static SearchSettings Dated(const QString &from, const QString &to)
    {
        SearchSettings settings;
        settings.allEntries = false;
        settings.notAllEntries = true;
        settings.between = from;
        settings.andDate = to;
        return settings;
    }

    // Validates and runs with m_sort; the captions of the hits in list order.
    QStringList Find(SearchSettings settings, qint64 start = 1)
    {
        SearchCriteria criteria;
        EXPECT_EQ(ValidateCriteria(settings, criteria), DateField::None);
        SearchRequest request;
        request.criteria = criteria;
        request.startId = start;
        request.sort = m_sort;
        m_last = RunSearch(*m_data, request);
        return Captions(m_last.hits);
    }

    static QStringList Captions(const QList<FindHit> &hits)
    {
        QStringList captions;
        for (const FindHit &hit : hits)
            captions << hit.entry.caption;
        return captions;
    }

    static QStringList Sorted(QStringList list)
    {
        list.sort();
        return list;
    }

    FindSortState m_sort;
    SearchResult m_last;
};

#pragma once

#include "platform/DayCount.h"
#include "platform/SettingsStore.h"
#include "store/CatalogRows.h"
#include "store/CatalogSchema.h"
#include "store/DataShare.h"
#include "support/QtPrinters.h"
#include "support/ScriptedUserInterface.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

// Adds a Files row as a scan would and returns its key.
inline qint64 InsertFileRow(TDataShare &data, qint64 owner, const QString &name, qint64 size,
                            const QString &comment = {}, bool packaged = false, int attributes = 32,
                            double created = 45000, double modified = 45000)
{
    data.CatalogDatabase
        .Prepare(u"INSERT INTO Files (ID, Class, Size, Name, Packaged, Comment, Created, Modified) "
                 "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)"_s)
        .Bind(1, owner)
        .Bind(2, attributes)
        .Bind(3, size)
        .Bind(4, name)
        .Bind(5, packaged ? 1 : 0)
        .Bind(6, comment)
        .Bind(7, created)
        .Bind(8, modified)
        .Execute();
    return data.CatalogDatabase.LastInsertId();
}

// The first column of the first row of a query (null when there is none),
// with ?1 bound when it has one.
inline QVariant QueryValue(TDataShare &data, const QString &sql, qint64 bound = 0)
{
    SqliteStatement &query = data.CatalogDatabase.Prepare(sql);
    if (sql.contains(u"?1"_s))
        query.Bind(1, bound);
    const QVariant value = query.Step() ? query.Value(0) : QVariant();
    query.Reset();
    return value;
}

inline qint64 QueryNumber(TDataShare &data, const QString &sql, qint64 bound = 0)
{
    return QueryValue(data, sql, bound).toLongLong();
}

// A fresh catalog database in a temporary folder, opened through the data
// module, with its own settings file and the scripted user interface.
class StoreFixture : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        m_settings = std::make_unique<SettingsStore>(
            SettingsStore::IniFile{m_folder.filePath(u"settings.ini"_s)});
        m_data = std::make_unique<TDataShare>(m_settings.get());
        ASSERT_TRUE(OpenFreshDatabase(*m_data, DatabasePath()));
    }

    void TearDown() override { m_data.reset(); }

    QString DatabasePath() const { return m_folder.filePath(u"db"_s); }

    // Adds an object under a parent and returns its ID.
    qint64 AddObject(qint64 parent, const QString &name, int cls = 7)
    {
        const double now = NowDayCount();
        return AppendCatalogRow(m_data->Catalogs, name, QString(), parent, cls, false, now, now,
                                QString(), QString(), 0, 0);
    }

    qint64 AddDisk(const QString &name, qint64 parent = CatalogSchema::kCatalogsId)
    {
        return AddObject(parent, name, CatalogSchema::kHardDiskClass);
    }

    qint64 AddFolder(const QString &name, qint64 parent = CatalogSchema::kCatalogsId)
    {
        return AddObject(parent, name, CatalogSchema::kCatalogFolderClass);
    }

    qint64 AddFile(qint64 owner, const QString &name, qint64 size = 100)
    {
        return InsertFileRow(*m_data, owner, name, size);
    }

    qint64 CountRows(const QString &sql, qint64 bound = 0)
    {
        return QueryNumber(*m_data, sql, bound);
    }

    QString QueryText(const QString &sql, qint64 bound = 0)
    {
        return QueryValue(*m_data, sql, bound).toString();
    }

    qint64 ParentOf(qint64 id)
    {
        return CountRows(u"SELECT Parent FROM Catalogs WHERE ID = ?1"_s, id);
    }

    QTemporaryDir m_folder;
    ScriptedUserInterface m_ui;
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<TDataShare> m_data;
};

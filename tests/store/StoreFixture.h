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

    // Adds a file row owned by an object and returns its key.
    qint64 AddFile(qint64 owner, const QString &name, qint64 size = 100)
    {
        SqliteStatement &insert = m_data->CatalogDatabase.Prepare(
            u"INSERT INTO Files (ID, Class, Size, Name, Packaged, Comment, Created, Modified) "
            "VALUES (?1, 32, ?2, ?3, 0, '', 45000, 45000)"_s);
        insert.Bind(1, owner).Bind(2, size).Bind(3, name).Execute();
        return m_data->CatalogDatabase.LastInsertId();
    }

    qint64 CountRows(const QString &sql, qint64 bound = 0)
    {
        SqliteStatement &query = m_data->CatalogDatabase.Prepare(sql);
        if (sql.contains(u"?1"_s))
            query.Bind(1, bound);
        query.Step();
        const qint64 count = query.Int64(0);
        query.Reset();
        return count;
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

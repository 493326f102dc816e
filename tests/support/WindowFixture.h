#pragma once

#include "explorer/CatalogueForm.h"
#include "platform/DisplayFormats.h"
#include "platform/SettingsStore.h"
#include "store/CatalogRows.h"
#include "store/CatalogSchema.h"
#include "store/DataShare.h"
#include "support/ScriptedUserInterface.h"
#include "support/TestEnvironment.h"
#include "ui/CatalogListModel.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// The captions of a list's entries, in their order.
inline QStringList CaptionsOf(const CatalogListModel *model)
{
    QStringList captions;
    for (const ListEntry &entry : model->Entries())
        captions << entry.caption;
    return captions;
}

// A window test's home: a temporary folder with the settings file, the data
// module on it and the scripted user interface. Builds catalog databases row
// by row and opens the main window on the one the settings remember. Texts
// are formatted as in the United States.
class WindowFixture : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        SetDisplayLocale(QLocale(QLocale::English, QLocale::UnitedStates));
        m_settings = std::make_unique<SettingsStore>(
            SettingsStore::IniFile{m_folder.filePath(QStringLiteral("settings.ini"))});
        m_data = std::make_unique<TDataShare>(m_settings.get());
    }

    void TearDown() override
    {
        m_form.reset();
        m_data.reset();
        SetDisplayLocale(QLocale());
    }

    // A fresh database in the named folder of the home, filled by fill in one
    // transaction and left open (Close it before a window opens it).
    QString OpenDatabase(const QString &name, const std::function<void()> &fill)
    {
        const QString folder = m_folder.filePath(name);
        EXPECT_TRUE(OpenFreshDatabase(*m_data, folder));
        EXPECT_TRUE(m_data->RunInTransaction(fill));
        return folder;
    }

    // The same, closed again; the settings remember it when remember is set.
    QString MakeDatabase(const QString &name, const std::function<void()> &fill,
                         bool remember = false)
    {
        const QString folder = OpenDatabase(name, fill);
        m_data->CloseDatabase(QString());
        if (remember)
            LastDatabase{folder}.Write(*m_settings);
        return folder;
    }

    qint64 AddObject(qint64 parent, const QString &name, int cls, const QString &source = {})
    {
        return AppendCatalogRow(m_data->Catalogs, name, source, parent, cls, false, 46000, 46000,
                                QString(), QString(), 0, 0);
    }

    qint64 AddFile(qint64 owner, const QString &name, qint64 size = 10, bool packaged = false)
    {
        m_data->CatalogDatabase
            .Prepare(QStringLiteral("INSERT INTO Files (ID, Class, Size, Name, Packaged, Comment, "
                                    "Created, Modified) VALUES (?1, 32, ?2, ?3, ?4, '', 46000, "
                                    "46000)"))
            .Bind(1, owner)
            .Bind(2, size)
            .Bind(3, name)
            .Bind(4, packaged ? 1 : 0)
            .Execute();
        return m_data->CatalogDatabase.LastInsertId();
    }

    // The main window, shown and active, on what the settings remember.
    TCatalogueForm &ShowMainWindow()
    {
        m_form = std::make_unique<TCatalogueForm>(*m_data, *m_settings);
        m_form->resize(800, 600);
        m_form->show();
        QApplication::setActiveWindow(m_form.get());
        return *m_form;
    }

    QAction *Action(const char *name) { return m_form->findChild<QAction *>(QLatin1String(name)); }

    qint64 Count(const QString &sql)
    {
        SqliteStatement &query = m_data->CatalogDatabase.Prepare(sql);
        query.Step();
        const qint64 count = query.Int64(0);
        query.Reset();
        return count;
    }

    // Truncates the open database's files under its connection and drops
    // the page cache, as memory pressure would: the next read fails.
    void TruncateOpenDatabase()
    {
        QFile::resize(TDataShare::FilesFilePath(m_data->DatabaseFolder), 0);
        QFile::resize(TDataShare::CatalogsFilePath(m_data->DatabaseFolder), 0);
        m_data->CatalogDatabase.ExecuteScript(QStringLiteral("PRAGMA shrink_memory"));
    }

    // The one box shown since the last take reports a database error
    // mentioning text, and the failed work left nothing open.
    void ExpectDatabaseError(const QString &text)
    {
        const RecordedMessage box = m_ui.TakeSingleMessage();
        EXPECT_EQ(box.caption, QStringLiteral("Database Error"));
        EXPECT_TRUE(box.text.contains(text)) << box.text.toStdString();
        EXPECT_FALSE(m_data->InTransaction());
        EXPECT_FALSE(m_ui.ProgressWindowOpen());
    }

    void Sql(const QString &script) { m_data->CatalogDatabase.ExecuteScript(script); }

    QTemporaryDir m_folder;
    ScriptedUserInterface m_ui;
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<TDataShare> m_data;
    std::unique_ptr<TCatalogueForm> m_form;
};

#pragma once

#include "../store/StoreFixture.h"
#include "exchange/ExportImport.h"
#include "platform/DisplayFormats.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QLocale>

#include <memory>

using namespace Qt::StringLiterals;

// A source database (the StoreFixture's) and a second, fresh database to
// import into; the display locale fixed so that date texts are known.
class ExchangeFixture : public StoreFixture
{
protected:
    void SetUp() override
    {
        SetDisplayLocale(QLocale(u"en_US"_s));
        StoreFixture::SetUp();
        m_target = OpenDatabase(u"target"_s);
    }

    void TearDown() override
    {
        m_target.reset();
        StoreFixture::TearDown();
        SetDisplayLocale(QLocale());
    }

    std::unique_ptr<TDataShare> OpenDatabase(const QString &name)
    {
        auto data = std::make_unique<TDataShare>(m_settings.get());
        EXPECT_TRUE(OpenFreshDatabase(*data, m_folder.filePath(name)));
        return data;
    }

    QString FilePath(const QString &name) const { return m_folder.filePath(name); }

    void WriteBytes(const QString &name, const QByteArray &bytes)
    {
        QFile file(FilePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray ReadBytes(const QString &name)
    {
        QFile file(FilePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Runs an import into a database as the menu command does: in one
    // transaction that a failure rolls back. True when it committed.
    bool Import(TDataShare &data, const QString &name)
    {
        return data.RunInTransaction([&] { ImportFile(data, FilePath(name)); });
    }

    // An object with every field given, under a parent.
    qint64 AddFullObject(TDataShare &data, qint64 parent, const QString &name, int cls,
                         const QString &comment = QString(), const QString &source = QString(),
                         const QString &serial = QString(), qint64 size = 0, qint64 volume = 0,
                         double created = 45000.5, double modified = 45001.25)
    {
        return AppendCatalogRow(data.Catalogs, name, source, parent, cls, false, created, modified,
                                comment, serial, size, volume);
    }

    qint64 AddFullFile(TDataShare &data, qint64 owner, const QString &name, qint64 size,
                       const QString &comment = QString(), bool packaged = false,
                       int attributes = 32, double created = 44000.75, double modified = 44001.5)
    {
        return InsertFileRow(data, owner, name, size, comment, packaged, attributes, created,
                             modified);
    }

    // Everything below an object (its own files included) as sorted text
    // lines, IDs left out: paths, fields, dates to the second.
    static QStringList Dump(TDataShare &data, qint64 root = 3)
    {
        const auto fields = [](const QStringList &names) {
            QStringList texts;
            for (const QString &name : names) {
                texts << (name.endsWith(u'@')
                              ? u"ifnull(cast(round(%1 * 86400) AS INTEGER), 'blank')"_s.arg(
                                    name.chopped(1))
                              : u"ifnull(%1, '')"_s.arg(name));
            }
            return texts.join(u" || '|' || "_s);
        };
        SqliteStatement &query = data.CatalogDatabase.Prepare(
            u"WITH RECURSIVE tree(id, path) AS (SELECT ?1, ?2 UNION ALL SELECT c.ID, tree.path || "
            "'\\' || ifnull(c.Name, '') FROM Catalogs c JOIN tree ON c.Parent = tree.id) "
            "SELECT 'O|' || path || '|' || %1 FROM tree JOIN Catalogs o ON o.ID = tree.id "
            "WHERE o.ID <> ?1 UNION ALL SELECT 'F|' || path || '|' || %2 FROM tree JOIN Files f "
            "ON f.ID = tree.id"_s.arg(
                fields({u"o.Class"_s, u"o.Source"_s, u"o.SerialID"_s, u"o.Size"_s, u"o.VolSize"_s,
                        u"o.Created@"_s, u"o.Modified@"_s, u"o.Comment"_s, u"o.NameHidden"_s,
                        u"o.Deleted"_s}),
                fields({u"f.Name"_s, u"f.Class"_s, u"f.Size"_s, u"f.Packaged"_s, u"f.Created@"_s,
                        u"f.Modified@"_s, u"f.Comment"_s})));
        query.Bind(1, root).Bind(2, data.Catalogs.PathByID(root, false));
        QStringList lines;
        while (query.Step())
            lines << query.Text(0);
        query.Reset();
        lines.sort();
        return lines;
    }

    std::unique_ptr<TDataShare> m_target;
};

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
        QStringList lines;
        auto date = [](const SqliteStatement &q, int column) {
            return q.IsNull(column) ? u"blank"_s
                                    : QString::number(qRound64(q.Double(column) * 86400));
        };
        QList<qint64> ids;
        data.Catalogs.WalkSubtree(
            root,
            [&](TableCursor &cursor, qint64 &, bool &) {
                ids.append(data.Catalogs.ItemID(&cursor));
            },
            nullptr);
        for (const qint64 id : ids) {
            const QString path = data.Catalogs.PathByID(id, false);
            SqliteStatement &object = data.CatalogDatabase.Prepare(
                u"SELECT Class, Source, SerialID, Size, VolSize, Created, Modified, Comment, "
                "NameHidden, Deleted FROM Catalogs WHERE ID = ?1"_s);
            object.Bind(1, id);
            // The root is found, not made, by an import: its own row is the target's.
            if (id != root && object.Step()) {
                lines << u"O|%1|%2|%3|%4|%5|%6|%7|%8|%9"_s.arg(
                             path, object.Text(0), object.Text(1), object.Text(2), object.Text(3),
                             object.Text(4), date(object, 5), date(object, 6), object.Text(7)) +
                             u'|' + object.Text(8) + u'|' + object.Text(9);
            }
            object.Reset();
            SqliteStatement &files = data.CatalogDatabase.Prepare(
                u"SELECT Name, Class, Size, Packaged, Created, Modified, Comment FROM Files "
                "WHERE ID = ?1 ORDER BY Key"_s);
            files.Bind(1, id);
            while (files.Step()) {
                lines << u"F|%1|%2|%3|%4|%5|%6|%7|%8"_s.arg(
                    path, files.Text(0), files.Text(1), files.Text(2), files.Text(3),
                    date(files, 4), date(files, 5), files.Text(6));
            }
            files.Reset();
        }
        lines.sort();
        return lines;
    }

    std::unique_ptr<TDataShare> m_target;
};

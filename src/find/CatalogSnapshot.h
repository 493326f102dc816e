#pragma once

#include <QList>
#include <QString>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

class TDataShare;

// What the search reads of both tables, held in memory in stored order. The
// first search over a database reads it (about as long as one pass over the
// tables); later searches reuse it until the database changes, which makes a
// search of a million files a scan of memory instead of the tables.
//
// Texts are kept as SQLite stores them (UTF-8); file names are also kept
// with ASCII letters upper-cased in one buffer, each name ended by a NUL, so
// that a substring search runs over all names at once.
class CatalogSnapshot final
{
public:
    struct Object
    {
        qint64 id = 0;
        qint64 parent = 0;
        bool hasParent = false;
        int cls = -1; // -1 when blank
        qint64 size = 0;
        double created = NAN; // NaN when blank
        double modified = NAN;
        std::string name;
        std::string source;
        std::string serial;
        QString comment;
    };

    std::vector<Object> objects; // in ID order

    // Files, one entry per row in stored order.
    std::vector<qint64> fileKey;
    std::vector<qint64> fileOwner;
    std::vector<int> fileAttributes;
    std::vector<qint64> fileSize;
    std::vector<char> filePackaged;
    std::vector<double> fileCreated;
    std::vector<double> fileModified;
    // Name i lies in names from nameStart[i], nameStart[i + 1] - nameStart[i] - 1
    // bytes long, followed by a NUL; upperNames has the same layout.
    std::vector<std::size_t> nameStart;
    std::string names;
    std::string upperNames;
    // Index into comments, -1 for a file without a comment.
    std::vector<int> fileComment;
    std::vector<QString> comments;

    std::size_t FileCount() const { return fileKey.size(); }
    const char *FileName(std::size_t i, std::size_t &length) const
    {
        length = nameStart[i + 1] - nameStart[i] - 1;
        return names.data() + nameStart[i];
    }
    // The file whose name holds the byte at an offset of names.
    std::size_t FileAtOffset(std::size_t offset) const;
    qint64 MaxObjectId() const;

    // The scope of a start object, worked out once per snapshot: the
    // objects do not change while it lives.
    const QList<qint64> *CachedScope(qint64 startId, bool includeSubs) const;
    void KeepScope(qint64 startId, bool includeSubs, const QList<qint64> &ids) const;

    // The snapshot of the open database, read now or kept from before; null
    // when the shared cancel flag ended the reading.
    static std::shared_ptr<const CatalogSnapshot> Of(TDataShare &data);
    // Forgets the kept snapshot (its memory is freed when no search holds it).
    static void Forget();

private:
    struct Scope
    {
        qint64 startId;
        bool includeSubs;
        QList<qint64> ids;
    };
    mutable std::vector<Scope> m_scopes;
};

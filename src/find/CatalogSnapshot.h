#pragma once

#include <QList>
#include <QString>

class RawRows;

#include <cmath>
#include <memory>
#include <string>
#include <vector>

class TDataShare;

// The catalog objects as the search reads them, held in memory in ID order.
// The first search over a database reads them; later searches reuse them
// (and the scopes worked out from them) until the database changes. The
// files are never copied: the search reads them through the name index or
// straight from their table.
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

    // The columns an object is read from, as the start of a query on the
    // Catalogs table, and the object of a row of such a query.
    static const char kObjectColumns[];
    static Object ObjectOf(const RawRows &row);

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

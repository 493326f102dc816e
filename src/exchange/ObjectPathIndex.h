#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QtGlobal>

#include <optional>

// The objects of a database by their full paths, as an import finds parents
// and duplicates. Each path is kept as a 128-bit digest, not as text: the
// index of a catalog with a great many folders stays a few dozen bytes per
// folder, and two different paths sharing a digest is far less likely than
// a failing disk.
class ObjectPathIndex final
{
public:
    void Clear();
    // Adds an object under its path, as written and upper-cased. With
    // keepFirst an object already known under a path keeps it.
    void Insert(const QString &path, qint64 id, bool keepFirst);
    // The object of a path written the same, or with anyCase in any letter case.
    std::optional<qint64> Find(const QString &path, bool anyCase) const;
    // Forgets every path that leads to one of the objects.
    void Forget(const QSet<qint64> &ids);
    qsizetype Size() const { return m_exact.size(); }

    struct Digest
    {
        quint64 first;
        quint64 second;
        friend bool operator==(const Digest &a, const Digest &b)
        {
            return a.first == b.first && a.second == b.second;
        }
    };

private:
    static Digest DigestOf(const QString &path);

    QHash<Digest, qint64> m_exact;
    QHash<Digest, qint64> m_anyCase; // by the upper-cased path
};

inline size_t qHash(const ObjectPathIndex::Digest &digest, size_t seed = 0) noexcept
{
    return size_t(digest.first) ^ seed;
}

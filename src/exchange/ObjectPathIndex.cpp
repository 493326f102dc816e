#include "exchange/ObjectPathIndex.h"

namespace {

// Two independent seeds give the two halves of a digest.
constexpr size_t kFirstSeed = 0x9e3779b97f4a7c15ULL;
constexpr size_t kSecondSeed = 0xc2b2ae3d27d4eb4fULL;

template<typename Key, typename Value>
void RemoveValues(QHash<Key, Value> &hash, const QSet<Value> &values)
{
    hash.removeIf([&](const auto &entry) { return values.contains(entry.value()); });
}

} // namespace

ObjectPathIndex::Digest ObjectPathIndex::DigestOf(const QString &path)
{
    const auto bytes = size_t(path.size()) * sizeof(QChar);
    return {quint64(qHashBits(path.constData(), bytes, kFirstSeed)),
            quint64(qHashBits(path.constData(), bytes, kSecondSeed))};
}

void ObjectPathIndex::Clear()
{
    m_exact.clear();
    m_anyCase.clear();
}

void ObjectPathIndex::Insert(const QString &path, qint64 id, bool keepFirst)
{
    const Digest exact = DigestOf(path);
    const Digest anyCase = DigestOf(path.toUpper());
    if (!keepFirst || !m_exact.contains(exact))
        m_exact.insert(exact, id);
    if (!keepFirst || !m_anyCase.contains(anyCase))
        m_anyCase.insert(anyCase, id);
}

std::optional<qint64> ObjectPathIndex::Find(const QString &path, bool anyCase) const
{
    if (const auto found = m_exact.constFind(DigestOf(path)); found != m_exact.constEnd())
        return *found;
    if (anyCase) {
        if (const auto found = m_anyCase.constFind(DigestOf(path.toUpper()));
            found != m_anyCase.constEnd())
            return *found;
    }
    return std::nullopt;
}

void ObjectPathIndex::Forget(const QSet<qint64> &ids)
{
    RemoveValues(m_exact, ids);
    RemoveValues(m_anyCase, ids);
}

#pragma once

#include "platform/ListSort.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>
#include <QList>
#include <QStringList>

#include <functional>

// The entries of the catalog list as a table: column 0 is the caption, the
// next columns are the entry's sub-items under the current headers. The
// hidden sort keys after them are kept in the entries but are no columns.
class CatalogListModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Role
    {
        ImageIndexRole = Qt::UserRole + 1, // int: class code or file icon index
        EntryDataRole                      // qint64: an object's ID or a file's Key
    };

    explicit CatalogListModel(QObject *parent = nullptr);
    ~CatalogListModel() override;
    Q_DISABLE_COPY_MOVE(CatalogListModel)

    // Sets the headers and the column shown right-aligned (-1 for none);
    // the entries are removed.
    void SetColumns(const QStringList &headers, int rightAlignedColumn);
    // The same with any number of right-aligned columns.
    void SetColumns(const QStringList &headers, const QList<int> &rightAlignedColumns);
    const QStringList &Columns() const { return m_headers; }

    // Replaces the entries.
    void SetEntries(QList<ListEntry> entries);
    void Clear();
    const QList<ListEntry> &Entries() const { return m_entries; }
    const ListEntry &Entry(int row) const { return m_entries.at(row); }
    // The first row whose entry carries the data, objects before files; -1 when none.
    int RowOfData(qint64 data) const;

    // Sorts the entries in place for a list mode (see CompareListItems);
    // selections and other persistent indexes follow their rows.
    void Sort(int mode, int column, bool ascending);

    // Replaces the entry of a row (after a rename or a comment).
    void SetEntry(int row, ListEntry entry);

    // Whether captions may be edited in place; only objects that may take a
    // new name in the list can be.
    void SetEditable(bool editable) { m_editable = editable; }
    bool Editable() const { return m_editable; }

    // Where the pictures of the entries come from, by image index.
    void SetIconProvider(std::function<QIcon(int)> provider);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // An edited caption is not stored here: it is reported, and the window
    // stores it in the catalog and sets the entry afterwards.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    // Dragging carries the IDs of the selected objects that may be dragged.
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDragActions() const override;

signals:
    // The user finished editing the caption of the entry carrying the data.
    void CaptionEdited(qint64 data, const QString &text);

private:
    QIcon IconFor(int imageIndex) const;

    QStringList m_headers;
    QList<int> m_rightAligned;
    QList<ListEntry> m_entries;
    bool m_editable = false;
    std::function<QIcon(int)> m_iconProvider;
    mutable QHash<int, QIcon> m_icons;
};

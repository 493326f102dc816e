#pragma once

#include <QStyledItemDelegate>

class QAbstractItemView;

// Draws the entries of an explorer list and places their rename editors. In
// a view laid out on a grid every entry takes its whole cell, so a label has
// all the room there is: two lines under a large icon before it is elided,
// the column's width beside a small one. The rename editor is made wide
// enough for the whole name, as far as the view reaches.
class ListItemDelegate final : public QStyledItemDelegate
{
    Q_DISABLE_COPY_MOVE(ListItemDelegate)

public:
    explicit ListItemDelegate(QAbstractItemView *view);
    ~ListItemDelegate() override;

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    // A label under a large icon may break inside a word too wide for a
    // line, so that it takes its two lines before it is elided.
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;

private:
    QAbstractItemView *m_view;
};

#include "ui/ListItemDelegate.h"

#include <QListView>
#include <QMetaProperty>
#include <QStyle>

namespace {

// Room left around an entry inside its grid cell, so that neighbours'
// highlights do not touch.
constexpr int kCellMargin = 2;

// A zero-width space: a place where a line may break.
constexpr char16_t kBreakHere = u'\u200B';

// A piece of text with a break allowed between any two of its characters.
QString BreakAnywhere(const QString &piece)
{
    QString spaced;
    for (qsizetype at = 0; at < piece.size(); ++at) {
        if (at > 0 && !piece.at(at).isLowSurrogate() && !piece.at(at).isMark())
            spaced += kBreakHere;
        spaced += piece.at(at);
    }
    return spaced;
}

// The text with a break allowed anywhere inside each piece that is wider
// than a line. Pieces end at blanks and after hyphens, where lines break
// anyway, so other words still break only there.
QString BreakLongWords(const QString &text, const QFontMetrics &metrics, int lineWidth)
{
    QString result;
    qsizetype start = 0;
    for (qsizetype at = 0; at <= text.size(); ++at) {
        const bool end = at == text.size() || text.at(at) == u' ' || text.at(at) == u'-';
        if (!end)
            continue;
        const qsizetype stop = at < text.size() ? at + 1 : at;
        const QString piece = text.mid(start, stop - start);
        result += metrics.horizontalAdvance(piece) > lineWidth ? BreakAnywhere(piece) : piece;
        start = stop;
    }
    return result;
}

} // namespace

ListItemDelegate::ListItemDelegate(QAbstractItemView *view)
    : QStyledItemDelegate(view)
    , m_view(view)
{
}

ListItemDelegate::~ListItemDelegate() = default;

QSize ListItemDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QSize natural = QStyledItemDelegate::sizeHint(option, index);
    const auto *list = qobject_cast<const QListView *>(m_view);
    if (!list || !list->gridSize().isValid())
        return natural;
    const QSize cell = list->gridSize();
    if (list->viewMode() == QListView::IconMode)
        return cell - QSize(2 * kCellMargin, 2 * kCellMargin);
    return {cell.width() - 2 * kCellMargin, natural.height()};
}

void ListItemDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (option->decorationPosition != QStyleOptionViewItem::Top ||
        !(option->features & QStyleOptionViewItem::WrapText) || option->rect.isEmpty())
        return;
    const QWidget *widget = option->widget;
    const QStyle *style = widget ? widget->style() : nullptr;
    const int margin =
        style ? style->pixelMetric(QStyle::PM_FocusFrameHMargin, option, widget) + 1 : 1;
    option->text =
        BreakLongWords(option->text, option->fontMetrics, option->rect.width() - 2 * margin);
}

void ListItemDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                            const QModelIndex &index) const
{
    QStyledItemDelegate::updateEditorGeometry(editor, option, index);
    QRect place = editor->geometry();
    const QFontMetrics metrics = editor->fontMetrics();
    // The stored name, or the name as typed so far when the view places its
    // editor again; then the editor's frame and margins, and room to type on.
    const QByteArray property = editor->metaObject()->userProperty().name();
    const QString typed =
        property.isEmpty() ? QString() : editor->property(property.constData()).toString();
    const int textWidth = qMax(metrics.horizontalAdvance(index.data(Qt::EditRole).toString()),
                               metrics.horizontalAdvance(typed));
    const int needed = textWidth + 3 * metrics.averageCharWidth() + 12;
    const QWidget *area = editor->parentWidget();
    const int areaWidth = area ? area->width() : needed;
    const int width = qMin(qMax(place.width(), needed), areaWidth);
    // A centred label (under a large icon) grows to both sides.
    const int left =
        option.displayAlignment & Qt::AlignHCenter ? place.center().x() - width / 2 : place.left();
    place = QRect(left, place.top(), width, qMax(place.height(), editor->sizeHint().height()));
    if (place.right() >= areaWidth)
        place.moveRight(areaWidth - 1);
    if (place.left() < 0)
        place.moveLeft(0);
    if (area && place.bottom() >= area->height())
        place.moveBottom(area->height() - 1);
    editor->setGeometry(place);
}

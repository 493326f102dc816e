#include "ui/ViewModeIcons.h"

#include <QPainter>
#include <QPixmap>

namespace {

const QColor kItem(40, 90, 170);
const QColor kText(90, 90, 90);

void Square(QPainter &painter, qreal x, qreal y, qreal side)
{
    painter.fillRect(QRectF(x, y, side, side), kItem);
}

void Line(QPainter &painter, qreal x, qreal y, qreal length)
{
    painter.fillRect(QRectF(x, y, length, 1.6), kText);
}

QPixmap Draw(int view, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 24.0, size / 24.0);
    switch (view) {
    case 0: // two rows of two large pictures with their names
        for (int row = 0; row < 2; ++row) {
            for (int column = 0; column < 2; ++column) {
                Square(painter, 3 + column * 10, 2 + row * 11, 7);
                Line(painter, 2.5 + column * 10, 10.5 + row * 11, 8);
            }
        }
        break;
    case 1: // small pictures with names, side by side
        for (int row = 0; row < 3; ++row) {
            for (int column = 0; column < 2; ++column) {
                Square(painter, 2 + column * 11, 3 + row * 7, 4);
                Line(painter, 7 + column * 11, 4.2 + row * 7, 4);
            }
        }
        break;
    case 2: // one column of small pictures with longer names
        for (int row = 0; row < 4; ++row) {
            Square(painter, 3, 2.5 + row * 5.2, 3.6);
            Line(painter, 8.5, 3.5 + row * 5.2, 12);
        }
        break;
    default: // a table: a name and three columns on each row
        for (int row = 0; row < 4; ++row) {
            Square(painter, 2, 2.5 + row * 5.2, 3.6);
            Line(painter, 7, 3.5 + row * 5.2, 6);
            Line(painter, 14.5, 3.5 + row * 5.2, 3);
            Line(painter, 19, 3.5 + row * 5.2, 3);
        }
        break;
    }
    return pixmap;
}

} // namespace

QIcon ViewModeIcon(int view)
{
    QIcon icon;
    for (int size : {16, 24, 32})
        icon.addPixmap(Draw(view, size));
    return icon;
}

#include "ui/SegmentedMeter.h"

#include <QPainter>

#include <algorithm>

namespace {
constexpr int kSegmentsWanted = 30;
constexpr int kGap = 2;
const QColor kSegmentColour(0, 0, 128);
} // namespace

QList<QRect> SegmentRects(const QRect &bar, int percent)
{
    const QRect inner = bar.adjusted(2, 2, -2, -2);
    const int span = inner.width() + kGap;
    const int pitch = span / kSegmentsWanted;
    if (pitch <= kGap || inner.height() <= 0)
        return {};
    const int count = span / pitch;
    // Half the width the whole segments leave over, less the gap.
    const int left = inner.left() + (span - count * pitch) / 2 - kGap;
    const int filled = std::clamp(percent, 0, 100) * count / 100;

    QList<QRect> rects;
    rects.reserve(filled);
    for (int i = 0; i < filled; ++i)
        rects.append(QRect(left + i * pitch, inner.top(), pitch - kGap, inner.height()));
    return rects;
}

int MeterPercent(qint64 position, qint64 maximum)
{
    if (maximum <= 0)
        return 0;
    const qint64 clamped = std::clamp<qint64>(position, 0, maximum);
    // Byte counts near the top of the range would overflow position * 100;
    // the product fits in 128 bits, and the bar never shows 100 too early.
    __extension__ using Wide = __int128;
    return static_cast<int>(Wide(clamped) * 100 / maximum);
}

SegmentedMeter::SegmentedMeter(QWidget *parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void SegmentedMeter::SetRange(qint64 maximum)
{
    m_maximum = std::max<qint64>(maximum, 0);
    m_position = 0;
    update();
}

void SegmentedMeter::SetPosition(qint64 position)
{
    const qint64 clamped = std::clamp<qint64>(position, 0, m_maximum);
    if (clamped == m_position)
        return;
    const int before = Percent();
    m_position = clamped;
    if (Percent() != before)
        update();
}

QSize SegmentedMeter::sizeHint() const
{
    return {300, 20};
}

void SegmentedMeter::paintEvent(QPaintEvent *)
{
    if (m_maximum <= 0)
        return;
    QPainter painter(this);
    // A sunken frame around the segments, like a field.
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(frame.topLeft(), frame.topRight());
    painter.drawLine(frame.topLeft(), frame.bottomLeft());
    painter.setPen(palette().color(QPalette::Light));
    painter.drawLine(frame.bottomLeft(), frame.bottomRight());
    painter.drawLine(frame.topRight(), frame.bottomRight());
    for (const QRect &segment : SegmentRects(rect(), Percent()))
        painter.fillRect(segment, kSegmentColour);
}

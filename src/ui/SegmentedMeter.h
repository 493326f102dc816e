#pragma once

#include <QList>
#include <QRect>
#include <QWidget>

// The filled segments of a segmented bar drawn in `bar` at `percent`
// (clamped to 0..100), from the left. The bar is shrunk by 2 pixels on each
// side; the pitch is (width + 2) / 30 and as many segments as fit are
// centred; each filled segment is pitch - 2 pixels wide. Too narrow a bar
// gives no segments.
QList<QRect> SegmentRects(const QRect &bar, int percent);

// position * 100 / maximum in 0..100 without overflow for any 64-bit
// counts; 0 when maximum is not positive.
int MeterPercent(qint64 position, qint64 maximum);

// The progress window's bar: navy segments on the window background. Counts
// are 64-bit (bytes of an archive); a maximum of 0 draws nothing.
class SegmentedMeter final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SegmentedMeter)

public:
    explicit SegmentedMeter(QWidget *parent = nullptr);

    // Sets the maximum and puts the position back to 0.
    void SetRange(qint64 maximum);
    // Clamped to 0..maximum.
    void SetPosition(qint64 position);

    qint64 Maximum() const { return m_maximum; }
    qint64 Position() const { return m_position; }
    int Percent() const { return MeterPercent(m_position, m_maximum); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    qint64 m_maximum = 100;
    qint64 m_position = 0;
};

#include "ui/ProgressAnimation.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Every animation is drawn on this canvas and scaled to the panel.
constexpr QSizeF kCanvas(447, 72);
constexpr int kFrameMilliseconds = 80;
constexpr double kPi = std::numbers::pi;

const QColor kNavy(0, 0, 128);
const QColor kOutline(64, 64, 64);
const QColor kFolderColour(236, 196, 92);
const QColor kCardboard(196, 152, 96);

double Lerp(double from, double to, double t)
{
    return from + (to - from) * t;
}

// Phase of the i-th of n objects that follow each other along one path.
double Staggered(double t, int i, int n)
{
    return std::fmod(t + double(i) / n, 1.0);
}

// A point on an arc from `from` to `to` that rises by `lift` in the middle.
QPointF Arc(QPointF from, QPointF to, double lift, double t)
{
    return {Lerp(from.x(), to.x(), t), Lerp(from.y(), to.y(), t) - std::sin(t * kPi) * lift};
}

void DrawPaper(QPainter &p, QPointF centre, double angle, double opacity = 1.0, double scale = 1.0)
{
    p.save();
    p.setOpacity(opacity);
    p.translate(centre);
    p.rotate(angle);
    p.scale(scale, scale);
    const QRectF sheet(-8, -10, 16, 20);
    p.setPen(QPen(kOutline, 0.8));
    p.setBrush(Qt::white);
    p.drawRect(sheet);
    p.setPen(QPen(QColor(128, 128, 160), 1));
    for (int line = 0; line < 4; ++line)
        p.drawLine(QPointF(-5, -6 + line * 4), QPointF(line == 3 ? 1 : 5, -6 + line * 4));
    p.restore();
}

// A compact disc seen from above, turned by `spin` degrees.
void DrawDisc(QPainter &p, QPointF centre, double radius, double spin)
{
    p.save();
    p.translate(centre);
    p.setPen(QPen(kOutline, 1));
    QRadialGradient silver(QPointF(0, 0), radius);
    silver.setColorAt(0, QColor(250, 250, 250));
    silver.setColorAt(1, QColor(176, 180, 196));
    p.setBrush(silver);
    p.drawEllipse(QPointF(0, 0), radius, radius);
    // The rainbow sheen that shows the turning.
    p.rotate(spin);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 160, 255, 110));
    p.drawPie(QRectF(-radius, -radius, 2 * radius, 2 * radius), 0, 40 * 16);
    p.setBrush(QColor(255, 200, 120, 110));
    p.drawPie(QRectF(-radius, -radius, 2 * radius, 2 * radius), 180 * 16, 40 * 16);
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(230, 230, 236));
    p.drawEllipse(QPointF(0, 0), radius * 0.3, radius * 0.3);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(0, 0), radius * 0.1, radius * 0.1);
    p.restore();
}

// A disk drive box with its busy light.
void DrawDrive(QPainter &p, const QRectF &box, bool lightOn)
{
    p.save();
    QLinearGradient metal(box.topLeft(), box.bottomLeft());
    metal.setColorAt(0, QColor(200, 200, 208));
    metal.setColorAt(1, QColor(128, 128, 140));
    p.setPen(QPen(kOutline, 1));
    p.setBrush(metal);
    p.drawRoundedRect(box, 4, 4);
    p.setPen(QPen(QColor(48, 48, 56), 2));
    const double slotY = box.top() + box.height() * 0.4;
    p.drawLine(QPointF(box.left() + 8, slotY), QPointF(box.right() - 8, slotY));
    p.setPen(QPen(kOutline, 0.8));
    p.setBrush(lightOn ? QColor(40, 220, 40) : QColor(20, 90, 20));
    p.drawEllipse(QPointF(box.right() - 10, box.bottom() - 8), 3, 3);
    p.restore();
}

void DrawFolder(QPainter &p, QPointF centre)
{
    p.save();
    p.translate(centre);
    p.setPen(QPen(kOutline, 1));
    p.setBrush(kFolderColour.darker(115));
    p.drawRoundedRect(QRectF(-28, -22, 22, 8), 2, 2);
    p.drawRect(QRectF(-28, -18, 56, 38));
    p.setBrush(kFolderColour);
    QPainterPath front;
    front.moveTo(-28, 20);
    front.lineTo(-24, -8);
    front.lineTo(32, -8);
    front.lineTo(28, 20);
    front.closeSubpath();
    p.drawPath(front);
    p.restore();
}

// A wire wastebasket standing on `base` (the middle of its bottom edge).
void DrawBasket(QPainter &p, QPointF base)
{
    p.save();
    p.translate(base);
    QPolygonF body;
    body << QPointF(-15, 0) << QPointF(15, 0) << QPointF(21, -44) << QPointF(-21, -44);
    p.setPen(QPen(kOutline, 1.2));
    p.setBrush(QColor(170, 190, 210));
    p.drawPolygon(body);
    p.setPen(QPen(QColor(110, 130, 150), 1));
    for (int rib = -2; rib <= 2; ++rib)
        p.drawLine(QPointF(rib * 6, -2), QPointF(rib * 8.4, -42));
    p.setPen(QPen(kOutline, 1.2));
    p.setBrush(QColor(140, 160, 185));
    p.drawRoundedRect(QRectF(-23, -47, 46, 5), 2, 2);
    p.restore();
}

// An open cardboard box standing on `base`.
void DrawBox(QPainter &p, QPointF base)
{
    p.save();
    p.translate(base);
    p.setPen(QPen(kOutline, 1));
    p.setBrush(kCardboard.darker(112));
    QPolygonF leftFlap;
    leftFlap << QPointF(-26, -34) << QPointF(-38, -44) << QPointF(-14, -44) << QPointF(-4, -34);
    QPolygonF rightFlap;
    rightFlap << QPointF(26, -34) << QPointF(38, -44) << QPointF(14, -44) << QPointF(4, -34);
    p.drawPolygon(leftFlap);
    p.drawPolygon(rightFlap);
    p.setBrush(kCardboard);
    p.drawRect(QRectF(-26, -34, 52, 34));
    p.setPen(QPen(kCardboard.darker(140), 1));
    p.drawLine(QPointF(-26, -26), QPointF(26, -26));
    p.restore();
}

// The document that 182 breaks up, made once.
const QImage &DissolvingDocument()
{
    static const QImage image = [] {
        QImage sheet(36, 46, QImage::Format_ARGB32_Premultiplied);
        sheet.fill(Qt::transparent);
        QPainter p(&sheet);
        p.setPen(QPen(kOutline, 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(0.5, 0.5, 35, 45));
        p.fillRect(QRectF(4, 4, 28, 7), kNavy);
        p.setPen(QPen(QColor(128, 128, 160), 1.5));
        for (int line = 0; line < 6; ++line)
            p.drawLine(QPointF(5, 17 + line * 5), QPointF(line == 5 ? 20 : 31, 17 + line * 5));
        return sheet;
    }();
    return image;
}

// A fixed, evenly spread order in which the pieces of the document go.
double PieceThreshold(int column, int row)
{
    const unsigned hash = (unsigned(column) * 73856093U) ^ (unsigned(row) * 19349663U);
    return double(hash % 997) / 997.0;
}

void PaintValidating(QPainter &p, double t, int frame)
{
    const QPointF disc(120, 36);
    DrawDisc(p, disc, 30, t * 360 * 2);
    // The read head swings across the disc.
    const double reach = 0.5 + 0.5 * std::sin(t * 2 * kPi);
    p.setPen(QPen(QColor(80, 80, 90), 4, Qt::SolidLine, Qt::RoundCap));
    const QPointF pivot(190, 10);
    const QPointF head(Lerp(165, 132, reach), Lerp(22, 30, reach));
    p.drawLine(pivot, head);
    p.setPen(QPen(kOutline, 1));
    p.setBrush(kNavy);
    p.drawRect(QRectF(head.x() - 4, head.y() - 3, 8, 6));
    p.setBrush(QColor(120, 120, 130));
    p.drawEllipse(pivot, 5, 5);
    // What has been read so far.
    const int read = int(t * 13);
    for (int i = 0; i < 12; ++i) {
        const QRectF cell(220 + i * 16, 28, 12, 16);
        p.setPen(QPen(kOutline, 0.8));
        p.setBrush(i < read ? QBrush(kNavy) : QBrush(Qt::white));
        p.drawRect(cell);
    }
    DrawDrive(p, QRectF(220, 50, 60, 16), frame % 4 < 2);
}

void PaintCopying(QPainter &p, double t, int frame)
{
    const QRectF drive(28, 30, 80, 30);
    const QPointF folder(385, 40);
    for (int i = 0; i < 3; ++i) {
        const double s = Staggered(t, i, 3);
        DrawPaper(p, Arc(QPointF(90, 40), QPointF(380, 40), 30, s), std::sin(s * 2 * kPi) * 25);
    }
    DrawDrive(p, drive, frame % 4 < 2);
    DrawFolder(p, folder);
}

void PaintEmptying(QPainter &p, double t)
{
    const QPointF base(223, 70);
    for (int i = 0; i < 3; ++i) {
        const double s = Staggered(t, i, 3);
        const QPointF at(base.x() + std::sin(s * 2 * kPi + i * 2) * 40 * s, 55 - s * 55);
        DrawPaper(p, at, (i - 1) * 30 * s, 1.0 - s * s, 1.0 - 0.3 * s);
    }
    DrawBasket(p, base);
}

void PaintDeleting(QPainter &p, double t)
{
    const QImage &document = DissolvingDocument();
    const QPointF origin(223 - document.width() / 2.0, 13);
    // Whole for a moment, then piece by piece it drifts up and fades.
    const double gone = std::clamp((t - 0.15) / 0.7, 0.0, 1.0);
    constexpr int kPiece = 4;
    for (int row = 0; row * kPiece < document.height(); ++row) {
        for (int column = 0; column * kPiece < document.width(); ++column) {
            const double start = PieceThreshold(column, row) * 0.7;
            const double age = std::max(0.0, gone - start);
            const double opacity = std::max(0.0, 1.0 - age * 3.5);
            if (opacity <= 0)
                continue;
            p.setOpacity(opacity);
            const QPointF drift(age * 60 + (column - 4) * age * 6, -age * 40);
            const QRect piece(column * kPiece, row * kPiece, kPiece, kPiece);
            p.drawImage(origin + QPointF(piece.topLeft()) + drift, document, piece);
        }
    }
    p.setOpacity(1);
}

void PaintMovingToWastebasket(QPainter &p, double t)
{
    DrawFolder(p, QPointF(90, 40));
    const QPointF base(360, 70);
    for (int i = 0; i < 2; ++i) {
        const double s = Staggered(t, i, 2);
        DrawPaper(p, Arc(QPointF(100, 34), QPointF(360, 36), 34, s), s * 200);
    }
    DrawBasket(p, base);
}

void PaintMovingToVolume(QPainter &p, double t, int frame)
{
    DrawDrive(p, QRectF(28, 22, 80, 30), frame % 4 < 2);
    constexpr int kBlocks = 8;
    p.setPen(QPen(kOutline, 0.8));
    for (int i = 0; i < kBlocks; ++i) {
        const double s = Staggered(t, i, kBlocks);
        const double x = Lerp(116, 330, s);
        const double size = 6 + 4 * std::sin(s * kPi);
        p.setBrush(i % 2 ? kNavy : QColor(60, 90, 200));
        p.drawRect(QRectF(x - size / 2, 37 - size / 2, size, size));
    }
    DrawDisc(p, QPointF(372, 36), 30, t * 360);
}

void PaintExchanging(QPainter &p, double t)
{
    const QPointF from(80, 66);
    const QPointF to(367, 66);
    DrawBox(p, from);
    DrawBox(p, to);
    // Out of one box, over, and down into the other; drawn before the box
    // fronts only while it is low enough to be inside one.
    const double s = std::clamp((t - 0.05) / 0.9, 0.0, 1.0);
    const QPointF at = Arc(QPointF(80, 40), QPointF(367, 40), 32, s);
    DrawPaper(p, at, std::sin(s * kPi) * -20, 1.0, 1.4);
    if (s <= 0.0 || s >= 1.0) {
        // Resting inside a box: show only the part above its rim.
        p.fillRect(QRectF(at.x() - 27, 32, 54, 34), kCardboard);
        p.setPen(QPen(kOutline, 1));
        p.setBrush(kCardboard);
        p.drawRect(QRectF(at.x() - 26, 32, 52, 34));
        p.setPen(QPen(kCardboard.darker(140), 1));
        p.drawLine(QPointF(at.x() - 26, 40), QPointF(at.x() + 26, 40));
    }
}

void PaintCompressing(QPainter &p, double t)
{
    const double squeeze = (1 - std::cos(t * 2 * kPi)) / 2;
    const double floor = 66;
    // The frame of the press.
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(110, 110, 124));
    p.drawRect(QRectF(163, 2, 120, 6));
    p.drawRect(QRectF(163, 8, 6, 60));
    p.drawRect(QRectF(277, 8, 6, 60));
    p.drawRect(QRectF(155, floor, 136, 5));
    // The block: wider and flatter as the plate comes down.
    const double height = 36 - squeeze * 20;
    const double width = 64 + squeeze * 20;
    const QRectF block(223 - width / 2, floor - height, width, height);
    QLinearGradient fill(block.topLeft(), block.bottomLeft());
    fill.setColorAt(0, QColor(90, 120, 220));
    fill.setColorAt(1, kNavy);
    p.setBrush(fill);
    p.drawRect(block);
    p.setPen(QPen(QColor(200, 210, 255, 160), 1));
    for (int line = 1; line < 4; ++line) {
        const double y = block.top() + block.height() * line / 4;
        p.drawLine(QPointF(block.left() + 3, y), QPointF(block.right() - 3, y));
    }
    // The screw and the plate resting on the block.
    const double plateTop = block.top() - 7;
    p.setPen(QPen(kOutline, 1));
    p.setBrush(QColor(170, 170, 180));
    p.drawRect(QRectF(219, 8, 8, plateTop - 8));
    p.setBrush(QColor(140, 140, 152));
    p.drawRect(QRectF(223 - 48, plateTop, 96, 7));
}

} // namespace

ProgressAnimation::ProgressAnimation(QWidget *parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(int(kCanvas.height()));
    m_timer.setInterval(kFrameMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, &ProgressAnimation::TimerTick);
}

void ProgressAnimation::Play(int animation)
{
    m_animation = animation;
    m_frame = 0;
    if (animation >= kFirst && animation <= kLast)
        m_timer.start();
    else
        m_timer.stop();
    update();
}

void ProgressAnimation::Stop()
{
    m_timer.stop();
}

void ProgressAnimation::TimerTick()
{
    m_frame = (m_frame + 1) % kFrames;
    update();
}

QSize ProgressAnimation::sizeHint() const
{
    return kCanvas.toSize();
}

void ProgressAnimation::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    PaintFrame(painter, rect(), m_animation, m_frame);
}

void ProgressAnimation::PaintFrame(QPainter &painter, const QRect &area, int animation, int frame)
{
    if (animation < kFirst || animation > kLast || area.isEmpty())
        return;
    frame = ((frame % kFrames) + kFrames) % kFrames;
    const double t = double(frame) / kFrames;

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    // Keep the canvas's proportions, centred in the area.
    const double scale = std::min(area.width() / kCanvas.width(), area.height() / kCanvas.height());
    painter.translate(area.center().x() - kCanvas.width() * scale / 2,
                      area.center().y() - kCanvas.height() * scale / 2);
    painter.scale(scale, scale);
    painter.setClipRect(QRectF(QPointF(0, 0), kCanvas));
    switch (animation) {
    case 179:
        PaintValidating(painter, t, frame);
        break;
    case 180:
        PaintCopying(painter, t, frame);
        break;
    case 181:
        PaintEmptying(painter, t);
        break;
    case 182:
        PaintDeleting(painter, t);
        break;
    case 183:
        PaintMovingToWastebasket(painter, t);
        break;
    case 184:
        PaintMovingToVolume(painter, t, frame);
        break;
    case 185:
        PaintExchanging(painter, t);
        break;
    case 186:
        PaintCompressing(painter, t);
        break;
    }
    painter.restore();
}

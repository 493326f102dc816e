// Paints the object and file icons of the catalog explorer and writes them as
// PNG files: <folder>/16/NN.png and <folder>/32/NN.png, NN being the image
// index (class codes 0..26, file icons 31..41). With --sheet FILE it also
// writes a contact sheet of every icon at both sizes, magnified, for review.
// With --app-icons FOLDER NAME it writes the program's own icon (the catalog
// database) into an icon theme's layout, FOLDER/NxN/apps/NAME.png, at the
// sizes desktops look for.
//
// Every picture is drawn once on a 32-unit grid and rendered at both sizes;
// where 16 pixels cannot carry a detail the painter leaves it out, and the
// fill gauge of the archive volumes is laid out in whole device pixels so that
// its eleven levels stay apart at 16 pixels.
//
//   cmake --build build --target object_icons

#include <QColor>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>

#include <cmath>
#include <functional>
#include <map>
#include <numbers>

namespace {

struct Palette
{
    QColor fill;
    QColor dark;
    QColor light;
};

const Palette kManila{QColor(0xf5, 0xc8, 0x4c), QColor(0x9c, 0x6d, 0x0c), QColor(0xfc, 0xe4, 0x9a)};
const Palette kCatalogBlue{QColor(0x5a, 0x94, 0xd8), QColor(0x1f, 0x4a, 0x82),
                           QColor(0xa8, 0xcc, 0xf2)};
const Palette kArchiveBrown{QColor(0xc9, 0x8a, 0x4e), QColor(0x6b, 0x3f, 0x16),
                            QColor(0xe8, 0xbf, 0x90)};
const QColor kOutline(0x40, 0x40, 0x40);
const QColor kPaper(0xff, 0xff, 0xff);
const QColor kPaperEdge(0x6e, 0x6e, 0x6e);

// One icon being painted: the painter works in 32-unit coordinates whatever
// the device size; small tells the painter to leave fine detail out.
struct Canvas
{
    QPainter &p;
    int size;
    bool small() const { return size < 24; }
    // A pen one device pixel wide.
    QPen Hair(const QColor &color) const
    {
        QPen pen(color, 32.0 / size);
        pen.setJoinStyle(Qt::MiterJoin);
        return pen;
    }
    // The width of n device pixels in grid units.
    qreal Px(qreal n) const { return n * 32.0 / size; }
};

// A shape filled and outlined with a one-pixel line that lies inside its bounds.
void Outlined(Canvas &c, const QPainterPath &shape, const QBrush &fill, const QColor &edge)
{
    c.p.save();
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(edge);
    c.p.drawPath(shape);
    c.p.restore();
    // The inner area: the shape shrunk by one device pixel.
    QPainterPathStroker stroker;
    stroker.setWidth(c.Px(2));
    stroker.setJoinStyle(Qt::MiterJoin);
    const QPainterPath inner = shape.subtracted(stroker.createStroke(shape));
    c.p.save();
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(fill);
    c.p.drawPath(inner);
    c.p.restore();
}

QPainterPath RectPath(qreal x, qreal y, qreal w, qreal h)
{
    QPainterPath path;
    path.addRect(x, y, w, h);
    return path;
}

QPainterPath RoundPath(qreal x, qreal y, qreal w, qreal h, qreal r)
{
    QPainterPath path;
    path.addRoundedRect(x, y, w, h, r, r);
    return path;
}

QPainterPath Polygon(std::initializer_list<QPointF> points)
{
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(points)));
    path.closeSubpath();
    return path;
}

// A sheet of paper with a folded top-right corner.
void Page(Canvas &c, qreal x, qreal y, qreal w, qreal h, const QColor &paper = kPaper)
{
    const qreal fold = 8;
    Outlined(c, Polygon({{x, y}, {x + w - fold, y}, {x + w, y + fold}, {x + w, y + h}, {x, y + h}}),
             paper, kPaperEdge);
    Outlined(c, Polygon({{x + w - fold, y}, {x + w - fold, y + fold}, {x + w, y + fold}}),
             QColor(0xdd, 0xdd, 0xdd), kPaperEdge);
}

// Lines of text on a page between x0 and x1, starting at y.
void TextLines(Canvas &c, qreal x0, qreal x1, qreal y, int count, const QColor &color)
{
    c.p.save();
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(color);
    const qreal step = c.small() ? 6 : 3;
    for (int i = 0; i < count; ++i) {
        const qreal right = (i % 3 == 2) ? x0 + (x1 - x0) * 0.6 : x1;
        c.p.drawRect(QRectF(x0, y + i * step, right - x0, c.Px(1)));
    }
    c.p.restore();
}

// A folder seen from the front: a back panel with a tab and a front panel;
// open folders tilt the front panel.
void Folder(Canvas &c, const Palette &colors, bool open, qreal top = 6)
{
    const QPainterPath back =
        Polygon({{2, top}, {12, top}, {14, top + 2}, {30, top + 2}, {30, 28}, {2, 28}});
    Outlined(c, back, colors.fill.darker(115), colors.dark);
    if (open) {
        // A sheet inside the open folder.
        Outlined(c, RectPath(6, top + 4, 20, 10), kPaper, kPaperEdge);
        const QPainterPath front = Polygon({{2, 28}, {6, top + 8}, {30, top + 8}, {26, 28}});
        Outlined(c, front, colors.fill, colors.dark);
    } else {
        Outlined(c, RectPath(2, top + 6, 28, 28 - top - 6), colors.fill, colors.dark);
        if (!c.small()) {
            c.p.setPen(c.Hair(colors.light));
            c.p.drawLine(QPointF(3.5, top + 7.5), QPointF(28.5, top + 7.5));
        }
    }
}

// The zipper down a page or folder: alternating teeth around a centre line.
void Zipper(Canvas &c, qreal x, qreal y0, qreal y1)
{
    c.p.save();
    c.p.setPen(Qt::NoPen);
    const qreal tooth = 2;
    bool left = true;
    for (qreal y = y0; y + tooth <= y1; y += tooth) {
        c.p.setBrush(QColor(0x50, 0x50, 0x50));
        c.p.drawRect(QRectF(left ? x - 2 : x, y, 2, tooth));
        left = !left;
    }
    // The slider.
    Outlined(c, RectPath(x - 4, y0 - 2, 8, 6), QColor(0xc0, 0xc0, 0xc0), QColor(0x30, 0x30, 0x30));
    c.p.restore();
}

void Database(Canvas &c)
{
    // Three stacked discs make a cylinder.
    const QColor side(0x4f, 0x7d, 0xb3);
    const QColor top(0xa9, 0xc8, 0xea);
    const QColor edge(0x1d, 0x3a, 0x63);
    QPainterPath body;
    body.moveTo(4, 7);
    body.lineTo(4, 25);
    body.arcTo(QRectF(4, 20, 24, 10), 180, 180);
    body.lineTo(28, 8);
    body.closeSubpath();
    QLinearGradient shade(4, 0, 28, 0);
    shade.setColorAt(0, side.lighter(125));
    shade.setColorAt(0.45, side.lighter(140));
    shade.setColorAt(1, side.darker(130));
    Outlined(c, body, shade, edge);
    c.p.setBrush(Qt::NoBrush);
    c.p.setPen(c.Hair(edge));
    for (qreal y : {12.0, 18.0}) {
        if (c.small() && y > 15)
            continue;
        QPainterPath band;
        band.arcMoveTo(QRectF(4, y - 5 + (c.small() ? 2 : 0), 24, 10), 180);
        band.arcTo(QRectF(4, y - 5 + (c.small() ? 2 : 0), 24, 10), 180, 180);
        c.p.drawPath(band);
    }
    QPainterPath lid;
    lid.addEllipse(QRectF(4, 2, 24, 10));
    Outlined(c, lid, top, edge);
}

void CatalogFolder(Canvas &c, bool root)
{
    Folder(c, kCatalogBlue, false, 8);
    if (root) {
        // Index cards standing in the folder: the root of every catalog.
        Outlined(c, RectPath(6, 4, 14, 12), kPaper, kPaperEdge);
        Outlined(c, RectPath(12, 2, 14, 12), kPaper, kPaperEdge);
        c.p.setPen(Qt::NoPen);
        c.p.setBrush(QColor(0xd0, 0x30, 0x30));
        c.p.drawRect(QRectF(14, 6, 10, c.Px(1)));
        Outlined(c, RectPath(2, 14, 28, 14), kCatalogBlue.fill, kCatalogBlue.dark);
        // The drawer handle.
        Outlined(c, RoundPath(12, 18, 8, 4, 1), kCatalogBlue.light, kCatalogBlue.dark);
    } else {
        Outlined(c, RoundPath(12, 18, 8, 4, 1), kCatalogBlue.light, kCatalogBlue.dark);
    }
}

void Floppy(Canvas &c)
{
    const QColor body(0x2c, 0x4c, 0x8c);
    const QColor edge(0x10, 0x20, 0x40);
    Outlined(c, Polygon({{2, 2}, {26, 2}, {30, 6}, {30, 30}, {2, 30}}), body, edge);
    // The metal shutter with its window.
    Outlined(c, RectPath(10, 2, 14, 10), QColor(0xc8, 0xcc, 0xd0), QColor(0x60, 0x60, 0x68));
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(QColor(0x30, 0x30, 0x38));
    c.p.drawRect(QRectF(18, 4, 4, 6));
    // The label.
    Outlined(c, RectPath(6, 16, 20, 14), kPaper, QColor(0x90, 0x90, 0x90));
    if (!c.small())
        TextLines(c, 8, 24, 20, 3, QColor(0x50, 0x70, 0xc0));
    else
        TextLines(c, 8, 24, 20, 2, QColor(0x50, 0x70, 0xc0));
}

void HardDisk(Canvas &c)
{
    const QColor edge(0x30, 0x30, 0x30);
    // Top face in perspective, then the front.
    Outlined(c, Polygon({{6, 8}, {30, 8}, {28, 14}, {2, 14}}), QColor(0xdc, 0xdc, 0xdc), edge);
    QLinearGradient front(0, 14, 0, 26);
    front.setColorAt(0, QColor(0xb4, 0xb4, 0xb4));
    front.setColorAt(1, QColor(0x80, 0x80, 0x80));
    Outlined(c, RectPath(2, 14, 26, 12), front, edge);
    Outlined(c, Polygon({{28 - c.Px(1), 14}, {30, 8}, {30, 20}, {28 - c.Px(1), 26}}),
             QColor(0x90, 0x90, 0x90), edge);
    // Activity light and a vent slot.
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(QColor(0x20, 0xe0, 0x40));
    c.p.drawRect(QRectF(20, 18, 4, 4));
    c.p.setBrush(QColor(0x40, 0x40, 0x40));
    c.p.drawRect(QRectF(6, 20, 10, c.Px(1)));
}

void CdRom(Canvas &c)
{
    QPainterPath disc;
    disc.addEllipse(QRectF(2, 2, 28, 28));
    QPainterPath hole;
    hole.addEllipse(QRectF(12, 12, 8, 8));
    disc = disc.subtracted(hole);
    QConicalGradient sheen(16, 16, 30);
    sheen.setColorAt(0.0, QColor(0xe8, 0xe8, 0xf0));
    sheen.setColorAt(0.15, QColor(0xb0, 0xe0, 0xff));
    sheen.setColorAt(0.3, QColor(0xe8, 0xe8, 0xf0));
    sheen.setColorAt(0.45, QColor(0xff, 0xd0, 0xf0));
    sheen.setColorAt(0.6, QColor(0xc8, 0xc8, 0xd4));
    sheen.setColorAt(0.75, QColor(0xf0, 0xf8, 0xc0));
    sheen.setColorAt(0.9, QColor(0xc8, 0xc8, 0xd4));
    sheen.setColorAt(1.0, QColor(0xe8, 0xe8, 0xf0));
    Outlined(c, disc, sheen, QColor(0x60, 0x60, 0x70));
    QPainterPath ring;
    ring.addEllipse(QRectF(10, 10, 12, 12));
    ring = ring.subtracted(hole);
    Outlined(c, ring, QColor(0xf4, 0xf4, 0xf8), QColor(0x90, 0x90, 0xa0));
}

// A wire basket; full baskets carry crumpled paper above the rim.
void Wastebasket(Canvas &c, bool full)
{
    const QColor wire(0x50, 0x5a, 0x66);
    const QColor metal(0xc4, 0xcc, 0xd6);
    if (full) {
        // Paper behind the rim, drawn first so the basket front covers it.
        QPainterPath sheet = Polygon({{14, 2}, {24, 1}, {26, 10}, {16, 11}});
        Outlined(c, sheet, QColor(0xff, 0xf2, 0x9c), QColor(0x8a, 0x7a, 0x20));
        for (const QRectF &ball :
             {QRectF(5, 3, 10, 9), QRectF(16, 5, 11, 8), QRectF(10, 6, 10, 7)}) {
            QPainterPath crumple;
            crumple.addEllipse(ball);
            Outlined(c, crumple, kPaper, QColor(0x70, 0x70, 0x70));
            if (!c.small()) {
                c.p.setPen(c.Hair(QColor(0xa0, 0xa0, 0xa0)));
                c.p.drawLine(ball.center() - QPointF(2, 1), ball.center() + QPointF(1, 2));
            }
        }
    }
    const QPainterPath basket = Polygon({{2, 10}, {30, 10}, {26, 30}, {6, 30}});
    if (full) {
        QLinearGradient body(0, 10, 0, 30);
        body.setColorAt(0, metal);
        body.setColorAt(1, metal.darker(115));
        Outlined(c, basket, body, wire);
        // Paper showing through the mesh.
        c.p.setPen(Qt::NoPen);
        c.p.setBrush(kPaper);
        c.p.drawRect(QRectF(10, 14, 12, 10));
    } else {
        // Empty: the dark inside shows through the mesh.
        QLinearGradient body(0, 10, 0, 30);
        body.setColorAt(0, metal.lighter(110));
        body.setColorAt(1, metal);
        Outlined(c, basket, body, wire);
    }
    c.p.setPen(c.Hair(wire));
    const qreal step = c.small() ? 6 : 4;
    for (qreal x = 10; x <= 22; x += step) {
        const qreal at = x + c.Px(0.5);
        c.p.drawLine(QPointF(at, 11), QPointF(at - (x - 16) * 0.2, 29));
    }
    if (!c.small())
        c.p.drawLine(QPointF(5, 20.5), QPointF(27, 20.5));
    // The rim, with the dark opening of an empty basket.
    QPainterPath rim;
    rim.addRoundedRect(QRectF(2, 8, 28, 4), 1, 1);
    Outlined(c, rim, metal.lighter(115), wire);
    if (!full) {
        c.p.setPen(Qt::NoPen);
        c.p.setBrush(QColor(0x38, 0x40, 0x48));
        c.p.drawRect(QRectF(3 + c.Px(1), 9 + c.Px(1), 26 - c.Px(2), 2 - c.Px(0.5)));
    }
}

// The fixed Archives folder: a filing cabinet with two drawers.
void FilingCabinet(Canvas &c)
{
    const QColor body(0x8f, 0xa3, 0x8a);
    const QColor edge(0x2f, 0x3d, 0x2c);
    Outlined(c, RectPath(4, 2, 24, 28), body, edge);
    for (qreal y : {4.0, 16.0}) {
        Outlined(c, RectPath(6, y, 20, 10), body.lighter(118), edge);
        Outlined(c, RectPath(12, y + 2, 8, 4), kPaper, QColor(0x70, 0x70, 0x70));
        c.p.setPen(Qt::NoPen);
        c.p.setBrush(QColor(0x30, 0x30, 0x30));
        c.p.drawRect(QRectF(12, y + 6, 8, 2));
    }
}

// The gauge of an archive volume, laid out in device pixels so that each
// tenth is a distinct number of pixels at both sizes.
void FillGauge(Canvas &c, int tenths)
{
    c.p.save();
    c.p.resetTransform();
    const QRect outer = c.small() ? QRect(2, 11, 12, 5) : QRect(4, 22, 24, 9);
    const QColor edge(0x20, 0x20, 0x20);
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(edge);
    c.p.drawRect(outer);
    const QRect inner = outer.adjusted(1, 1, -1, -1);
    c.p.setBrush(QColor(0xf4, 0xf4, 0xf4));
    c.p.drawRect(inner);
    const int filled = int(std::lround(inner.width() * tenths / 10.0));
    QColor level = QColor(0x2e, 0xb8, 0x3c); // green while there is room
    if (tenths >= 9)
        level = QColor(0xe0, 0x28, 0x20);
    else if (tenths >= 7)
        level = QColor(0xf0, 0x9a, 0x10);
    c.p.setBrush(level);
    c.p.drawRect(QRect(inner.left(), inner.top(), filled, inner.height()));
    c.p.restore();
}

// A removable cartridge: the medium of an archive volume.
void Cartridge(Canvas &c, qreal x, qreal y, qreal w, qreal h)
{
    const QColor body(0x3c, 0x4a, 0x5c);
    const QColor edge(0x12, 0x18, 0x22);
    Outlined(c, RoundPath(x, y, w, h, 2), body, edge);
    // Label strip and hub window.
    const auto even = [](qreal v) { return 2 * std::round(v / 2); };
    Outlined(c, RectPath(x + even(w * 0.14), y + even(h * 0.16), even(w * 0.5), even(h * 0.3)),
             kPaper, QColor(0x80, 0x80, 0x80));
    QPainterPath hub;
    hub.addEllipse(QRectF(x + even(w * 0.64), y + even(h * 0.5), even(w * 0.24), even(w * 0.24)));
    Outlined(c, hub, QColor(0xc8, 0xcc, 0xd0), edge);
}

void ArchiveVolume(Canvas &c, int tenths)
{
    Cartridge(c, 2, 0, 28, 20);
    FillGauge(c, tenths);
}

// A box of files: the contents of a ZIP or self-extracting package.
void PackagedFiles(Canvas &c)
{
    Page(c, 6, 2, 14, 16);
    Page(c, 12, 4, 14, 16);
    const QColor box(0xd8, 0xa8, 0x58);
    const QColor edge(0x6a, 0x46, 0x12);
    Outlined(c, Polygon({{2, 14}, {30, 14}, {28, 30}, {4, 30}}), box, edge);
    // The band that holds the package shut.
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(QColor(0x80, 0x30, 0xa0));
    c.p.drawRect(QRectF(14, 14 + c.Px(1), 4, 16 - c.Px(2)));
    Outlined(c, RectPath(2, 12, 28, 4), box.lighter(112), edge);
}

// Sheets tied with a ribbon: one set written to an archive volume.
void ArchiveSet(Canvas &c)
{
    Page(c, 2, 6, 20, 24, QColor(0xe8, 0xe8, 0xe8));
    Page(c, 6, 4, 20, 24, QColor(0xf4, 0xf4, 0xf4));
    Page(c, 10, 2, 20, 24);
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(QColor(0xd0, 0x20, 0x30));
    c.p.drawRect(QRectF(2 + c.Px(1), 20, 28 - c.Px(2), 4));
    c.p.drawRect(QRectF(20, 2 + c.Px(1), 4, 28 - c.Px(2)));
    QPainterPath bow;
    bow.addEllipse(QRectF(18, 18, 8, 8));
    Outlined(c, bow, QColor(0xe8, 0x40, 0x48), QColor(0x80, 0x10, 0x18));
}

void PackagedFolder(Canvas &c)
{
    Folder(c, kManila, false);
    Zipper(c, 16, 16, 28);
}

// Three cartridges in a rack: the pool of archive volumes.
void VolumePool(Canvas &c)
{
    Outlined(c, RectPath(0, 22, 32, 8), QColor(0x9a, 0x7a, 0x5a), QColor(0x40, 0x2c, 0x18));
    Cartridge(c, 2, 2, 12, 20);
    Cartridge(c, 18, 2, 12, 20);
    Cartridge(c, 10, 6, 12, 18);
}

void Program(Canvas &c)
{
    const QColor edge(0x20, 0x20, 0x30);
    Outlined(c, RectPath(2, 4, 28, 24), QColor(0xe4, 0xe4, 0xe4), edge);
    QLinearGradient title(0, 0, 32, 0);
    title.setColorAt(0, QColor(0x10, 0x30, 0xa0));
    title.setColorAt(1, QColor(0x40, 0x80, 0xe0));
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(title);
    c.p.drawRect(QRectF(2 + c.Px(1), 4 + c.Px(1), 28 - c.Px(2), 6));
    c.p.setBrush(QColor(0xe0, 0x40, 0x30));
    c.p.drawRect(QRectF(24, 6, 4, c.small() ? 2 : 3));
    if (!c.small()) {
        c.p.setBrush(QColor(0xa0, 0xa0, 0xa0));
        c.p.drawRect(QRectF(5, 14, 10, 4));
        c.p.drawRect(QRectF(5, 20, 10, 4));
        c.p.setBrush(QColor(0x60, 0x90, 0xd0));
        c.p.drawRect(QRectF(18, 14, 9, 10));
    } else {
        c.p.setBrush(QColor(0x60, 0x90, 0xd0));
        c.p.drawRect(QRectF(6, 14, 20, 10));
    }
}

void TextFile(Canvas &c)
{
    Page(c, 6, 2, 20, 28);
    TextLines(c, 10, 22, 12, c.small() ? 3 : 6, QColor(0x30, 0x30, 0x30));
}

void ImageFile(Canvas &c)
{
    const QColor edge(0x40, 0x30, 0x20);
    Outlined(c, RectPath(2, 4, 28, 24), QColor(0xc8, 0x9c, 0x5a), edge);
    QLinearGradient sky(0, 8, 0, 24);
    sky.setColorAt(0, QColor(0x50, 0x9c, 0xf0));
    sky.setColorAt(1, QColor(0xb8, 0xdc, 0xff));
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(sky);
    c.p.drawRect(QRectF(6, 8, 20, 16));
    c.p.setBrush(QColor(0xff, 0xd8, 0x20));
    c.p.drawEllipse(QRectF(18, 10, 6, 6));
    c.p.setBrush(QColor(0x30, 0x90, 0x30));
    c.p.drawPath(Polygon({{6, 24}, {6, 20}, {12, 14}, {18, 20}, {20, 18}, {26, 24}}));
}

void VideoFile(Canvas &c)
{
    const QColor film(0x24, 0x24, 0x24);
    Outlined(c, RectPath(4, 2, 24, 28), film, QColor(0x00, 0x00, 0x00));
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(QColor(0xe8, 0xe8, 0xe8));
    const qreal step = c.small() ? 6 : 4;
    for (qreal y = 4; y < 29; y += step) {
        c.p.drawRect(QRectF(6, y, 2, 2));
        c.p.drawRect(QRectF(24, y, 2, 2));
    }
    // Two frames of the strip.
    for (qreal y : {4.0, 18.0}) {
        QLinearGradient frame(0, y, 0, y + 10);
        frame.setColorAt(0, QColor(0x60, 0xb0, 0xf0));
        frame.setColorAt(1, QColor(0x30, 0x80, 0x40));
        c.p.setBrush(frame);
        c.p.drawRect(QRectF(10, y, 12, 10));
    }
}

void ZipFile(Canvas &c)
{
    Page(c, 6, 2, 20, 28, QColor(0xfa, 0xf0, 0xc8));
    Zipper(c, 16, 8, 30);
}

void HelpFile(Canvas &c)
{
    // A book with a question mark on its cover.
    const QColor cover(0x2a, 0x5c, 0xb0);
    const QColor edge(0x0c, 0x20, 0x48);
    Outlined(c, RectPath(6, 4, 22, 26), kPaper, kPaperEdge);
    Outlined(c, RectPath(4, 2, 22, 26), cover, edge);
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(cover.darker(140));
    c.p.drawRect(QRectF(4 + c.Px(1), 2 + c.Px(1), 2, 26 - c.Px(2)));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(22);
    QPainterPath mark;
    mark.addText(0, 0, font, QStringLiteral("?"));
    const QRectF bounds = mark.boundingRect();
    mark.translate(16 - bounds.center().x(), 16 - bounds.center().y());
    c.p.setBrush(QColor(0xff, 0xe0, 0x30));
    if (c.small()) {
        c.p.setPen(Qt::NoPen);
    } else {
        c.p.setPen(c.Hair(QColor(0x60, 0x48, 0x00)));
    }
    c.p.drawPath(mark);
}

void RegistryFile(Canvas &c)
{
    Page(c, 6, 2, 20, 28);
    // Three blocks of settings.
    const auto cube = [&](qreal x, qreal y, const QColor &color) {
        Outlined(c, RectPath(x, y, 8, 8), color, color.darker(200));
        if (!c.small()) {
            c.p.setPen(Qt::NoPen);
            c.p.setBrush(color.lighter(150));
            c.p.drawRect(QRectF(x + 1, y + 1, 6, 2));
        }
    };
    cube(8, 12, QColor(0xe0, 0x30, 0x30));
    cube(16, 12, QColor(0x30, 0xa0, 0x30));
    cube(12, 20, QColor(0x30, 0x60, 0xe0));
}

void GenericFile(Canvas &c)
{
    Page(c, 6, 2, 20, 28);
}

void BatchFile(Canvas &c)
{
    Outlined(c, RectPath(2, 4, 28, 24), QColor(0x10, 0x10, 0x10), QColor(0x50, 0x50, 0x50));
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(QColor(0xb0, 0xb0, 0xb0));
    c.p.drawRect(QRectF(2 + c.Px(1), 4 + c.Px(1), 28 - c.Px(2), 4));
    // The prompt: a chevron and a cursor bar.
    QPen prompt(QColor(0xe0, 0xe0, 0xe0), c.small() ? c.Px(1) : 2.5);
    prompt.setCapStyle(Qt::SquareCap);
    prompt.setJoinStyle(Qt::MiterJoin);
    c.p.setPen(prompt);
    c.p.setBrush(Qt::NoBrush);
    c.p.drawPolyline(QPolygonF({QPointF(6, 14), QPointF(12, 18), QPointF(6, 22)}));
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(QColor(0x40, 0xe0, 0x40));
    c.p.drawRect(QRectF(16, 20, 8, c.small() ? 2 : 3));
}

// A gear of n teeth at a centre.
QPainterPath Gear(QPointF centre, qreal outer, qreal inner, qreal hole, int teeth)
{
    QPainterPath gear;
    for (int i = 0; i < teeth * 2; ++i) {
        const qreal radius = (i % 2 == 0) ? outer : inner;
        for (int k = 0; k < 2; ++k) {
            const qreal angle = (i + k) * std::numbers::pi / teeth - std::numbers::pi / (teeth * 2);
            const QPointF point(centre.x() + radius * std::cos(angle),
                                centre.y() + radius * std::sin(angle));
            if (i == 0 && k == 0)
                gear.moveTo(point);
            else
                gear.lineTo(point);
        }
    }
    gear.closeSubpath();
    QPainterPath middle;
    middle.addEllipse(centre, hole, hole);
    return gear.subtracted(middle);
}

void SettingsFile(Canvas &c)
{
    Page(c, 4, 2, 20, 28);
    if (!c.small())
        TextLines(c, 6, 20, 11, 2, QColor(0x50, 0x50, 0x50));
    Outlined(c, Gear(QPointF(20, 22), 10, 7.5, 3, 8), QColor(0xa8, 0xb4, 0xc0),
             QColor(0x30, 0x38, 0x40));
}

void SystemFile(Canvas &c)
{
    // A chip with pins on both sides.
    const QColor pin(0xc0, 0xc0, 0xc8);
    c.p.setPen(Qt::NoPen);
    for (qreal y = 6; y < 27; y += 6) {
        Outlined(c, RectPath(2, y, 8, c.small() ? 2 : 3), pin, QColor(0x60, 0x60, 0x60));
        Outlined(c, RectPath(22, y, 8, c.small() ? 2 : 3), pin, QColor(0x60, 0x60, 0x60));
    }
    QLinearGradient body(0, 3, 0, 29);
    body.setColorAt(0, QColor(0x50, 0x50, 0x58));
    body.setColorAt(1, QColor(0x20, 0x20, 0x24));
    Outlined(c, RectPath(8, 2, 16, 28), body, QColor(0x00, 0x00, 0x00));
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(QColor(0xf0, 0xc0, 0x20));
    QPainterPath notch;
    notch.addEllipse(QRectF(10, 5, 4, 4));
    c.p.drawPath(notch);
    if (!c.small()) {
        c.p.setBrush(QColor(0x90, 0x90, 0x98));
        c.p.drawRect(QRectF(11, 16, 10, 1));
        c.p.drawRect(QRectF(11, 19, 7, 1));
    }
}

using Painter = std::function<void(Canvas &)>;

std::map<int, Painter> Painters()
{
    std::map<int, Painter> painters{
        {0, Database},
        {1, [](Canvas &c) { CatalogFolder(c, true); }},
        {2, [](Canvas &c) { CatalogFolder(c, false); }},
        {3, Floppy},
        {4, HardDisk},
        {5, CdRom},
        {6, [](Canvas &c) { Folder(c, kManila, false); }},
        {7, [](Canvas &c) { Folder(c, kManila, true); }},
        {8, [](Canvas &c) { Wastebasket(c, false); }},
        {9, [](Canvas &c) { Wastebasket(c, true); }},
        {10, FilingCabinet},
        {22, PackagedFiles},
        {23, ArchiveSet},
        {24, PackagedFolder},
        {25, VolumePool},
        {26, [](Canvas &c) { Folder(c, kArchiveBrown, false); }},
        {31, Program},
        {32, TextFile},
        {33, ImageFile},
        {34, VideoFile},
        {35, ZipFile},
        {36, HelpFile},
        {37, RegistryFile},
        {38, GenericFile},
        {39, BatchFile},
        {40, SettingsFile},
        {41, SystemFile},
    };
    for (int code = 11; code <= 21; ++code)
        painters[code] = [code](Canvas &c) { ArchiveVolume(c, code - 11); };
    return painters;
}

QImage Render(const Painter &painter, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    Canvas canvas{p, size};
    painter(canvas);
    p.end();
    return image;
}

QString FileName(int index)
{
    return QStringLiteral("%1.png").arg(index, 2, 10, QLatin1Char('0'));
}

// Each icon at 16 and 32 pixels, then both magnified four times, on a light
// and a dark background: what the user sees in a tree, a list and on a
// selection highlight.
QImage Sheet(const std::map<int, QImage> &small, const std::map<int, QImage> &large)
{
    const int cell = 160;
    const int columns = 7;
    const int rows = int((small.size() + columns - 1) / columns);
    QImage sheet(columns * cell, rows * cell, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(QColor(0xf0, 0xf0, 0xf0));
    QPainter p(&sheet);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(12);
    p.setFont(font);
    int slot = 0;
    for (const auto &[index, image] : small) {
        const int x = (slot % columns) * cell;
        const int y = (slot / columns) * cell;
        p.setPen(QColor(0x30, 0x30, 0x30));
        p.drawText(x + 4, y + 14, QString::number(index));
        p.fillRect(x + 28, y + 2, 20, 20, QColor(0x30, 0x50, 0x90));
        p.drawImage(x + 30, y + 4, image);
        p.fillRect(x + 48, y + 2, 20, 20, QColor(0xff, 0xff, 0xff));
        p.drawImage(x + 50, y + 4, image);
        p.drawImage(x + 100, y + 2, large.at(index));
        p.drawImage(QRect(x + 4, y + 40, 64, 64), image);
        p.drawImage(QRect(x + 76, y + 40, 64, 64), large.at(index));
        p.setPen(QColor(0xc0, 0xc0, 0xc0));
        p.drawRect(x, y, cell - 1, cell - 1);
        ++slot;
    }
    p.end();
    return sheet;
}

// The sizes of the program's icon that desktops and software centres ask for.
constexpr int kAppIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

bool WriteAppIcons(const QDir &folder, const QString &name, QTextStream &err)
{
    for (int size : kAppIconSizes) {
        const QString sizeFolder = QStringLiteral("%1x%1/apps").arg(size);
        const QString path =
            folder.filePath(sizeFolder + QLatin1Char('/') + name + QStringLiteral(".png"));
        if (!folder.mkpath(sizeFolder) || !Render(Database, size).save(path, "PNG")) {
            err << "cannot write " << path << '\n';
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    QTextStream err(stderr);
    if (arguments.size() < 2) {
        err << "usage: paint_object_icons FOLDER [--sheet FILE] [--app-icons FOLDER NAME]\n";
        return 2;
    }
    const qsizetype appIconsAt = arguments.indexOf(QStringLiteral("--app-icons"));
    if (appIconsAt > 0 && appIconsAt + 2 < arguments.size() &&
        !WriteAppIcons(QDir(arguments.at(appIconsAt + 1)), arguments.at(appIconsAt + 2), err))
        return 1;
    const QDir folder(arguments.at(1));
    QString sheetFile;
    const qsizetype sheetAt = arguments.indexOf(QStringLiteral("--sheet"));
    if (sheetAt > 0 && sheetAt + 1 < arguments.size())
        sheetFile = arguments.at(sheetAt + 1);

    std::map<int, QImage> small;
    std::map<int, QImage> large;
    for (const auto &[index, painter] : Painters()) {
        small[index] = Render(painter, 16);
        large[index] = Render(painter, 32);
    }
    for (const auto &[sizeName, images] :
         {std::pair{QStringLiteral("16"), &small}, std::pair{QStringLiteral("32"), &large}}) {
        if (!folder.mkpath(sizeName)) {
            err << "cannot create " << folder.filePath(sizeName) << '\n';
            return 1;
        }
        for (const auto &[index, image] : *images) {
            const QString path = folder.filePath(sizeName + QLatin1Char('/') + FileName(index));
            if (!image.save(path, "PNG")) {
                err << "cannot write " << path << '\n';
                return 1;
            }
        }
    }
    if (!sheetFile.isEmpty() && !Sheet(small, large).save(sheetFile, "PNG")) {
        err << "cannot write " << sheetFile << '\n';
        return 1;
    }
    return 0;
}

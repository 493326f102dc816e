#include "ui/ProgressAnimation.h"
#include "ui/SegmentedMeter.h"

#include <QImage>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include <limits>

namespace {

const QRgb kNavy = qRgb(0, 0, 128);

// Pitch (width - 2) / 30, as many whole pitches as fit, the leftover split
// before the first segment, less 2; a segment is the pitch less 2.
TEST(SegmentGeometry, FillsWholeSegmentsFromTheLeft)
{
    // The bar, the percentage, the filled segments, the first of them and the pitch.
    const std::tuple<QRect, int, int, QRect, int> rows[] = {
        {QRect(0, 0, 304, 20), 50, 15, QRect(1, 2, 8, 16), 10},
        {QRect(0, 0, 304, 20), 100, 30, QRect(1, 2, 8, 16), 10},
        {QRect(0, 0, 304, 20), 33, 9, QRect(1, 2, 8, 16), 10},
        {QRect(0, 0, 304, 20), 3, 0, {}, 10},
        {QRect(0, 0, 304, 20), 0, 0, {}, 10},
        {QRect(10, 5, 304, 20), 50, 15, QRect(11, 7, 8, 16), 10},
        {QRect(0, 0, 400, 20), 50, 15, QRect(4, 2, 11, 16), 13},
        {QRect(0, 0, 447, 20), 100, 31, QRect(5, 2, 12, 16), 14},
        {QRect(0, 0, 120, 20), 50, 19, QRect(0, 2, 1, 16), 3},
        {QRect(0, 0, 93, 20), 100, 30, QRect(0, 2, 1, 16), 3},
        // Out-of-range percentages are clamped.
        {QRect(0, 0, 304, 20), 150, 30, QRect(1, 2, 8, 16), 10},
        {QRect(0, 0, 304, 20), -5, 0, {}, 10},
        // Too narrow for a visible segment, or no room at all.
        {QRect(0, 0, 90, 20), 100, 0, {}, 2},
        {QRect(0, 0, 20, 20), 100, 0, {}, 0},
        {QRect(0, 0, 304, 4), 100, 0, {}, 10}};
    for (const auto &[bar, percent, filled, first, pitch] : rows) {
        SCOPED_TRACE(testing::Message() << bar.width() << " px at (" << bar.x() << "," << bar.y()
                                        << "), " << percent << "%");
        const QList<QRect> rects = SegmentRects(bar, percent);
        ASSERT_EQ(rects.size(), filled);
        if (rects.isEmpty())
            continue;
        EXPECT_EQ(rects.first(), first);
        for (qsizetype i = 1; i < rects.size(); ++i)
            EXPECT_EQ(rects[i], rects[i - 1].translated(pitch, 0)) << "segment " << i;
        EXPECT_GE(rects.first().left(), bar.left());
        EXPECT_LE(rects.last().right(), bar.right() - 2);
    }
}

TEST(MeterPercent, StaysExactAndInRangeForAnyCount)
{
    constexpr qint64 kMax = std::numeric_limits<qint64>::max();
    // position, maximum, percent
    // clang-format off
    const std::tuple<qint64, qint64, int> rows[] = {
        {0, 0, 0}, {5, 0, 0}, {5, -10, 0}, {1, 3, 33}, {-4, 3, 0}, {40, 3, 100},
        {kMax / 2, kMax, 49}, {kMax, kMax, 100}, {kMax - 1, kMax, 99},
        {kMax / 100 * 3 - 1, kMax, 2}, {10'000'000'000 / 4, 10'000'000'000, 25}};
    // clang-format on
    for (const auto &[position, maximum, percent] : rows)
        EXPECT_EQ(MeterPercent(position, maximum), percent) << position << " of " << maximum;
}

// The navy runs along one row of the painted meter.
QList<int> NavyRuns(SegmentedMeter &meter)
{
    QImage image(meter.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    meter.render(&image);
    QList<int> runs;
    int run = 0;
    const int y = image.height() / 2;
    for (int x = 0; x <= image.width(); ++x) {
        if (x < image.width() && image.pixel(x, y) == kNavy) {
            ++run;
        } else if (run) {
            runs.append(run);
            run = 0;
        }
    }
    return runs;
}

TEST(SegmentedMeterDrawing, PaintsOneNavySegmentPerFilledStep)
{
    SegmentedMeter meter;
    meter.resize(304, 20);
    meter.SetRange(200);
    meter.SetPosition(100);
    EXPECT_EQ(NavyRuns(meter), QList<int>(15, 8));

    meter.SetPosition(199);
    EXPECT_EQ(NavyRuns(meter).size(), 29);
    meter.SetPosition(500);
    EXPECT_EQ(NavyRuns(meter), QList<int>(30, 8));

    // A new range starts empty.
    meter.SetRange(10'000'000'000);
    EXPECT_TRUE(NavyRuns(meter).isEmpty());
}

QImage RenderFrame(int animation, int frame)
{
    QImage image(447, 72, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    ProgressAnimation::PaintFrame(painter, image.rect(), animation, frame);
    return image;
}

TEST(ProgressAnimationFrames, EveryAnimationMovesAndLoops)
{
    QImage blank(447, 72, QImage::Format_RGB32);
    blank.fill(Qt::white);
    for (int animation = ProgressAnimation::kFirst; animation <= ProgressAnimation::kLast;
         ++animation) {
        SCOPED_TRACE(animation);
        const QImage first = RenderFrame(animation, 0);
        EXPECT_NE(first, blank);
        // Some hold still for a moment, none for most of the loop.
        int moved = 0;
        for (int frame = 1; frame < ProgressAnimation::kFrames; ++frame)
            moved += RenderFrame(animation, frame) != first;
        EXPECT_GE(moved, ProgressAnimation::kFrames * 3 / 4);
        EXPECT_EQ(RenderFrame(animation, ProgressAnimation::kFrames), first);
    }
    EXPECT_EQ(RenderFrame(0, 0), blank);
    EXPECT_EQ(RenderFrame(187, 0), blank);
    // The eight are different pictures.
    for (int a = ProgressAnimation::kFirst; a < ProgressAnimation::kLast; ++a)
        EXPECT_NE(RenderFrame(a, 3), RenderFrame(a + 1, 3)) << a;
}

TEST(ProgressAnimationPlayer, TicksWhilePlayingAndHoldsWhenStopped)
{
    ProgressAnimation panel;
    panel.Play(186);
    EXPECT_TRUE(panel.IsPlaying());
    ASSERT_TRUE(QTest::qWaitFor([&panel] { return panel.Frame() > 0; }, 2000));
    panel.Stop();
    const int held = panel.Frame();
    QCoreApplication::processEvents();
    EXPECT_EQ(panel.Frame(), held);
    EXPECT_EQ(panel.Current(), 186);

    // Restarting begins the loop again; an unknown number plays nothing.
    panel.Play(180);
    EXPECT_EQ(panel.Frame(), 0);
    panel.Play(42);
    EXPECT_FALSE(panel.IsPlaying());
}

} // namespace

#pragma once

#include <QTimer>
#include <QWidget>

class QPainter;

// The animation panel of the progress window. Plays one of the program's
// eight looping animations, numbered as the operations table names them:
//   179 validating media        180 copying / cataloging
//   181 emptying the wastebasket 182 deleting
//   183 moving to the wastebasket 184 moving data to a volume
//   185 export / import          186 compressing
// The pictures are painted, not loaded, so they scale with the panel.
class ProgressAnimation final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProgressAnimation)

public:
    static constexpr int kFirst = 179;
    static constexpr int kLast = 186;
    // One loop of every animation.
    static constexpr int kFrames = 24;

    explicit ProgressAnimation(QWidget *parent = nullptr);

    // Starts `animation` from its first frame; a number outside kFirst..kLast
    // shows an empty panel and starts nothing.
    void Play(int animation);
    // Stops at the current frame; Current() keeps the number.
    void Stop();

    // The animation last given to Play, or 0.
    int Current() const { return m_animation; }
    bool IsPlaying() const { return m_timer.isActive(); }
    int Frame() const { return m_frame; }

    // Paints frame `frame` (taken modulo kFrames) of `animation` into `area`.
    static void PaintFrame(QPainter &painter, const QRect &area, int animation, int frame);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void TimerTick();

    QTimer m_timer;
    int m_animation = 0;
    int m_frame = 0;
};

#pragma once

#include <QWidget>

class ElidedLabel;
class QLabel;
class ProgressAnimation;
class QPushButton;
class SegmentedMeter;
class UserInterface;
struct ProgressLayout;

// The non-modal window that long operations show: a caption, an animation
// panel, a path line, a file-name line, a status line, a segmented bar and a
// Cancel button. Which parts show
// comes from the operation's layout. The user cannot close it through the
// frame; only Finish (the program) does. Cancel sets the shared cancel flag of
// the user interface, which the running operation tests at its next step.
class ProgressWindow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProgressWindow)

public:
    explicit ProgressWindow(UserInterface &userInterface, QWidget *parent = nullptr);
    ~ProgressWindow() override;

    // Sets the window up for an operation (parts, texts, bar at 0, Cancel
    // enabled, its animation playing); does not show it.
    void Begin(const ProgressLayout &layout);
    // Stops the animation and hides the window; the program's way of
    // closing it.
    void Finish();

    void SetPath(const QString &text);
    void SetFileName(const QString &text);
    void SetStatus(const QString &text);
    // The bar runs 0..maximum in 64-bit counts; a maximum of 0 draws nothing.
    // Shows parts that the operation hid; a false leaves a part as it is.
    void ShowParts(bool statusLine, bool fileNameLine, bool progressBar);
    void SetRange(qint64 maximum);
    void SetPosition(qint64 position);

    // The animation of the current operation (its number in the operations
    // table); the panel plays it until Cancel or Finish.
    int Animation() const { return m_animation; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void CancelButtonClick();

    UserInterface &m_userInterface;
    ElidedLabel *m_pathLine;
    ElidedLabel *m_fileNameLine;
    QLabel *m_statusLine;
    ProgressAnimation *m_animationPanel;
    SegmentedMeter *m_progressBar;
    QPushButton *m_cancelButton;
    int m_animation = 0;
    bool m_closing = false;
};

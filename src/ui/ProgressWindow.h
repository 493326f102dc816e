#pragma once

#include <QWidget>

class ElidedLabel;
class QLabel;
class QProgressBar;
class QPushButton;
class UserInterface;
struct ProgressLayout;

// The non-modal window that long operations show: a caption, a path line, a
// file-name line, a status line, a bar and a Cancel button. Which parts show
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
    // enabled); does not show it.
    void Begin(const ProgressLayout &layout);
    // Hides the window; the program's way of closing it.
    void Finish();

    void SetPath(const QString &text);
    void SetFileName(const QString &text);
    void SetStatus(const QString &text);
    // The bar runs 0..maximum; counts beyond the range of int are scaled.
    void SetRange(qint64 maximum);
    void SetPosition(qint64 position);

    // The animation of the current operation. Nothing plays it yet; the
    // animation strip and the segmented bar will sit above the path line.
    int Animation() const { return m_animation; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void CancelButtonClick();

    UserInterface &m_userInterface;
    ElidedLabel *m_pathLine;
    ElidedLabel *m_fileNameLine;
    QLabel *m_statusLine;
    QProgressBar *m_progressBar;
    QPushButton *m_cancelButton;
    int m_animation = 0;
    qint64 m_maximum = 100;
    qint64 m_divisor = 1;
    bool m_closing = false;
};

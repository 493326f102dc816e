#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QScrollArea;

// The program's own quick viewer: a window that shows a text file (its
// beginning, read-only) or a picture, with the file's name in its caption.
class QuickViewWindow final : public QWidget
{
    Q_OBJECT

public:
    // Text files are shown up to this many bytes.
    static constexpr qint64 kTextLimit = 1 << 20;

    // Whether the viewer can show the file: text or a picture Qt can read.
    static bool CanShow(const QString &path);

    explicit QuickViewWindow(QWidget *parent = nullptr);

    // Loads the file; false when it cannot be shown.
    bool ShowFile(const QString &path);

private:
    bool LoadText(const QString &path);
    bool LoadPicture(const QString &path);

    QLabel *m_header;
    QPlainTextEdit *m_text;
    QScrollArea *m_pictureArea;
    QLabel *m_picture;
};

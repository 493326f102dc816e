#pragma once

#include <QFrame>
#include <QString>

// A one-line label that keeps its full text and draws it elided to fit its
// width, so a long path shows its meaningful end ("…/folder/file.txt") and
// never widens the window.
class ElidedLabel final : public QFrame
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ElidedLabel)

public:
    explicit ElidedLabel(Qt::TextElideMode mode, QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);
    // The text as it is drawn at the current width.
    QString elidedText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
    Qt::TextElideMode m_mode;
};

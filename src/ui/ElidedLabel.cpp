#include "ui/ElidedLabel.h"

#include <QPainter>

ElidedLabel::ElidedLabel(Qt::TextElideMode mode, QWidget *parent)
    : QFrame(parent)
    , m_mode(mode)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void ElidedLabel::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    setToolTip(text);
    update();
}

QString ElidedLabel::elidedText() const
{
    return fontMetrics().elidedText(m_text, m_mode, contentsRect().width());
}

QSize ElidedLabel::sizeHint() const
{
    // The width comes from the window, not from the text.
    return minimumSizeHint();
}

QSize ElidedLabel::minimumSizeHint() const
{
    const QMargins margins = contentsMargins();
    return {fontMetrics().averageCharWidth() * 8 + margins.left() + margins.right(),
            fontMetrics().height() + margins.top() + margins.bottom()};
}

void ElidedLabel::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.drawText(contentsRect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     elidedText());
}

#include "ui/PathLabel.h"

#include <QFontMetrics>

QString ElidePath(const QString &path, const std::function<bool(const QString &)> &fits,
                  QChar separator)
{
    if (fits(path))
        return path;
    const QStringList segments = path.split(separator);
    if (segments.size() < 3)
        return segments.last();
    const QString head = segments.first() + separator + QStringLiteral("...");
    QString best;
    QString tail;
    for (qsizetype i = segments.size() - 1; i >= 1; --i) {
        tail = separator + segments[i] + tail;
        const QString candidate = head + tail;
        if (!fits(candidate))
            break;
        best = candidate;
    }
    return best.isEmpty() ? segments.last() : best;
}

PathLabel::PathLabel(QWidget *parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

void PathLabel::SetPath(const QString &path)
{
    m_path = path;
    setToolTip(path);
    UpdateText();
}

QSize PathLabel::minimumSizeHint() const
{
    // The label shortens its text rather than asking for room.
    return QSize(0, QLabel::minimumSizeHint().height());
}

void PathLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    UpdateText();
}

void PathLabel::UpdateText()
{
    const QFontMetrics metrics(font());
    const int room = contentsRect().width();
    setText(ElidePath(
        m_path, [&](const QString &text) { return metrics.horizontalAdvance(text) <= room; }));
}

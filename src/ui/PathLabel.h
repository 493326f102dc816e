#pragma once

#include <QLabel>

#include <functional>

// Shortens a "\"-separated path to fit: the whole text when it fits, else the
// first segment (such as a drive or "Catalogs"), "..." for the middle and as
// many whole segments of the end as fit. When not even the last segment fits
// after "...", the last segment alone is given.
QString ElidePath(const QString &path, const std::function<bool(const QString &)> &fits,
                  QChar separator = QLatin1Char('\\'));

// A label for paths that shortens its text as above to the width it has.
class PathLabel final : public QLabel
{
    Q_OBJECT

public:
    explicit PathLabel(QWidget *parent = nullptr);

    void SetPath(const QString &path);
    const QString &Path() const { return m_path; }

    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void UpdateText();

    QString m_path;
};

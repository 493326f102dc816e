#include "platform/DisplayFormats.h"

#include "platform/DayCount.h"

#include <QDate>
#include <QHash>
#include <QRegularExpression>
#include <QTime>

#include <cmath>

namespace {

constexpr qint64 kKilobyte = 1024;
constexpr qint64 kMegabyte = 1024 * 1024;

// The locale with its formats, and the texts already made from them: a list
// of many files repeats the same days and minutes, and formatting a date is
// the dearest part of a list line.
struct Formats
{
    QLocale locale;
    QString shortDate;
    QString shortTime;
    // Times are cached per minute, or per second when the format shows them;
    // not at all when it shows milliseconds.
    int timeStepMs = 0;
    QHash<qint64, QString> dateTexts;
    QHash<int, QString> timeTexts;
};

// Bounds the caches over a long run; a list of very many distinct days
// simply starts them again.
constexpr qsizetype kMaxCachedTexts = 50000;

Formats MakeFormats(const QLocale &locale)
{
    Formats formats;
    formats.locale = locale;
    // The C locale (no LANG, as on servers and in containers) has no usual
    // notation of its own: its dates are shown and written as ISO 8601.
    const bool iso = locale.language() == QLocale::C;
    formats.shortDate = iso ? QStringLiteral("yyyy-MM-dd")
                            : KeepTwoMonthLetters(locale.dateFormat(QLocale::ShortFormat));
    formats.shortTime = iso ? QStringLiteral("HH:mm:ss") : locale.timeFormat(QLocale::ShortFormat);
    if (!formats.shortTime.contains(u'z'))
        formats.timeStepMs = formats.shortTime.contains(u's') ? 1000 : 60000;
    return formats;
}

Formats &Current()
{
    static Formats formats = MakeFormats(QLocale());
    return formats;
}

// Writes a number as exactly width digits.
void PutDigits(QChar *out, int value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        out[i] = QChar(u'0' + value % 10);
        value /= 10;
    }
}

} // namespace

void SetDisplayLocale(const QLocale &locale)
{
    Current() = MakeFormats(locale);
}

QLocale DisplayLocale()
{
    return Current().locale;
}

QString ShortDateFormat()
{
    return Current().shortDate;
}

QString ShortTimeFormat()
{
    return Current().shortTime;
}

QString KeepTwoMonthLetters(const QString &qtDateFormat)
{
    QString result;
    result.reserve(qtDateFormat.size());
    int monthLetters = 0;
    bool quoted = false;
    for (const QChar c : qtDateFormat) {
        if (c == u'\'')
            quoted = !quoted;
        else if (!quoted && c == u'M' && ++monthLetters > 2)
            continue;
        result.append(c);
    }
    return result;
}

QString SizeText(qint64 bytes, bool detailed)
{
    const QLocale locale = DisplayLocale();
    QString unit = QStringLiteral(" bytes");
    double value = double(bytes);
    if (bytes >= kKilobyte) {
        if (detailed && bytes >= kMegabyte) {
            unit = QStringLiteral("MB");
            value = double(bytes) / kKilobyte / kKilobyte;
        } else {
            unit = QStringLiteral("KB");
            value = double(bytes) / kKilobyte;
        }
    }
    if (detailed)
        return locale.toString(value, 'f', 2) + unit + QStringLiteral("  (") +
               ByteCountText(bytes) + QStringLiteral(")");
    if (bytes == 0)
        return QStringLiteral("0KB");
    if (bytes > 0 && bytes < kKilobyte)
        return QStringLiteral("1KB");
    return locale.toString(value, 'f', 0) + unit;
}

QString ByteCountText(qint64 bytes)
{
    return DisplayLocale().toString(bytes) + QStringLiteral(" bytes");
}

QString SizeSortKey(qint64 bytes)
{
    // What "%16f" makes of a whole number, without the cost of a printf per line.
    QString key = QString::number(qRound64(double(bytes) / kKilobyte)) + QStringLiteral(".000000");
    if (key.size() < 16)
        key.prepend(QString(16 - key.size(), u' '));
    return key;
}

QString DateTimeText(double dayCount)
{
    QDate date;
    QTime time;
    SplitDayCount(dayCount, date, time);
    Formats &formats = Current();
    if (formats.dateTexts.size() > kMaxCachedTexts)
        formats.dateTexts.clear();
    auto day = formats.dateTexts.constFind(date.toJulianDay());
    if (day == formats.dateTexts.constEnd()) {
        day = formats.dateTexts.insert(date.toJulianDay(),
                                       formats.locale.toString(date, formats.shortDate));
    }
    QString text = day.value() + u' ';
    if (formats.timeStepMs == 0)
        return text + formats.locale.toString(time, formats.shortTime);
    const int step = time.msecsSinceStartOfDay() / formats.timeStepMs;
    auto clock = formats.timeTexts.constFind(step);
    if (clock == formats.timeTexts.constEnd()) {
        clock = formats.timeTexts.insert(
            step,
            formats.locale.toString(QTime::fromMSecsSinceStartOfDay(step * formats.timeStepMs),
                                    formats.shortTime));
    }
    return text + clock.value();
}

QString LongDateTimeText(double dayCount)
{
    QDate date;
    QTime time;
    SplitDayCount(dayCount, date, time);
    const QLocale locale = DisplayLocale();
    // The long time format may end with the zone ("t"), which a catalog
    // date-time does not have.
    static const QRegularExpression zone(QStringLiteral("\\s*t+\\b"));
    const QString timeFormat = locale.timeFormat(QLocale::LongFormat).remove(zone).trimmed();
    return locale.toString(date, QLocale::LongFormat) + QStringLiteral(", ") +
           locale.toString(time, timeFormat);
}

QString DateSortKey(double dayCount)
{
    QDate date;
    QTime time;
    SplitDayCount(dayCount, date, time);
    if (date.year() < 0 || date.year() > 9999) {
        return QString::asprintf("%04d%02d%02d%02d%02d", date.year(), date.month(), date.day(),
                                 time.hour(), time.minute());
    }
    QString key(12, Qt::Uninitialized);
    QChar *out = key.data();
    PutDigits(out, date.year(), 4);
    PutDigits(out + 4, date.month(), 2);
    PutDigits(out + 6, date.day(), 2);
    PutDigits(out + 8, time.hour(), 2);
    PutDigits(out + 10, time.minute(), 2);
    return key;
}

QString ObjectCountText(qsizetype count)
{
    return QStringLiteral("%1 object(s)").arg(count);
}

QString SelectedCountText(qsizetype count)
{
    return QStringLiteral("%1 object(s) selected").arg(count);
}

#include "find/SearchSettings.h"

#include "platform/DayCount.h"
#include "platform/DisplayFormats.h"
#include "platform/SettingsStore.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringConverter>
#include <QStringDecoder>

namespace {

const QString kName = QStringLiteral("Name");
const QString kType = QStringLiteral("Type");
const QString kIncludeSubs = QStringLiteral("Include Subs");
const QString kAllEntries = QStringLiteral("All Entries");
const QString kNotAllEntries = QStringLiteral("Not All Entries");
const QString kBetween = QStringLiteral("Between");
const QString kAnd = QStringLiteral("And");
const QString kComment = QStringLiteral("Comment");
const QString kWholeWords = QStringLiteral("Whole Words");
const QString kMatchCase = QStringLiteral("Match Case");
const QString kLabelId = QStringLiteral("LabelID");
const QString kSource = QStringLiteral("Source");

QString BoolText(bool value)
{
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

// The values in key order.
QStringList ValuesOf(const SearchSettings &c)
{
    return {c.name,
            QString::number(c.type),
            BoolText(c.includeSubs),
            BoolText(c.allEntries),
            BoolText(c.notAllEntries),
            c.between,
            c.andDate,
            c.comment,
            BoolText(c.wholeWords),
            BoolText(c.matchCase),
            c.labelId,
            c.source};
}

// An integer as the settings read it: decimal, or hexadecimal after "0x".
std::optional<qint64> ParseInteger(const QString &text)
{
    const QString t = text.trimmed();
    bool ok = false;
    qint64 value = 0;
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = t.mid(2).toLongLong(&ok, 16);
    else
        value = t.toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

int ClampType(qint64 type)
{
    return type >= 0 && type < kSearchTypeCount ? int(type) : 0;
}

// Builds the criteria from a look-up of values by key.
template<typename Lookup>
SearchSettings FromValues(const Lookup &lookup)
{
    const SearchSettings defaults;
    auto text = [&](const QString &key, const QString &fallback) {
        const std::optional<QString> value = lookup(key);
        return value ? *value : fallback;
    };
    auto flag = [&](const QString &key, bool fallback) {
        const std::optional<QString> value = lookup(key);
        if (!value)
            return fallback;
        const std::optional<qint64> number = ParseInteger(*value);
        return number ? *number != 0 : fallback;
    };
    SearchSettings c;
    c.name = text(kName, defaults.name);
    const std::optional<QString> type = lookup(kType);
    const std::optional<qint64> typeNumber = type ? ParseInteger(*type) : std::nullopt;
    c.type = typeNumber ? ClampType(*typeNumber) : defaults.type;
    c.includeSubs = flag(kIncludeSubs, defaults.includeSubs);
    c.allEntries = flag(kAllEntries, defaults.allEntries);
    c.notAllEntries = flag(kNotAllEntries, defaults.notAllEntries);
    c.between = text(kBetween, defaults.between);
    c.andDate = text(kAnd, defaults.andDate);
    c.comment = text(kComment, defaults.comment);
    c.wholeWords = flag(kWholeWords, defaults.wholeWords);
    c.matchCase = flag(kMatchCase, defaults.matchCase);
    c.labelId = text(kLabelId, defaults.labelId);
    c.source = text(kSource, defaults.source);
    return c;
}

QString DecodeFile(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder windows("windows-1252");
    if (windows.isValid())
        return windows.decode(bytes);
    return QString::fromLatin1(bytes);
}

} // namespace

QStringList SearchSettingsKeys()
{
    return {kName, kType,    kIncludeSubs, kAllEntries, kNotAllEntries, kBetween,
            kAnd,  kComment, kWholeWords,  kMatchCase,  kLabelId,       kSource};
}

QStringList SearchTypeLabels()
{
    return {QStringLiteral("All Catalog and Archive Types"),
            QStringLiteral("Catalog Folders Only"),
            QStringLiteral("Disk Catalogs Only"),
            QStringLiteral("All Folders Types"),
            QStringLiteral("Cataloged Folders Only"),
            QStringLiteral("Packaged Folders Only"),
            QStringLiteral("All File Types"),
            QStringLiteral("Files Only"),
            QStringLiteral("File Packages Only"),
            QStringLiteral("Archive Volumes Only"),
            QStringLiteral("Archive Sets Only"),
            QStringLiteral("Duplicate Files Only (By Name, Size, Modified)"),
            QStringLiteral("Duplicate Files Only (By Name, Size)"),
            QStringLiteral("Duplicate Files Only (By Name)")};
}

SearchSettings ReadSearchSettings(const SettingsStore &settings)
{
    // Every value is read as text so that both sources share one parser.
    const QString missing = QStringLiteral("\x01missing");
    return FromValues([&](const QString &key) -> std::optional<QString> {
        const QString value = settings.ReadText(kSearchSettingsSection, key, missing);
        if (value == missing)
            return std::nullopt;
        return value;
    });
}

void WriteSearchSettings(SettingsStore &settings, const SearchSettings &criteria)
{
    const QStringList keys = SearchSettingsKeys();
    const QStringList values = ValuesOf(criteria);
    for (qsizetype i = 0; i < keys.size(); ++i)
        settings.WriteText(kSearchSettingsSection, keys[i], values[i]);
}

bool SaveSearchFile(const QString &fileName, const SearchSettings &criteria)
{
    // Written by hand: the keys must stand in their order, and values are
    // plain text (no quoting or list syntax of a settings library).
    QString text = QLatin1Char('[') + kSearchSettingsSection + QStringLiteral("]\n");
    const QStringList keys = SearchSettingsKeys();
    QStringList values = ValuesOf(criteria);
    for (qsizetype i = 0; i < keys.size(); ++i) {
        // A line break would end the value early; the edits never hold one.
        values[i].replace(u'\r', u' ').replace(u'\n', u' ');
        text += keys[i] + QLatin1Char('=') + values[i] + QLatin1Char('\n');
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(text.toUtf8());
    return file.commit();
}

std::optional<SearchSettings> LoadSearchFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // A lone carriage return ends a line too (files of older systems): a
    // value never holds one, as SaveSearchFile could not write it back.
    const QString text = DecodeFile(file.readAll()).replace(u'\r', u'\n');
    // Section and key names compare without regard to case; the first
    // occurrence of a key counts; blanks around names and values go.
    QHash<QString, QString> values;
    bool inSection = false;
    for (QString line : text.split(u'\n')) {
        line = line.trimmed();
        if (line.startsWith(QChar(0xFEFF)))
            line.remove(0, 1);
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            const qsizetype end = line.indexOf(u']');
            const QString section = line.mid(1, end < 0 ? -1 : end - 1).trimmed();
            inSection = section.compare(kSearchSettingsSection, Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inSection || equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed().toLower();
        if (!values.contains(key))
            values.insert(key, line.mid(equals + 1).trimmed());
    }
    return FromValues([&](const QString &key) -> std::optional<QString> {
        const auto found = values.constFind(key.toLower());
        if (found == values.cend())
            return std::nullopt;
        return *found;
    });
}

std::optional<QDate> ParseSearchDate(const QString &text)
{
    const QString t = text.trimmed();
    static const QRegularExpression iso(QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})$"));
    const QRegularExpressionMatch isoMatch = iso.match(t);
    if (isoMatch.hasMatch()) {
        const QDate date(isoMatch.captured(1).toInt(), isoMatch.captured(2).toInt(),
                         isoMatch.captured(3).toInt());
        return date.isValid() ? std::optional<QDate>(date) : std::nullopt;
    }
    // The order of day, month and year in the short date format.
    QString order;
    for (const QChar c : ShortDateFormat()) {
        const QChar lower = c.toLower();
        if ((lower == u'd' || lower == u'm' || lower == u'y') && !order.contains(lower))
            order += lower;
    }
    if (order.size() != 3)
        order = QStringLiteral("dmy");
    static const QRegularExpression parts(
        QStringLiteral("^(\\d{1,4})[^\\d]+(\\d{1,4})[^\\d]+(\\d{1,4})$"));
    const QRegularExpressionMatch match = parts.match(t);
    if (!match.hasMatch())
        return std::nullopt;
    int day = 0;
    int month = 0;
    int year = 0;
    for (int i = 0; i < 3; ++i) {
        const QString digits = match.captured(i + 1);
        const int value = digits.toInt();
        switch (order.at(i).unicode()) {
        case u'd':
            if (digits.size() > 2)
                return std::nullopt;
            day = value;
            break;
        case u'm':
            if (digits.size() > 2)
                return std::nullopt;
            month = value;
            break;
        default:
            if (digits.size() == 3)
                return std::nullopt;
            year = digits.size() <= 2 ? WindowedYear(value, QDate::currentDate().year()) : value;
            break;
        }
    }
    const QDate date(year, month, day);
    return date.isValid() ? std::optional<QDate>(date) : std::nullopt;
}

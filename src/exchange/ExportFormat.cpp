#include "exchange/ExportFormat.h"

#include "platform/DayCount.h"
#include "platform/DisplayFormats.h"

#include <QDate>
#include <QLocale>
#include <QStringDecoder>
#include <QTime>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

namespace {

bool IsControlOrBlank(QChar c)
{
    return c.unicode() <= 32;
}

// ----- date and time formats ------------------------------------------------

enum class TokenKind
{
    Day,
    DayName,
    Month,
    Year,
    Literal
};

struct DateToken
{
    TokenKind kind;
    int width = 1;   // letters in the format
    QString text;    // a literal
    QByteArray utf8; // the same in UTF-8
};

// The short date format as tokens: Qt's letters d, M and y, quoted text and
// everything else as literal text.
std::vector<DateToken> CompileDateFormat(const QString &format)
{
    std::vector<DateToken> tokens;
    auto addLiteral = [&](QChar c) {
        if (tokens.empty() || tokens.back().kind != TokenKind::Literal)
            tokens.push_back({TokenKind::Literal, 0, QString(), {}});
        tokens.back().text.append(c);
    };
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        if (c == u'\'') {
            const qsizetype end = format.indexOf(u'\'', i + 1);
            const qsizetype stop = end < 0 ? format.size() : end;
            if (stop == i + 1)
                addLiteral(u'\'');
            for (qsizetype k = i + 1; k < stop; ++k)
                addLiteral(format[k]);
            i = stop + 1;
            continue;
        }
        if (c == u'd' || c == u'M' || c == u'y') {
            qsizetype run = 1;
            while (i + run < format.size() && format[i + run] == c)
                ++run;
            TokenKind kind = TokenKind::Year;
            if (c == u'd')
                kind = run >= 3 ? TokenKind::DayName : TokenKind::Day;
            else if (c == u'M')
                kind = TokenKind::Month;
            tokens.push_back({kind, int(run), QString(), {}});
            i += run;
            continue;
        }
        addLiteral(c);
        ++i;
    }
    return tokens;
}

enum class TimeToken
{
    Hour24,
    Hour12,
    Minute,
    Second,
    Marker,
    Literal
};

struct TimePart
{
    TimeToken kind;
    int width = 1;
    QString text;
    QByteArray utf8; // the text in UTF-8
};

// The long time format as tokens, without time-zone letters. A format that
// shows no seconds is replaced by "HH:mm:ss": the export keeps seconds.
std::vector<TimePart> CompileTimeFormat(QString format)
{
    if (!format.contains(u's'))
        format = QStringLiteral("HH:mm:ss");
    const bool twelveHour = format.contains(u'a', Qt::CaseInsensitive);
    std::vector<TimePart> parts;
    auto addLiteral = [&](QChar c) {
        if (parts.empty() || parts.back().kind != TimeToken::Literal)
            parts.push_back({TimeToken::Literal, 0, QString(), {}});
        parts.back().text.append(c);
    };
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        if (c == u'\'') {
            const qsizetype end = format.indexOf(u'\'', i + 1);
            const qsizetype stop = end < 0 ? format.size() : end;
            for (qsizetype k = i + 1; k < stop; ++k)
                addLiteral(format[k]);
            i = stop + 1;
            continue;
        }
        qsizetype run = 1;
        while (i + run < format.size() && format[i + run] == c)
            ++run;
        if (c == u'h' || c == u'H') {
            parts.push_back({c == u'h' && twelveHour ? TimeToken::Hour12 : TimeToken::Hour24,
                             int(run),
                             {},
                             {}});
        } else if (c == u'm') {
            parts.push_back({TimeToken::Minute, int(run), {}, {}});
        } else if (c == u's') {
            parts.push_back({TimeToken::Second, int(run), {}, {}});
        } else if (c == u'a' || c == u'A') {
            // "AP" or "ap" is one marker; the P is part of it.
            parts.push_back({TimeToken::Marker, 1, QString(c), {}});
            if (i + 1 < format.size() && (format[i + 1] == u'p' || format[i + 1] == u'P'))
                run = 2;
            else
                run = 1;
        } else if (c == u't' || c == u'z') {
            // Time zones and milliseconds are not written.
        } else {
            for (qsizetype k = 0; k < run; ++k)
                addLiteral(c);
        }
        i += run;
    }
    // Blanks left dangling where a zone was cut.
    if (!parts.empty() && parts.back().kind == TimeToken::Literal) {
        while (!parts.back().text.isEmpty() && parts.back().text.back().isSpace())
            parts.back().text.chop(1);
        if (parts.back().text.isEmpty())
            parts.pop_back();
    }
    if (!parts.empty() && parts.front().kind == TimeToken::Literal) {
        while (!parts.front().text.isEmpty() && parts.front().text.front().isSpace())
            parts.front().text.remove(0, 1);
        if (parts.front().text.isEmpty())
            parts.erase(parts.begin());
    }
    return parts;
}

} // namespace

// The date and time formats of the display locale, compiled for writing and
// reading date-time texts.
struct ExportDateFormats
{
    QString shortDate;
    QLocale locale;
    std::vector<DateToken> date;
    // The same with day and month exchanged: dates of the other usual order.
    std::vector<DateToken> swappedDate;
    // The locale's own short date where the program writes another one (ISO
    // under the C locale): files written by earlier builds used it.
    std::vector<DateToken> localeDate;
    std::vector<TimePart> time;
    QString separator;
    QString am;
    QString pm;
};

namespace {

// The compiled formats of the display locale; compiled again when it changed.
const ExportDateFormats &CurrentFormats()
{
    static ExportDateFormats formats;
    static bool made = false;
    const QString shortDate = ShortDateFormat();
    const QLocale locale = DisplayLocale();
    if (made && formats.shortDate == shortDate && formats.locale == locale)
        return formats;
    formats.shortDate = shortDate;
    formats.locale = locale;
    formats.date = CompileDateFormat(shortDate);
    formats.swappedDate = formats.date;
    for (DateToken &token : formats.swappedDate) {
        if (token.kind == TokenKind::Day)
            token.kind = TokenKind::Month;
        else if (token.kind == TokenKind::Month)
            token.kind = TokenKind::Day;
    }
    const QString localeShortDate = KeepTwoMonthLetters(locale.dateFormat(QLocale::ShortFormat));
    formats.localeDate = localeShortDate == shortDate ? std::vector<DateToken>()
                                                      : CompileDateFormat(localeShortDate);
    formats.time = CompileTimeFormat(locale.timeFormat(QLocale::LongFormat));
    // The text between the first two parts of the date; a blank when that is
    // all there is ("d MM yyyy").
    formats.separator = QStringLiteral("/");
    for (const DateToken &token : formats.date) {
        if (token.kind == TokenKind::Literal && !token.text.isEmpty()) {
            const QString trimmed = token.text.trimmed();
            formats.separator = trimmed.isEmpty() ? QStringLiteral(" ") : trimmed;
            break;
        }
    }
    for (DateToken &token : formats.date)
        token.utf8 = token.text.toUtf8();
    for (TimePart &part : formats.time)
        part.utf8 = part.text.toUtf8();
    formats.am = locale.amText();
    formats.pm = locale.pmText();
    made = true;
    return formats;
}

// Date-time texts are built into a QString or straight into UTF-8 bytes.
void AppendAscii(QString &out, char c)
{
    out.append(QLatin1Char(c));
}
void AppendAscii(std::string &out, char c)
{
    out.push_back(c);
}
void AppendText(QString &out, const QString &text, const QByteArray &)
{
    out.append(text);
}
void AppendText(std::string &out, const QString &, const QByteArray &utf8)
{
    out.append(utf8.constData(), size_t(utf8.size()));
}

// Appends a number of at least width digits (ASCII, never the locale's).
template<typename Out>
void AppendNumber(Out &out, int value, int width)
{
    char digits[12];
    int count = 0;
    const bool negative = value < 0;
    unsigned magnitude = negative ? 0u - unsigned(value) : unsigned(value);
    do {
        digits[count++] = char('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (negative)
        AppendAscii(out, '-');
    for (int pad = count; pad < width; ++pad)
        AppendAscii(out, '0');
    while (count > 0)
        AppendAscii(out, digits[--count]);
}

// A catalog date-time in the formats (see ExportDateTimeText).
template<typename Out>
void AppendDateTime(Out &out, const ExportDateFormats &formats, double dayCount)
{
    QDate date;
    QTime time;
    SplitDayCount(dayCount, date, time);
    // To the nearest second: the text has no finer unit.
    const int rounded = (time.msecsSinceStartOfDay() + 500) / 1000;
    if (rounded >= 86400) {
        date = date.addDays(1);
        time = QTime(0, 0);
    } else {
        time = QTime::fromMSecsSinceStartOfDay(rounded * 1000);
    }
    // Each of QDate's day(), month() and year() converts the whole date.
    int year = 0;
    int month = 0;
    int day = 0;
    date.getDate(&year, &month, &day);
    for (const DateToken &token : formats.date) {
        switch (token.kind) {
        case TokenKind::Day:
            AppendNumber(out, day, token.width);
            break;
        case TokenKind::Month:
            AppendNumber(out, month, token.width);
            break;
        case TokenKind::Year:
            AppendNumber(out, year, 4);
            break;
        case TokenKind::DayName: {
            const QString name = formats.locale.dayName(
                date.dayOfWeek(), token.width == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
            AppendText(out, name, name.toUtf8());
            break;
        }
        case TokenKind::Literal:
            AppendText(out, token.text, token.utf8);
            break;
        }
    }
    if (time.msecsSinceStartOfDay() == 0)
        return;
    AppendAscii(out, ' ');
    for (const TimePart &part : formats.time) {
        switch (part.kind) {
        case TimeToken::Hour24:
            AppendNumber(out, time.hour(), part.width);
            break;
        case TimeToken::Hour12:
            AppendNumber(out, time.hour() % 12 == 0 ? 12 : time.hour() % 12, part.width);
            break;
        case TimeToken::Minute:
            AppendNumber(out, time.minute(), part.width);
            break;
        case TimeToken::Second:
            AppendNumber(out, time.second(), part.width);
            break;
        case TimeToken::Marker: {
            const QString &marker = time.hour() < 12 ? formats.am : formats.pm;
            const QString written = part.text == QStringLiteral("a") ? marker.toLower() : marker;
            AppendText(out, written, written.toUtf8());
            break;
        }
        case TimeToken::Literal:
            AppendText(out, part.text, part.utf8);
            break;
        }
    }
}

// A small reader over a text that date and time parts are taken from.
struct Reader
{
    QStringView text;
    qsizetype at = 0;

    bool AtEnd() const { return at >= text.size(); }
    QChar Peek() const { return AtEnd() ? QChar() : text[at]; }
    void SkipBlanks()
    {
        while (!AtEnd() && text[at].isSpace())
            ++at;
    }
    // Up to maxDigits ASCII digits; false when there is none.
    bool Number(int maxDigits, int &value, int *digits = nullptr)
    {
        int count = 0;
        value = 0;
        while (count < maxDigits && !AtEnd() && text[at] >= u'0' && text[at] <= u'9') {
            value = value * 10 + (text[at].unicode() - u'0');
            ++at;
            ++count;
        }
        if (digits)
            *digits = count;
        return count > 0;
    }
};

bool IsDateSeparator(QChar c)
{
    return c == u'/' || c == u'-' || c == u'.';
}

bool ReadDate(Reader &reader, const std::vector<DateToken> &tokens, QDate &date)
{
    int day = -1;
    int month = -1;
    int year = -1;
    for (const DateToken &token : tokens) {
        switch (token.kind) {
        case TokenKind::Day:
            if (!reader.Number(2, day))
                return false;
            break;
        case TokenKind::Month:
            if (!reader.Number(2, month))
                return false;
            break;
        case TokenKind::Year: {
            int digits = 0;
            if (!reader.Number(4, year, &digits))
                return false;
            if (digits <= 2)
                year = WindowedYear(year, QDate::currentDate().year());
            break;
        }
        case TokenKind::DayName:
            while (!reader.AtEnd() && reader.Peek().isLetter())
                ++reader.at;
            if (reader.Peek() == u'.')
                ++reader.at;
            break;
        case TokenKind::Literal:
            for (const QChar c : token.text) {
                if (c.isSpace()) {
                    // Blanks between the parts of a date; another program
                    // may have put a separator there.
                    const qsizetype before = reader.at;
                    reader.SkipBlanks();
                    if (reader.at == before && IsDateSeparator(reader.Peek()))
                        ++reader.at;
                    continue;
                }
                const QChar found = reader.Peek();
                if (found == c || (IsDateSeparator(c) && IsDateSeparator(found)))
                    ++reader.at;
                else
                    return false;
            }
            break;
        }
    }
    if (day < 0 || month < 0 || year < 0)
        return false;
    date = QDate(year, month, day);
    return date.isValid();
}

bool MatchMarker(Reader &reader, const QString &marker)
{
    if (marker.isEmpty())
        return false;
    if (reader.text.sliced(reader.at).startsWith(marker, Qt::CaseInsensitive)) {
        reader.at += marker.size();
        return true;
    }
    return false;
}

// Hours, optional minutes and seconds (":" or "." between them), optional
// milliseconds and an optional AM or PM marker: the long and the short time
// of every usual locale, and the times other programs write.
bool ReadTime(Reader &reader, const ExportDateFormats &formats, QTime &time)
{
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    if (!reader.Number(2, hour))
        return false;
    auto separator = [&] {
        const QChar c = reader.Peek();
        if ((c == u':' || c == u'.') && reader.at + 1 < reader.text.size() &&
            reader.text[reader.at + 1].isDigit()) {
            ++reader.at;
            return true;
        }
        return false;
    };
    if (separator() && !reader.Number(2, minute))
        return false;
    if (separator() && !reader.Number(2, second))
        return false;
    if (reader.Peek() == u'.' || reader.Peek() == u',') {
        ++reader.at;
        int digits = 0;
        if (!reader.Number(3, millisecond, &digits))
            return false;
        for (; digits < 3; ++digits)
            millisecond *= 10;
    }
    reader.SkipBlanks();
    int shift = -1;
    if (MatchMarker(reader, formats.pm) || MatchMarker(reader, QStringLiteral("PM")))
        shift = 12;
    else if (MatchMarker(reader, formats.am) || MatchMarker(reader, QStringLiteral("AM")))
        shift = 0;
    else if (MatchMarker(reader, QStringLiteral("P")))
        shift = 12;
    else if (MatchMarker(reader, QStringLiteral("A")))
        shift = 0;
    if (shift >= 0) {
        if (hour < 1 || hour > 12)
            return false;
        hour = hour % 12 + shift;
    }
    time = QTime(hour, minute, second, millisecond);
    return time.isValid();
}

// The time exactly as the long time format writes it (for formats with
// words between the numbers, or the AM/PM marker in front).
bool ReadTimeExact(Reader &reader, const ExportDateFormats &formats, QTime &time)
{
    int hour = 0;
    int minute = 0;
    int second = 0;
    int shift = -1;
    bool twelveHour = false;
    for (const TimePart &part : formats.time) {
        switch (part.kind) {
        case TimeToken::Hour24:
        case TimeToken::Hour12:
            twelveHour = part.kind == TimeToken::Hour12;
            if (!reader.Number(2, hour))
                return false;
            break;
        case TimeToken::Minute:
            if (!reader.Number(2, minute))
                return false;
            break;
        case TimeToken::Second:
            if (!reader.Number(2, second))
                return false;
            break;
        case TimeToken::Marker:
            if (MatchMarker(reader, formats.pm))
                shift = 12;
            else if (MatchMarker(reader, formats.am))
                shift = 0;
            else
                return false;
            break;
        case TimeToken::Literal:
            for (const QChar c : part.text) {
                if (c.isSpace())
                    reader.SkipBlanks();
                else if (reader.Peek() == c)
                    ++reader.at;
                else
                    return false;
            }
            break;
        }
    }
    if (twelveHour && shift >= 0) {
        if (hour < 1 || hour > 12)
            return false;
        hour = hour % 12 + shift;
    }
    time = QTime(hour, minute, second);
    return time.isValid();
}

// Date and optional time; the whole text must be used.
bool ReadDateTime(QStringView text, const std::vector<DateToken> &dateTokens,
                  const ExportDateFormats &formats, double &dayCount)
{
    Reader reader{text};
    reader.SkipBlanks();
    QDate date;
    if (!ReadDate(reader, dateTokens, date))
        return false;
    QTime time(0, 0);
    reader.SkipBlanks();
    if (!reader.AtEnd()) {
        if (reader.Peek() == u'T')
            ++reader.at;
        const qsizetype start = reader.at;
        auto wholeText = [&] {
            reader.SkipBlanks();
            return reader.AtEnd();
        };
        if (!(ReadTimeExact(reader, formats, time) && wholeText())) {
            reader.at = start;
            if (!(ReadTime(reader, formats, time) && wholeText()))
                return false;
        }
    }
    dayCount = DayCountOf(date, time);
    return true;
}

const std::vector<DateToken> &IsoDateTokens()
{
    static const std::vector<DateToken> tokens = [] {
        std::vector<DateToken> made = CompileDateFormat(QStringLiteral("yyyy-MM-dd"));
        return made;
    }();
    return tokens;
}

// Windows-1252 where it differs from Latin-1: the bytes 0x80 to 0x9F.
// Bytes that code page leaves undefined keep their Latin-1 value.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

bool FieldNeedsQuotes(QStringView field)
{
    for (const QChar c : field) {
        if (c == u'"' || c == u',' || c.unicode() <= 32)
            return true;
    }
    return false;
}

QString EncodeField(QStringView field)
{
    if (!FieldNeedsQuotes(field))
        return field.toString();
    QString quoted;
    quoted.reserve(field.size() + 2);
    quoted.append(u'"');
    for (const QChar c : field) {
        if (c == u'"')
            quoted.append(u'"');
        quoted.append(c);
    }
    quoted.append(u'"');
    return quoted;
}

QString EncodeExportRecord(const QStringList &fields)
{
    QString line;
    line.reserve(160);
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line.append(u',');
        line.append(EncodeField(fields[i]));
    }
    return line;
}

QStringList DecodeExportRecord(QStringView text)
{
    QStringList fields;
    qsizetype at = 0;
    const qsizetype size = text.size();
    auto skipBlanks = [&] {
        while (at < size && IsControlOrBlank(text[at]))
            ++at;
    };
    skipBlanks();
    while (at < size) {
        QString field;
        if (text[at] == u'"') {
            ++at;
            while (at < size) {
                if (text[at] == u'"') {
                    if (at + 1 < size && text[at + 1] == u'"') {
                        field.append(u'"');
                        at += 2;
                        continue;
                    }
                    ++at;
                    break;
                }
                field.append(text[at++]);
            }
        } else {
            const qsizetype start = at;
            while (at < size && !IsControlOrBlank(text[at]) && text[at] != u',')
                ++at;
            field = text.sliced(start, at - start).toString();
        }
        fields.append(field);
        skipBlanks();
        if (at < size && text[at] == u',') {
            ++at;
            skipBlanks();
            if (at >= size)
                fields.append(QString());
        }
    }
    return fields;
}

QString TrimControls(QStringView text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && IsControlOrBlank(text[start]))
        ++start;
    while (end > start && IsControlOrBlank(text[end - 1]))
        --end;
    return text.sliced(start, end - start).toString();
}

bool IsValidUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes);
    Q_UNUSED(text);
    return !decoder.hasError();
}

QString DecodeExternalText(const QByteArray &bytes, ExternalEncoding encoding)
{
    if (encoding == ExternalEncoding::Utf8) {
        QByteArrayView view(bytes);
        if (view.startsWith("\xEF\xBB\xBF"))
            view = view.sliced(3);
        return QString::fromUtf8(view);
    }
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        *out++ = value >= 0x80 && value <= 0x9F ? QChar(kWindows1252High[value - 0x80])
                                                : QChar(char16_t(value));
    }
    return text;
}

QString ExportDateTimeText(std::optional<double> dayCount)
{
    if (!dayCount)
        return QString();
    QString text;
    text.reserve(24);
    AppendDateTime(text, CurrentFormats(), *dayCount);
    return text;
}

ExportRecordBuilder::ExportRecordBuilder(QByteArray &out)
    : m_out(out)
{
    m_formats = std::make_unique<ExportDateFormats>(CurrentFormats());
}

ExportRecordBuilder::~ExportRecordBuilder() = default;

void ExportRecordBuilder::AppendField(std::string_view field)
{
    if (m_fields++ > 0)
        m_record.push_back(',');
    const bool quoted = std::any_of(field.begin(), field.end(), [](char c) {
        return static_cast<unsigned char>(c) <= 32 || c == '"' || c == ',';
    });
    if (!quoted) {
        m_record.append(field);
        return;
    }
    m_record.push_back('"');
    for (const char c : field) {
        if (c == '"')
            m_record.push_back('"');
        m_record.push_back(c);
    }
    m_record.push_back('"');
}

ExportRecordBuilder &ExportRecordBuilder::Utf8(QByteArrayView field)
{
    // Text that is not plain ASCII is passed through the decoder, so that
    // bytes that are no UTF-8 are written as the replacement character, as
    // the text read as a string would be, never as bytes that would make the
    // whole file read as an old Windows file.
    if (std::any_of(field.begin(), field.end(),
                    [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
        const QByteArray valid = QString::fromUtf8(field).toUtf8();
        AppendField(std::string_view(valid.constData(), size_t(valid.size())));
    } else {
        AppendField(std::string_view(field.data(), size_t(field.size())));
    }
    return *this;
}

ExportRecordBuilder &ExportRecordBuilder::Text(QStringView field)
{
    const QByteArray utf8 = field.toUtf8();
    AppendField(std::string_view(utf8.constData(), size_t(utf8.size())));
    return *this;
}

ExportRecordBuilder &ExportRecordBuilder::Number(qint64 value)
{
    char digits[24];
    const auto end = std::to_chars(std::begin(digits), std::end(digits), value).ptr;
    AppendField(std::string_view(digits, size_t(end - digits)));
    return *this;
}

ExportRecordBuilder &ExportRecordBuilder::DateTime(std::optional<double> dayCount)
{
    m_scratch.clear();
    if (dayCount)
        AppendDateTime(m_scratch, *m_formats, *dayCount);
    AppendField(m_scratch);
    return *this;
}

void ExportRecordBuilder::EndRecord()
{
    m_record.append("\r\n");
    m_out.append(m_record.data(), qsizetype(m_record.size()));
    m_record.clear();
    m_fields = 0;
}

std::optional<std::optional<double>> ParseExportDateTime(QStringView text)
{
    if (std::all_of(text.begin(), text.end(), IsControlOrBlank))
        return std::optional<double>();
    const ExportDateFormats &formats = CurrentFormats();
    double dayCount = 0;
    if (ReadDateTime(text, formats.date, formats, dayCount) ||
        ReadDateTime(text, IsoDateTokens(), formats, dayCount) ||
        ReadDateTime(text, formats.swappedDate, formats, dayCount) ||
        (!formats.localeDate.empty() && ReadDateTime(text, formats.localeDate, formats, dayCount)))
        return std::optional<double>(dayCount);
    return std::nullopt;
}

QString DateSeparator()
{
    return CurrentFormats().separator;
}

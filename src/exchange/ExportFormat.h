#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

// The text form of export files: comma-separated records of quoted or plain
// fields, the date-time texts in them, and the character encodings files are
// written and read in.

// Whether a field is written in double quotes: it holds a double quote, a
// comma, a blank or a control character.
bool FieldNeedsQuotes(QStringView field);
// One field as written: quoted with inner quotes doubled when it needs it.
QString EncodeField(QStringView field);

// The fields joined by commas into one record (without line end), each
// whole, however long: a record that lost a field would be skipped on import.
QString EncodeExportRecord(const QStringList &fields);

// Splits a record into its fields. Blanks and control characters around a
// field are skipped; a quoted field runs to the next single double quote (a
// doubled one stands for one) and may hold line breaks; a plain field runs to
// the next comma or blank; a comma at the end gives a last, empty field.
QStringList DecodeExportRecord(QStringView text);

// Trims blanks and control characters (codes up to 32) from both ends.
QString TrimControls(QStringView text);

// Text of a file read from outside: UTF-8 when the bytes are valid UTF-8
// (a leading byte-order mark is dropped), otherwise Windows-1252.
enum class ExternalEncoding
{
    Utf8,
    Windows1252
};
bool IsValidUtf8(const QByteArray &bytes);
QString DecodeExternalText(const QByteArray &bytes, ExternalEncoding encoding);

struct ExportDateFormats;

// Builds export records as UTF-8 bytes at the end of a buffer, field by
// field, exactly as EncodeExportRecord and ExportDateTimeText give them, and
// ends each with carriage return and line feed. The date and time formats
// are taken once, when the builder is made, not for every field.
class ExportRecordBuilder final
{
public:
    explicit ExportRecordBuilder(QByteArray &out);
    ~ExportRecordBuilder();
    Q_DISABLE_COPY_MOVE(ExportRecordBuilder)

    ExportRecordBuilder &Text(QStringView field);
    // A field given as UTF-8 (bytes that are not are written as U+FFFD).
    ExportRecordBuilder &Utf8(QByteArrayView field);
    ExportRecordBuilder &Number(qint64 value);
    // A date-time as ExportDateTimeText writes it; nullopt is blank.
    ExportRecordBuilder &DateTime(std::optional<double> dayCount);
    void EndRecord();

private:
    void AppendField(std::string_view field);

    QByteArray &m_out;
    std::unique_ptr<ExportDateFormats> m_formats;
    std::string m_record;
    std::string m_scratch;
    int m_fields = 0;
};

// A catalog date-time as export text: the short date, a blank and the long
// time of the display locale (DisplayFormats.h); the time is left out at
// exactly midnight. Years are always written with four digits and times
// with seconds, so that a date read back on the same machine is the same to
// the second. A blank date-time (nullopt) is the empty text.
QString ExportDateTimeText(std::optional<double> dayCount);

// Reads a date-time text back: first by the display locale's short date and
// a time of hours, minutes, optional seconds and an optional AM/PM marker;
// then as ISO 8601 ("yyyy-mm-dd hh:mm:ss", the time optional); last with day
// and month in the other order (a text no other way reads, "12/31/95" on a
// day-first machine). A two-digit
// year is taken in the window of 50 years around the current year. The
// empty text is a blank date-time. nullopt inside: not a date-time.
std::optional<std::optional<double>> ParseExportDateTime(QStringView text);

// The separator of the display locale's short date ("/" when it has none).
QString DateSeparator();

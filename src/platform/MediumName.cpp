#include "platform/MediumName.h"

#include <sys/stat.h>

namespace {

// The byte 0xNN that is not part of valid UTF-8 becomes the character U+EFNN.
constexpr char16_t kEscapeBase = 0xEF00;
constexpr char32_t kEscapeFirst = 0xEF80;
constexpr char32_t kEscapeLast = 0xEFFF;

bool IsEscape(char32_t codePoint)
{
    return codePoint >= kEscapeFirst && codePoint <= kEscapeLast;
}

// The length (1 to 4) of the well-formed UTF-8 sequence that starts the bytes,
// with its code point; 0 when they start with no such sequence (a stray
// continuation byte, a cut sequence, an overlong form, a surrogate, or a value
// beyond U+10FFFF).
int SequenceLength(const uchar *bytes, qsizetype left, char32_t &codePoint)
{
    const uchar lead = bytes[0];
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    int length = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (left < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((bytes[i] & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (bytes[i] & 0x3F);
    }
    if (length == 3 && (codePoint < 0x800 || (codePoint >= 0xD800 && codePoint <= 0xDFFF)))
        return 0;
    if (length == 4 && (codePoint < 0x10000 || codePoint > 0x10FFFF))
        return 0;
    return length;
}

} // namespace

bool MediumNameIsPlainText(QByteArrayView bytes)
{
    const auto *data = reinterpret_cast<const uchar *>(bytes.data());
    const qsizetype size = bytes.size();
    qsizetype i = 0;
    while (i < size && data[i] < 0x80)
        ++i;
    while (i < size) {
        char32_t codePoint = 0;
        const int length = SequenceLength(data + i, size - i, codePoint);
        if (length == 0 || IsEscape(codePoint))
            return false;
        i += length;
    }
    return true;
}

QString MediumNameText(QByteArrayView bytes)
{
    if (MediumNameIsPlainText(bytes))
        return QString::fromUtf8(bytes);
    const auto *data = reinterpret_cast<const uchar *>(bytes.data());
    const qsizetype size = bytes.size();
    QString text;
    text.reserve(size);
    qsizetype i = 0;
    while (i < size) {
        char32_t codePoint = 0;
        const int length = SequenceLength(data + i, size - i, codePoint);
        if (length == 0 || IsEscape(codePoint)) {
            // Each byte of an invalid spot, or of a real escape-range
            // character, is escaped on its own.
            const int count = length == 0 ? 1 : length;
            for (int k = 0; k < count; ++k)
                text.append(QChar(char16_t(kEscapeBase + data[i + k])));
            i += count;
        } else if (codePoint < 0x10000) {
            text.append(QChar(char16_t(codePoint)));
            i += length;
        } else {
            text.append(QChar(QChar::highSurrogate(codePoint)));
            text.append(QChar(QChar::lowSurrogate(codePoint)));
            i += length;
        }
    }
    return text;
}

QByteArray MediumNameBytes(const QString &name)
{
    QByteArray bytes;
    bytes.reserve(name.size());
    const QStringView view(name);
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < view.size(); ++i) {
        const char16_t c = view[i].unicode();
        if (!IsEscape(c))
            continue;
        bytes += view.mid(runStart, i - runStart).toUtf8();
        bytes += char(c - kEscapeBase);
        runStart = i + 1;
    }
    bytes += view.mid(runStart).toUtf8();
    return bytes;
}

bool MediumFileExists(const QString &path)
{
    struct stat status;
    return ::stat(MediumNameBytes(path).constData(), &status) == 0 && !S_ISDIR(status.st_mode);
}

#include "find/NamePattern.h"

#include <QList>

#include <algorithm>
#include <cstring>

namespace {

char32_t LowerAscii(char32_t c)
{
    return c >= U'A' && c <= U'Z' ? c + 32 : c;
}

char UpperAscii(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 32) : c;
}

// Decodes UTF-8 into code points; a byte that does not start a valid
// sequence stands for itself as one character (in the range U+DC80 to U+DCFF,
// which valid UTF-8 never produces). ASCII letters are lowered on the way.
void DecodeLowered(const char *utf8, std::size_t length, std::u32string &out)
{
    out.clear();
    const auto *bytes = reinterpret_cast<const unsigned char *>(utf8);
    std::size_t i = 0;
    while (i < length) {
        const unsigned char b = bytes[i];
        if (b < 0x80) {
            out.push_back(LowerAscii(b));
            ++i;
            continue;
        }
        int extra = 0;
        char32_t c = 0;
        char32_t minimum = 0;
        if ((b & 0xE0) == 0xC0) {
            extra = 1;
            c = b & 0x1F;
            minimum = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2;
            c = b & 0x0F;
            minimum = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3;
            c = b & 0x07;
            minimum = 0x10000;
        }
        bool valid = extra > 0;
        for (int k = 1; valid && k <= extra; ++k) {
            if (i + k >= length || (bytes[i + k] & 0xC0) != 0x80)
                valid = false;
            else
                c = (c << 6) | (bytes[i + k] & 0x3F);
        }
        if (valid && (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)))
            valid = false;
        if (!valid) {
            out.push_back(0xDC00 | b);
            ++i;
            continue;
        }
        out.push_back(c);
        i += std::size_t(extra) + 1;
    }
}

bool IsAsciiWordCharacter(char32_t c)
{
    return (c >= U'0' && c <= U'9') || (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z');
}

// The upper case of the comment search: a table of the Latin-1 range, each
// character mapped to its upper case when that lies in the range too.
struct UpperTable
{
    char16_t upper[256];
    UpperTable()
    {
        for (int c = 0; c < 256; ++c) {
            const char16_t mapped = QChar(char16_t(c)).toUpper().unicode();
            upper[c] = mapped < 256 ? mapped : char16_t(c);
        }
    }
};

char16_t UpperLatin1(char16_t c)
{
    static const UpperTable table;
    return c < 256 ? table.upper[c] : c;
}

} // namespace

bool NamePattern::CharacterSet::Contains(char32_t c) const
{
    bool inside = false;
    for (const auto &[low, high] : ranges) {
        if (c >= low && c <= high) {
            inside = true;
            break;
        }
    }
    return inside != negated;
}

NamePattern::NamePattern(const QString &pattern)
{
    m_wildcard = pattern.contains(u'?') || pattern.contains(u'*');
    if (!m_wildcard) {
        m_upperNeedle = pattern.toUtf8().toStdString();
        for (char &c : m_upperNeedle)
            c = UpperAscii(c);
        return;
    }
    const QByteArray utf8 = pattern.toUtf8();
    std::u32string p;
    DecodeLowered(utf8.constData(), std::size_t(utf8.size()), p);
    std::size_t i = 0;
    while (i < p.size()) {
        const char32_t c = p[i];
        if (c == U'*') {
            // A run of stars means what one star means.
            if (m_tokens.empty() || m_tokens.back().kind != Kind::Star)
                m_tokens.push_back({Kind::Star});
            ++i;
        } else if (c == U'?') {
            m_tokens.push_back({Kind::AnyOne});
            ++i;
        } else if (c == U'[') {
            CharacterSet set;
            ++i;
            if (i < p.size() && (p[i] == U'!' || p[i] == U'^')) {
                set.negated = true;
                ++i;
            }
            if (i < p.size() && p[i] == U']') {
                m_malformed = true;
                return;
            }
            bool closed = false;
            while (i < p.size()) {
                if (p[i] == U']') {
                    closed = true;
                    ++i;
                    break;
                }
                const char32_t low = p[i];
                if (i + 1 < p.size() && p[i + 1] == U'-') {
                    if (i + 2 >= p.size() || p[i + 2] == U']') {
                        m_malformed = true;
                        return;
                    }
                    set.ranges.emplace_back(low, p[i + 2]);
                    i += 3;
                } else {
                    set.ranges.emplace_back(low, low);
                    ++i;
                }
            }
            if (!closed) {
                m_malformed = true;
                return;
            }
            m_sets.push_back(std::move(set));
            m_tokens.push_back({Kind::Set, 0, int(m_sets.size()) - 1});
        } else {
            m_tokens.push_back({Kind::Literal, c});
            ++i;
        }
    }
    const auto star = std::find_if(m_tokens.begin(), m_tokens.end(),
                                   [](const Token &token) { return token.kind == Kind::Star; });
    if (star != m_tokens.end()) {
        m_head = std::size_t(star - m_tokens.begin());
        const auto lastStar = std::find_if(m_tokens.rbegin(), m_tokens.rend(),
                                           [](const Token &t) { return t.kind == Kind::Star; });
        m_tail = std::size_t(lastStar - m_tokens.rbegin());
    }
}

QStringList NamePattern::LiteralRuns() const
{
    if (!m_wildcard)
        return {QString::fromUtf8(m_upperNeedle.data(), qsizetype(m_upperNeedle.size()))};
    if (m_malformed)
        return {};
    QStringList runs;
    std::u32string run;
    auto endRun = [&] {
        if (!run.empty())
            runs << QString::fromUcs4(run.data(), qsizetype(run.size()));
        run.clear();
    };
    for (const Token &token : m_tokens) {
        if (token.kind == Kind::Literal)
            run.push_back(token.character);
        else
            endRun();
    }
    endRun();
    return runs;
}

bool NamePattern::Matches(const QString &text) const
{
    const QByteArray utf8 = text.toUtf8();
    return Matches(utf8.constData(), std::size_t(utf8.size()));
}

bool NamePattern::Matches(const char *utf8, std::size_t length) const
{
    if (!m_wildcard)
        return MatchesSubstring(utf8, length);
    if (m_malformed)
        return false;
    const auto *bytes = reinterpret_cast<const unsigned char *>(utf8);
    if (std::all_of(bytes, bytes + length, [](unsigned char b) { return b < 0x80; }))
        return MatchesWildcard(bytes, length);
    DecodeLowered(utf8, length, m_textBuffer);
    return MatchesWildcard(m_textBuffer.data(), m_textBuffer.size());
}

bool NamePattern::MatchesSubstring(const char *utf8, std::size_t length) const
{
    if (m_upperNeedle.empty())
        return true;
    if (m_upperNeedle.size() > length)
        return false;
    m_upperBuffer.assign(utf8, length);
    for (char &c : m_upperBuffer)
        c = UpperAscii(c);
    // UTF-8 never lets a sequence start inside another, so a byte match is a
    // character match.
    return memmem(m_upperBuffer.data(), length, m_upperNeedle.data(), m_upperNeedle.size()) !=
           nullptr;
}

bool NamePattern::TokenMatches(const Token &token, char32_t c) const
{
    switch (token.kind) {
    case Kind::Literal:
        return token.character == c;
    case Kind::AnyOne:
        return true;
    case Kind::Set:
        return m_sets[std::size_t(token.set)].Contains(c);
    case Kind::Star:
        break;
    }
    return false;
}

template<typename Char>
bool NamePattern::MatchesWildcard(const Char *text, std::size_t length) const
{
    const std::size_t count = m_tokens.size();
    if (m_head + m_tail > 0) {
        if (m_head + m_tail > length)
            return false;
        for (std::size_t k = 0; k < m_tail; ++k) {
            if (!TokenMatches(m_tokens[count - m_tail + k],
                              LowerAscii(char32_t(text[length - m_tail + k]))))
                return false;
        }
        for (std::size_t k = 0; k < m_head; ++k) {
            if (!TokenMatches(m_tokens[k], LowerAscii(char32_t(text[k]))))
                return false;
        }
    }
    std::size_t p = 0;
    std::size_t t = 0;
    // Where the last star stands in the pattern, and the text position its
    // run ends at for the current attempt.
    std::size_t starToken = count;
    std::size_t starText = 0;
    while (t < length) {
        if (p < count && m_tokens[p].kind == Kind::Star) {
            starToken = p++;
            starText = t;
            continue;
        }
        if (p < count && TokenMatches(m_tokens[p], LowerAscii(char32_t(text[t])))) {
            ++p;
            ++t;
            continue;
        }
        if (starToken == count)
            return false;
        // Let the last star take one more character and try again from there.
        p = starToken + 1;
        t = ++starText;
    }
    while (p < count && m_tokens[p].kind == Kind::Star)
        ++p;
    return p == count;
}

bool MatchPattern(const QString &pattern, const QString &text)
{
    return NamePattern(pattern).Matches(text);
}

CommentPattern::CommentPattern(const QString &searchText, bool matchCase, bool wholeWords)
    : m_matchCase(matchCase)
    , m_wholeWords(wholeWords)
{
    for (const QChar c : searchText)
        m_needle.push_back(matchCase ? c.unicode() : UpperLatin1(c.unicode()));
}

bool CommentPattern::Matches(const QString &comment) const
{
    if (m_needle.empty())
        return true;
    const std::size_t n = std::min<std::size_t>(std::size_t(comment.size()), kSearchedLength);
    const std::size_t k = m_needle.size();
    if (k > n)
        return false;
    m_buffer.resize(n);
    const QChar *text = comment.constData();
    for (std::size_t i = 0; i < n; ++i)
        m_buffer[i] = m_matchCase ? text[i].unicode() : UpperLatin1(text[i].unicode());
    for (std::size_t start = 0; start + k <= n; ++start) {
        if (m_buffer[start] != m_needle[0])
            continue;
        if (m_wholeWords && start > 0 && IsAsciiWordCharacter(m_buffer[start - 1]))
            continue;
        if (m_buffer.compare(start, k, m_needle) != 0)
            continue;
        if (m_wholeWords && start + k < n && IsAsciiWordCharacter(m_buffer[start + k]))
            continue;
        return true;
    }
    return false;
}

bool MatchComment(const QString &comment, const QString &searchText, bool matchCase,
                  bool wholeWords)
{
    return CommentPattern(searchText, matchCase, wholeWords).Matches(comment);
}

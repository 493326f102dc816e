// The name-mask and comment matchers: the input is a flags byte, a pattern,
// a NUL and a text. Each matcher must agree with the plain reference
// matcher below, written straight from the rules with no speed tricks.
#include "FuzzSupport.h"
#include "find/NamePattern.h"

#include <optional>
#include <string>
#include <vector>

namespace {

char32_t LowerAscii(char32_t c)
{
    return c >= U'A' && c <= U'Z' ? c + 32 : c;
}

std::u32string Lowered(const QString &text)
{
    std::u32string out;
    for (const char32_t c : text.toUcs4())
        out.push_back(LowerAscii(c));
    return out;
}

// One element of a wildcard mask: a character, "?", "*" or a set.
struct Element
{
    enum Kind
    {
        Literal,
        AnyOne,
        Star,
        Set
    } kind = Literal;
    char32_t character = 0;
    bool negated = false;
    std::vector<std::pair<char32_t, char32_t>> ranges;

    bool Takes(char32_t c) const
    {
        if (kind == AnyOne)
            return true;
        if (kind == Literal)
            return c == character;
        bool inside = false;
        for (const auto &[low, high] : ranges)
            inside = inside || (c >= low && c <= high);
        return inside != negated;
    }
};

Element MakeElement(Element::Kind kind, char32_t character = 0)
{
    Element element;
    element.kind = kind;
    element.character = character;
    return element;
}

// The mask's elements; nullopt for a malformed set.
std::optional<std::vector<Element>> ParseMask(const std::u32string &p)
{
    std::vector<Element> elements;
    for (std::size_t i = 0; i < p.size();) {
        if (p[i] == U'*' || p[i] == U'?') {
            elements.push_back(MakeElement(p[i] == U'*' ? Element::Star : Element::AnyOne));
            ++i;
            continue;
        }
        if (p[i] != U'[') {
            elements.push_back(MakeElement(Element::Literal, p[i]));
            ++i;
            continue;
        }
        Element set = MakeElement(Element::Set);
        ++i;
        if (i < p.size() && (p[i] == U'!' || p[i] == U'^')) {
            set.negated = true;
            ++i;
        }
        if (i < p.size() && p[i] == U']')
            return std::nullopt;
        for (;;) {
            if (i >= p.size())
                return std::nullopt;
            if (p[i] == U']')
                break;
            if (i + 1 < p.size() && p[i + 1] == U'-') {
                if (i + 2 >= p.size() || p[i + 2] == U']')
                    return std::nullopt;
                set.ranges.emplace_back(p[i], p[i + 2]);
                i += 3;
            } else {
                set.ranges.emplace_back(p[i], p[i]);
                ++i;
            }
        }
        ++i;
        elements.push_back(set);
    }
    return elements;
}

// Whole-text match by dynamic programming over (element, character).
bool ReferenceWildcard(const std::vector<Element> &mask, const std::u32string &text)
{
    std::vector<char> next(text.size() + 1, 0);
    next[text.size()] = 1; // the empty mask matches the empty rest
    for (std::size_t e = mask.size(); e-- > 0;) {
        std::vector<char> here(text.size() + 1, 0);
        for (std::size_t t = text.size() + 1; t-- > 0;) {
            if (mask[e].kind == Element::Star)
                here[t] = next[t] || (t < text.size() && here[t + 1]);
            else
                here[t] = t < text.size() && mask[e].Takes(text[t]) && next[t + 1];
        }
        next.swap(here);
    }
    return next[0];
}

bool ReferenceNameMatch(const QString &pattern, const QString &text)
{
    if (!pattern.contains(u'?') && !pattern.contains(u'*')) {
        const std::u32string needle = Lowered(pattern);
        return Lowered(text).find(needle) != std::u32string::npos;
    }
    const std::optional<std::vector<Element>> mask = ParseMask(Lowered(pattern));
    return mask && ReferenceWildcard(*mask, Lowered(text));
}

// Upper case within the Latin-1 range only.
char16_t UpperLatin1(char16_t c)
{
    if (c > 0xFF)
        return c;
    const char16_t upper = QChar(c).toUpper().unicode();
    return upper <= 0xFF ? upper : c;
}

bool IsWordCharacter(char16_t c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool ReferenceCommentMatch(const QString &comment, const QString &search, bool matchCase,
                           bool wholeWords)
{
    std::u16string text;
    for (const QChar c : comment.left(CommentPattern::kSearchedLength))
        text.push_back(matchCase ? c.unicode() : UpperLatin1(c.unicode()));
    std::u16string needle;
    for (const QChar c : search)
        needle.push_back(matchCase ? c.unicode() : UpperLatin1(c.unicode()));
    if (needle.empty())
        return true;
    for (std::size_t at = text.find(needle); at != std::u16string::npos;
         at = text.find(needle, at + 1)) {
        const std::size_t end = at + needle.size();
        if (!wholeWords || ((at == 0 || !IsWordCharacter(text[at - 1])) &&
                            (end == text.size() || !IsWordCharacter(text[end]))))
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    PrepareFuzzProcess();
    if (size == 0)
        return 0;
    const bool matchCase = data[0] & 1;
    const bool wholeWords = data[0] & 2;
    const QByteArray rest = FuzzBytes(data + 1, size - 1);
    const qsizetype split = rest.indexOf('\0');
    const QByteArray patternBytes = split < 0 ? rest : rest.left(split);
    const QByteArray textBytes = split < 0 ? QByteArray() : rest.mid(split + 1);
    const QString pattern = QString::fromUtf8(patternBytes);
    const QString text = QString::fromUtf8(textBytes);

    const NamePattern mask(pattern);
    const bool matched = mask.Matches(text);
    FuzzCheck(matched == ReferenceNameMatch(pattern, text), "mask disagrees with the reference");
    // As bytes: the same answer where they are the text's UTF-8, and no
    // fault on bytes that are not UTF-8.
    const QByteArray utf8 = text.toUtf8();
    FuzzCheck(mask.Matches(utf8.constData(), std::size_t(utf8.size())) == matched,
              "mask answers UTF-8 and text differently");
    mask.Matches(textBytes.constData(), std::size_t(textBytes.size()));
    mask.LiteralRuns();

    FuzzCheck(CommentPattern(pattern, matchCase, wholeWords).Matches(text) ==
                  ReferenceCommentMatch(text, pattern, matchCase, wholeWords),
              "comment matcher disagrees with the reference");
    return 0;
}

#pragma once

#include <QString>
#include <QStringList>

#include <cstddef>
#include <string>
#include <vector>

// A name pattern made ready for matching many texts.
//
// Without "?" and "*" a pattern is a substring test that ignores the case of
// ASCII letters ("read" finds README.TXT and thread.doc; "[" means itself).
// With them, the whole text must match: "?" is any one character, "*" any run
// of characters, "[...]" one character of a set of characters and ranges
// ("[a-c]"), negated by a leading "!" or "^"; other characters match
// themselves, ASCII letters in either case. A malformed set (a "]" straight
// after the opening bracket or its negation sign, a "]" straight after a "-",
// or no closing "]") makes a pattern that matches nothing.
//
// After a "*" every later position of the text is tried, so "*.txt" finds
// "a.b.txt". The matcher backtracks only to the last "*" it met, so the time
// stays proportional to pattern length times text length, whatever the
// pattern ("*a*a*a*a*b" included).
class NamePattern final
{
public:
    explicit NamePattern(const QString &pattern);

    // Matches text given as UTF-8 bytes; a byte that is not part of valid
    // UTF-8 counts as one character.
    bool Matches(const char *utf8, std::size_t length) const;
    bool Matches(const QString &text) const;

    bool IsWildcard() const { return m_wildcard; }
    // The texts every matching text holds, ASCII letters in either case:
    // without wildcards the pattern itself, with them the runs of plain
    // characters between wildcards and sets. Empty for a malformed pattern.
    QStringList LiteralRuns() const;

private:
    enum class Kind
    {
        Literal,
        AnyOne,
        Star,
        Set
    };
    struct Token
    {
        Kind kind;
        char32_t character = 0; // a literal, ASCII letters in lower case
        int set = -1;           // index into m_sets
    };
    struct CharacterSet
    {
        bool negated = false;
        std::vector<std::pair<char32_t, char32_t>> ranges; // bounds in lower case
        bool Contains(char32_t c) const;
    };

    bool MatchesSubstring(const char *utf8, std::size_t length) const;
    // Text as lowered code points, or as ASCII bytes lowered on the way.
    template<typename Char>
    bool MatchesWildcard(const Char *text, std::size_t length) const;
    bool TokenMatches(const Token &token, char32_t c) const;

    bool m_wildcard = false;
    bool m_malformed = false;
    // With a star: the tokens before the first and after the last star each
    // take one character, so they must match the start and the end of the
    // text; testing them first turns most names away cheaply.
    std::size_t m_head = 0;
    std::size_t m_tail = 0;
    std::string m_upperNeedle; // substring mode: the pattern in UTF-8, ASCII upper-cased
    std::vector<Token> m_tokens;
    std::vector<CharacterSet> m_sets;
    mutable std::string m_upperBuffer;
    mutable std::u32string m_textBuffer;
};

// Whether a pattern matches a text (see NamePattern).
bool MatchPattern(const QString &pattern, const QString &text);

// A comment search made ready for matching many comments. Only the first 255
// characters (UTF-16 units) of a comment are searched. Without match case,
// letters compare as upper case through a table of the Latin-1 range (letters
// whose upper case lies outside it, and all beyond it, stay as they are). With
// whole words, a match must start at the beginning or after a character that
// is not an ASCII letter or digit, and end at the end of the searched text or
// before such a character.
class CommentPattern final
{
public:
    static constexpr int kSearchedLength = 255;

    CommentPattern(const QString &searchText, bool matchCase, bool wholeWords);
    bool Matches(const QString &comment) const;

private:
    std::u16string m_needle;
    bool m_matchCase;
    bool m_wholeWords;
    mutable std::u16string m_buffer;
};

// Whether a comment contains the search text (see CommentPattern).
bool MatchComment(const QString &comment, const QString &searchText, bool matchCase,
                  bool wholeWords);

#include "find/NamePattern.h"

#include <QElapsedTimer>
#include <QString>

#include <gtest/gtest.h>

#include <cstring>

using namespace Qt::StringLiterals;

namespace {

struct PatternCase
{
    const char *pattern;
    const char *text;
    bool matches;
};

void PrintTo(const PatternCase &c, std::ostream *out)
{
    *out << '"' << c.pattern << "\" against \"" << c.text << '"';
}

class MatchPatternTest : public testing::TestWithParam<PatternCase>
{
};

TEST_P(MatchPatternTest, MatchesAsTheRulesSay)
{
    const PatternCase &c = GetParam();
    EXPECT_EQ(MatchPattern(QString::fromUtf8(c.pattern), QString::fromUtf8(c.text)), c.matches);
    // The byte form the passes use agrees with the text form.
    const NamePattern pattern(QString::fromUtf8(c.pattern));
    EXPECT_EQ(pattern.Matches(c.text, std::strlen(c.text)), c.matches);
}

INSTANTIATE_TEST_SUITE_P(
    Masks, MatchPatternTest,
    testing::Values(
        // Without wildcards: a substring test in any case; "[" is itself.
        PatternCase{"read", "README.TXT", true}, PatternCase{"read", "thread.doc", true},
        PatternCase{"READ", "thread.doc", true}, PatternCase{"reed", "README.TXT", false},
        PatternCase{"[a]", "x[a]y", true}, PatternCase{"[a]", "a", false},
        PatternCase{"", "anything", true},
        // Wildcards: the whole name must match.
        PatternCase{"read*", "README.TXT", true}, PatternCase{"read*", "thread.doc", false},
        PatternCase{"*.t?t", "a.txt", true}, PatternCase{"*.t?t", "a.tx", false},
        PatternCase{"?", "", false}, PatternCase{"*", "", true}, PatternCase{"a*", "a", true},
        PatternCase{"a**", "a", true}, PatternCase{"a?", "a", false},
        PatternCase{"*.TXT", "notes.txt", true},
        // After a star every later position is tried.
        PatternCase{"*.txt", "a.b.txt", true}, PatternCase{"*a*b", "xaxxab", true},
        PatternCase{"*ab", "aab", true}, PatternCase{"*?c", "abc", true},
        PatternCase{"*.txt", "a.txt.bak", false}, PatternCase{"a*a", "a", false},
        PatternCase{"a*a", "aa", true}, PatternCase{"ab*ba", "aba", false},
        PatternCase{"ab*ba", "abba", true}, PatternCase{"?*?", "x", false},
        // Sets and ranges, negation with "!" and "^".
        PatternCase{"[!a-c]*", "b.doc", false}, PatternCase{"[!a-c]*", "d.doc", true},
        PatternCase{"[^a-c]*", "b.doc", false}, PatternCase{"[a-c]*", "B.DOC", true},
        PatternCase{"file[0-9].*", "file7.txt", true},
        PatternCase{"file[0-9].*", "filex.txt", false}, PatternCase{"[xa-c]?", "xy", true},
        PatternCase{"[c-a]*", "b", false}, PatternCase{"[-a]*", "-z", true},
        // Malformed sets never match.
        PatternCase{"[]a]*", "]a", false}, PatternCase{"[!]a]*", "b", false},
        PatternCase{"[a-]*", "a", false}, PatternCase{"[abc*", "abc", false},
        PatternCase{"x*[", "x[", false},
        // Letters beyond ASCII are one character each and keep their case.
        PatternCase{"?.txt", "é.txt", true}, PatternCase{"é*", "É.txt", false},
        PatternCase{"é*", "été", true}));

TEST(MatchPatternTest, StaysFastOnPatternsThatBacktrack)
{
    const NamePattern pattern(u"*a*a*a*a*a*a*a*a*b"_s);
    const QByteArray text(200, 'a');
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 100; ++i)
        ASSERT_FALSE(pattern.Matches(text.constData(), std::size_t(text.size())));
    // An exponential matcher takes minutes here.
    EXPECT_LT(timer.elapsed(), 2000);
}

TEST(MatchPatternTest, ABrokenUtf8ByteCountsAsOneCharacter)
{
    const NamePattern pattern(u"a?b"_s);
    const char name[] = {'a', char(0xFF), 'b'};
    EXPECT_TRUE(pattern.Matches(name, sizeof name));
    const char twoBytes[] = {'a', char(0xC3), 'b'};
    EXPECT_TRUE(pattern.Matches(twoBytes, sizeof twoBytes));
}

struct CommentCase
{
    const char *comment;
    const char *search;
    bool matchCase;
    bool wholeWords;
    bool matches;
};

void PrintTo(const CommentCase &c, std::ostream *out)
{
    *out << '"' << c.search << "\" in \"" << c.comment << "\" case " << c.matchCase << " words "
         << c.wholeWords;
}

class MatchCommentTest : public testing::TestWithParam<CommentCase>
{
};

TEST_P(MatchCommentTest, FindsTheTextAsTheFlagsSay)
{
    const CommentCase &c = GetParam();
    EXPECT_EQ(MatchComment(QString::fromUtf8(c.comment), QString::fromUtf8(c.search), c.matchCase,
                           c.wholeWords),
              c.matches);
}

INSTANTIATE_TEST_SUITE_P(Comments, MatchCommentTest,
                         testing::Values(CommentCase{"the cat sat", "cat", false, true, true},
                                         CommentCase{"cat", "cat", false, true, true},
                                         CommentCase{"catalog", "cat", false, true, false},
                                         CommentCase{"catalog", "cat", false, false, true},
                                         CommentCase{"a concat", "cat", false, true, false},
                                         CommentCase{"concat cat", "cat", false, true, true},
                                         CommentCase{"(cat)", "cat", false, true, true},
                                         CommentCase{"cat_2", "cat", false, true, true},
                                         CommentCase{"The Cat", "cat", false, false, true},
                                         CommentCase{"The Cat", "cat", true, false, false},
                                         CommentCase{"The Cat", "Cat", true, false, true},
                                         CommentCase{"café au lait", "CAFÉ", false, false, true},
                                         CommentCase{"café", "CAFÉ", true, false, false},
                                         CommentCase{"line one\r\nline two", "two", false, true,
                                                     true},
                                         CommentCase{"", "x", false, false, false}));

TEST(MatchCommentTest, SearchesOnlyTheFirst255Characters)
{
    const QString padding(250, u'-');
    EXPECT_TRUE(MatchComment(padding + u"word"_s, u"word"_s, false, false));
    EXPECT_TRUE(MatchComment(padding + u"words"_s, u"words"_s, false, false));
    EXPECT_FALSE(MatchComment(padding + u"wordsX"_s, u"wordsx"_s, false, false));
    // The cut also ends the word for a whole-word search.
    EXPECT_TRUE(MatchComment(padding + u"wordsmith"_s, u"words"_s, false, true));
}

} // namespace

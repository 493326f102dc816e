#include "platform/SettingsStore.h"

#include "TestFiles.h"
#include "support/QtPrinters.h"
#include "support/TestEnvironment.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>

using namespace Qt::StringLiterals;

namespace {

const QString kSection = u"Catalog Explorer"_s;
const QString kValue = u"Database Folder"_s;
const QString kHistory = u"History List"_s;

// "a|b|c" -> {"a", "b", "c"}; "" -> {}.
QStringList Split(const char *texts)
{
    const QString joined = QString::fromUtf8(texts);
    return joined.isEmpty() ? QStringList() : joined.split(u'|');
}

class SettingsStoreTest : public testing::Test
{
protected:
    QString IniPath() const { return m_dir.filePath(u"Corvane/Dirvanta97.ini"_s); }

    QTemporaryDir m_dir;
    SettingsStore m_store{SettingsStore::IniFile{IniPath()}};
};

TEST_F(SettingsStoreTest, TextRoundTripsExactly)
{
    // Commas and semicolons, quotes, backslashes, a leading "@", blanks at
    // either end, line breaks, non-ASCII, and the empty text.
    const QStringList texts = Split("a,b|a, b|a;b|say \"hi\"|C:\\Data\\|@at|@Invalid()|@@|"
                                    "  blanks  |x=y [z] #c|line\nbreak\t|Grüße € 😀|");
    for (qsizetype i = 0; i < texts.size(); ++i)
        m_store.WriteText(kSection, QString::number(i), texts[i]);

    // Every read parses the file again, so this checks what is on disk.
    SettingsStore reader{SettingsStore::IniFile{IniPath()}};
    for (qsizetype i = 0; i < texts.size(); ++i) {
        SCOPED_TRACE('"' + texts[i].toStdString() + '"');
        EXPECT_EQ(reader.ReadText(kSection, QString::number(i), u"default"_s), texts[i]);
    }
    EXPECT_EQ(reader.ReadText(kSection, u"missing"_s, u"default"_s), u"default"_s);
}

TEST_F(SettingsStoreTest, NumbersAndBooleansAreStoredAsText)
{
    for (const qint64 number : {std::numeric_limits<qint64>::min(), qint64(-1), qint64(0),
                                std::numeric_limits<qint64>::max()}) {
        m_store.WriteInteger(kSection, kValue, number);
        EXPECT_EQ(m_store.ReadText(kSection, kValue), QString::number(number));
        EXPECT_EQ(m_store.ReadInteger(kSection, kValue, 7), number);
    }
    for (const bool value : {true, false}) {
        m_store.WriteBool(kSection, kValue, value);
        EXPECT_EQ(m_store.ReadText(kSection, kValue), value ? u"1"_s : u"0"_s);
        EXPECT_EQ(m_store.ReadBool(kSection, kValue, !value), value);
    }
}

// ReadBool is true for any non-zero integer ReadInteger accepts.
TEST_F(SettingsStoreTest, ReadIntegerAcceptsDecimalAndHexOnlyAndReadBoolAnyNonZeroInteger)
{
    // "\u0663" is a digit, but not an ASCII one.
    constexpr qint64 kMax = std::numeric_limits<qint64>::max();
    // The stored text (nullptr: missing) and its number (nullopt: none).
    // clang-format off
    const std::pair<const char *, std::optional<qint64>> rows[] = {
        {"0x100", 256}, {"0X1f", 31}, {"0x7FFFFFFFFFFFFFFF", kMax}, {"-5", -5}, {"+7", 7},
        {"007", 7}, {" 42 ", 42}, {"\t0x10 ", 16}, {"0", 0}, {"0x0", 0},
        {"0x", {}}, {"0xZZ", {}}, {"0x-1", {}}, {"0x 1", {}},
        {"0x10000000000000000", {}}, {"x10", {}}, {"abc", {}}, {"yes", {}}, {"true", {}},
        {"12abc", {}}, {"1 2", {}}, {"-", {}}, {"1e3", {}},
        {"99999999999999999999", {}}, {"\u0663", {}}, {"", {}}, {nullptr, {}}};
    // clang-format on
    for (const auto &[stored, number] : rows) {
        SCOPED_TRACE(stored ? '"' + std::string(stored) + '"' : "missing");
        m_store.EraseSection(kSection);
        if (stored)
            m_store.WriteText(kSection, kValue, QString::fromUtf8(stored));
        EXPECT_EQ(m_store.ReadInteger(kSection, kValue, -999), number.value_or(-999));
        for (const bool defaultValue : {false, true})
            EXPECT_EQ(m_store.ReadBool(kSection, kValue, defaultValue),
                      number ? *number != 0 : defaultValue);
    }
}

TEST_F(SettingsStoreTest, ReadSectionAndEraseSection)
{
    m_store.WriteText(kSection, u"b"_s, u"x=y"_s);
    m_store.WriteText(kSection, u"a"_s, QString());
    m_store.WriteText(kSection + u"/Sub"_s, u"c"_s, u"3"_s);
    m_store.WriteProgramLocation(u"/opt/dirvanta/dirvanta"_s);

    EXPECT_EQ(m_store.ReadSection(kSection), (QStringList{u"a="_s, u"b=x=y"_s}));
    EXPECT_EQ(m_store.ReadSection(u"Program"_s), QStringList{u"Location=/opt/dirvanta/dirvanta"_s});
    EXPECT_TRUE(m_store.ReadSection(u"Nowhere"_s).isEmpty());

    m_store.EraseSection(QString()); // must not erase the whole file
    m_store.EraseSection(kSection);
    EXPECT_TRUE(m_store.ReadSection(kSection).isEmpty());
    EXPECT_EQ(m_store.ReadText(kSection + u"/Sub"_s, u"c"_s), QString());
    EXPECT_EQ(m_store.ReadText(u"Program"_s, u"Location"_s), u"/opt/dirvanta/dirvanta"_s);
}

TEST_F(SettingsStoreTest, UpdateHistoryKeepsFiveRecentFoldersOnce)
{
    const struct
    {
        const char *name;
        const char *before; // folders separated by '|'
        bool add;
        const char *folder;
        const char *after;
    } rows[] = {{"open removes the entry, later ones move up", "A|B|C|D|E", false, "C", "A|B|D|E"},
                {"close puts the folder at the top", "A|B|D|E", true, "C", "C|A|B|D|E"},
                {"close of a listed folder moves it up", "A|B|C", true, "C", "C|A|B"},
                {"a sixth folder pushes the oldest out", "A|B|C|D|E", true, "F", "F|A|B|C|D"},
                {"folders differing in case are different folders", "/Data/One|/data/two|/data/one",
                 true, "/data/one", "/data/one|/Data/One|/data/two"},
                {"open of an unlisted folder changes nothing", "A|B", false, "Z", "A|B"},
                {"an empty folder is not added", "A|B", true, "", "A|B"},
                {"first close", "", true, "/d b", "/d b"}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        m_store.EraseSection(kHistory);
        const QStringList before = Split(row.before);
        for (qsizetype i = 0; i < before.size(); ++i)
            m_store.WriteText(kHistory, QString::number(i + 1), before[i]);

        m_store.UpdateHistory(row.add, QString::fromUtf8(row.folder));

        const QStringList after = Split(row.after);
        QStringList lines;
        for (qsizetype i = 0; i < after.size(); ++i)
            lines.append(QString::number(i + 1) + u'=' + after[i]);
        EXPECT_EQ(m_store.ReadSection(kHistory), lines);
        EXPECT_EQ(m_store.History(), after);
    }

    // Hand-made gaps: empty entries are skipped, and only five are read.
    m_store.EraseSection(kHistory);
    for (const auto &[key, folder] : {std::pair{"1", ""}, {"3", "/c"}, {"6", "/f"}})
        m_store.WriteText(kHistory, QString::fromLatin1(key), QString::fromLatin1(folder));
    EXPECT_EQ(m_store.History(), QStringList{u"/c"_s});
}

TEST_F(SettingsStoreTest, WritesReachTheDiskAndOthersAndHandEditsAreSeen)
{
    {
        SettingsStore scoped{SettingsStore::IniFile{IniPath()}};
        scoped.WriteText(kSection, kValue, u"/first"_s);
    }
    EXPECT_TRUE(ReadFile(IniPath()).contains("=/first"));

    m_store.WriteText(kSection, kValue, u"/second"_s);
    m_store.Flush();
    EXPECT_TRUE(ReadFile(IniPath()).contains("=/second"));

    SettingsStore other{SettingsStore::IniFile{IniPath()}};
    m_store.WriteText(kSection, kValue, u"/third"_s);
    EXPECT_EQ(other.ReadText(kSection, kValue), u"/third"_s);

    // Another process rewrites the file: both stores see the new text. Unquoted
    // commas make the INI reader return a list; "@Invalid()" reads as no value.
    WriteFile(IniPath(), "[Catalog%20Explorer]\nDatabase%20Folder=/fourth\nList=a, b,c\n"
                         "Nothing=@Invalid()\n");
    EXPECT_EQ(m_store.ReadText(kSection, kValue), u"/fourth"_s);
    EXPECT_EQ(other.ReadText(kSection, kValue), u"/fourth"_s);
    EXPECT_EQ(m_store.ReadText(kSection, u"List"_s), u"a, b, c"_s);
    EXPECT_EQ(m_store.ReadText(kSection, u"Nothing"_s, u"default"_s), u"default"_s);
}

TEST_F(SettingsStoreTest, UnusableFileGivesDefaults)
{
    // The config folder is a file, so the settings file can never be created.
    const QString configFile = m_dir.filePath(u"config-is-a-file"_s);
    WriteFile(configFile, "x");
    const ScopedEnvironment config("XDG_CONFIG_HOME", configFile);
    SettingsStore blocked(SettingsStore::kProgramKey);
    EXPECT_FALSE(blocked.IsUsable());
    blocked.WriteText(kSection, kValue, u"/lost"_s);
    blocked.WriteInteger(kSection, u"n"_s, 5);
    blocked.UpdateHistory(true, u"/lost"_s);
    EXPECT_EQ(blocked.ReadText(kSection, kValue, u"default"_s), u"default"_s);
    EXPECT_EQ(blocked.ReadInteger(kSection, u"n"_s, 3), 3);
    EXPECT_TRUE(blocked.ReadSection(kSection).isEmpty() && blocked.History().isEmpty());

    // A write that fails later leaves no trace either: the file format keeps
    // the unwritten value in memory, the store must not report it.
    m_store.WriteText(kSection, kValue, u"/kept"_s);
    m_store.Flush();
    const QString folder = QFileInfo(IniPath()).path();
    ASSERT_TRUE(QDir(folder).removeRecursively());
    WriteFile(folder, "now a file");
    m_store.WriteText(kSection, kValue, u"/lost"_s);
    m_store.Flush();
    EXPECT_FALSE(m_store.IsUsable());
    EXPECT_EQ(m_store.ReadText(kSection, kValue, u"default"_s), u"default"_s);
}

TEST(SettingsStoreLocation, KeyTextsMapToFilesInTheConfigFolder)
{
    QTemporaryDir home;
    const ScopedEnvironment homeVariable("HOME", home.path());
    const QString fallback = home.path() + u"/.config"_s;
    const QString custom = home.filePath(u"custom"_s);
    const struct
    {
        QString configHome;
        QString expectedFolder;
    } rows[] = {{custom, custom},
                {custom + u'/', custom},
                {QString(), fallback},
                {u"relative/config"_s, fallback}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.configHome.toStdString());
        const ScopedEnvironment config("XDG_CONFIG_HOME", row.configHome);
        EXPECT_EQ(SettingsStore::FileForKey(SettingsStore::kProgramKey),
                  row.expectedFolder + u"/Corvane/Dirvanta97.ini"_s);
        EXPECT_EQ(SettingsStore::FileForKey(SettingsStore::kHandOverKey),
                  row.expectedFolder + u"/Corvane/Dirvanta.ini"_s);
    }

    const ScopedEnvironment config("XDG_CONFIG_HOME", custom);
    SettingsStore(SettingsStore::kHandOverKey)
        .WriteText(SettingsStore::kHandOverSection, SettingsStore::kHandOverValue, u"/tmp/a.d97"_s);
    EXPECT_TRUE(QFile::exists(custom + u"/Corvane/Dirvanta.ini"_s));
}

} // namespace

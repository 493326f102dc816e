#include "platform/FileTypes.h"

#include "TestFiles.h"
#include "support/QtPrinters.h"
#include "support/TestEnvironment.h"

#include <QMimeDatabase>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QString Comment(const char *mimeType)
{
    return QMimeDatabase().mimeTypeForName(QString::fromUtf8(mimeType)).comment();
}

TEST(FileTypesTest, ExtensionIsTheTextAfterTheLastInnerDot)
{
    const std::pair<const char *, const char *> rows[] = {
        {"report.xyz", "xyz"}, {"a.tar.gz", "gz"}, {"readme", ""},
        {".profile", ""},      {"name.", ""},      {"My.Photo.JPG", "JPG"}};
    for (const auto &[name, extension] : rows)
        EXPECT_EQ(FileExtension(QString::fromUtf8(name)), QString::fromUtf8(extension)) << name;
}

TEST(FileTypesTest, TypeNamesComeFromTheMimeDatabaseWithFallbacks)
{
    const std::pair<const char *, QString> rows[] = {
        {"readme", u"File"_s},
        {"Makefile", u"File"_s},
        {"name.", u"File"_s},
        {"a.xyzq", u"XYZQ File"_s},
        {"report.Qwzx", u"QWZX File"_s},
        {"notes.txt", Comment("text/plain")},
        {"NOTES.TXT", Comment("text/plain")},
        {"backup.tar.gz", Comment("application/x-compressed-tar")},
        {"single.gz", Comment("application/gzip")},
        {"paper.pdf", Comment("application/pdf")}};
    for (const auto &[name, expected] : rows) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(expected.isEmpty());
        EXPECT_EQ(FileTypeName(QString::fromUtf8(name)), expected);
        // A second look-up comes from the cache and must agree.
        EXPECT_EQ(FileTypeName(QString::fromUtf8(name)), expected);
    }
}

TEST(FileTypesTest, IconIndexByLowerCaseExtension)
{
    const std::pair<const char *, int> rows[] = {
        {"SETUP.EXE", 31}, {"command.com", 31}, {"a.txt", 32},     {"b.Bmp", 33},    {"c.gif", 33},
        {"d.jpg", 33},     {"e.wmf", 33},       {"f.tif", 33},     {"g.avi", 34},    {"h.zip", 35},
        {"i.hlp", 36},     {"j.reg", 37},       {"k.bat", 39},     {"l.ini", 40},    {"m.386", 41},
        {"n.SYS", 41},     {"o.cpl", 41},       {"p.dll", 41},     {"q.drv", 41},    {"r.doc", 38},
        {"readme", 38},    {"s.jpeg", 38},      {"t.txt.bak", 38}, {"u.tar.zip", 35}};
    for (const auto &[name, index] : rows)
        EXPECT_EQ(FileIconIndex(QString::fromUtf8(name)), index) << name;
}

TEST(FileTypesTest, FoldersFollowTheXdgVariablesAndTheirDefaults)
{
    QProcessEnvironment environment;
    environment.insert(u"HOME"_s, u"/h"_s);
    DesktopAssociations::Folders folders = DesktopAssociations::FoldersFromEnvironment(environment);
    EXPECT_EQ(folders.listFiles.join(u' '), u"/h/.config/mimeapps.list /etc/xdg/mimeapps.list "
                                            "/h/.local/share/applications/mimeapps.list "
                                            "/usr/local/share/applications/mimeapps.list "
                                            "/usr/share/applications/mimeapps.list"_s);
    EXPECT_EQ(folders.applicationFolders.join(u' '),
              u"/h/.local/share/applications /usr/local/share/applications "
              "/usr/share/applications"_s);

    environment.insert(u"XDG_CONFIG_HOME"_s, u"/c"_s);
    environment.insert(u"XDG_CONFIG_DIRS"_s, u"relative:/d1"_s);
    environment.insert(u"XDG_DATA_HOME"_s, u"/data"_s);
    environment.insert(u"XDG_DATA_DIRS"_s, u"/s1:/s2/"_s);
    environment.insert(u"XDG_CURRENT_DESKTOP"_s, u"KDE"_s);
    folders = DesktopAssociations::FoldersFromEnvironment(environment);
    EXPECT_EQ(folders.listFiles.join(u' '),
              u"/c/kde-mimeapps.list /c/mimeapps.list /d1/kde-mimeapps.list "
              "/d1/mimeapps.list /data/applications/kde-mimeapps.list "
              "/data/applications/mimeapps.list /s1/applications/kde-mimeapps.list "
              "/s1/applications/mimeapps.list /s2/applications/kde-mimeapps.list "
              "/s2/applications/mimeapps.list"_s);
}

// A desktop in a temporary folder: a user and a system applications folder,
// a user and a system configuration folder.
class DesktopAssociationsTest : public testing::Test
{
protected:
    QString Path(const char *relative) const
    {
        return m_root.filePath(QString::fromUtf8(relative));
    }

    DesktopAssociations::Folders Folders() const
    {
        return {{Path("config/mimeapps.list"), Path("etc/mimeapps.list"),
                 Path("share/applications/mimeapps.list")},
                {Path("local/applications"), Path("share/applications")}};
    }

    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        WriteFile(Path("share/applications/viewer.desktop"), "[Desktop Entry]\n");
        WriteFile(Path("share/applications/editor.desktop"), "[Desktop Entry]\n");
        WriteFile(Path("local/applications/kde/player.desktop"), "[Desktop Entry]\n");
    }

    QTemporaryDir m_root;
};

TEST_F(DesktopAssociationsTest, DefaultsAddedAssociationsAndCacheEntriesCountWhenInstalled)
{
    WriteFile(Path("config/mimeapps.list"),
              "# user choices\n[Default Applications]\nimage/png=missing.desktop;viewer.desktop;\n"
              "video/mp4=kde-player.desktop\n[Added Associations]\nimage/gif=viewer.desktop\n");
    WriteFile(Path("share/applications/mimeinfo.cache"),
              "[MIME Cache]\ntext/plain=editor.desktop;\nimage/bmp=missing.desktop;\n");
    DesktopAssociations associations(Folders());
    const std::pair<const char *, bool> rows[] = {
        {"image/png", true},   // the second default is installed
        {"video/mp4", true},   // found in a subfolder of an applications folder
        {"image/gif", true},   // an added association
        {"text/plain", true},  // from the cache of the applications folder
        {"image/bmp", false},  // only a program that is not installed
        {"audio/flac", false}, // nothing at all
    };
    for (const auto &[type, has] : rows)
        EXPECT_EQ(associations.HasApplication(QString::fromUtf8(type)), has) << type;
}

TEST_F(DesktopAssociationsTest, RemovalsHideOnlyLessImportantAssociations)
{
    WriteFile(Path("config/mimeapps.list"), "[Removed Associations]\ntext/plain=editor.desktop;\n");
    WriteFile(Path("etc/mimeapps.list"), "[Default Applications]\nimage/png=viewer.desktop\n"
                                         "[Removed Associations]\nimage/png=viewer.desktop\n");
    WriteFile(Path("share/applications/mimeapps.list"),
              "[Removed Associations]\nimage/gif=viewer.desktop\n");
    WriteFile(Path("share/applications/mimeinfo.cache"),
              "[MIME Cache]\ntext/plain=editor.desktop;\n");
    {
        // A removal in the user's file beats the system cache; a removal in
        // the same file beats that file's default.
        DesktopAssociations associations(Folders());
        EXPECT_FALSE(associations.HasApplication(u"text/plain"_s));
        EXPECT_FALSE(associations.HasApplication(u"image/png"_s));
    }
    WriteFile(Path("config/mimeapps.list"), "[Added Associations]\nimage/gif=viewer.desktop\n");
    DesktopAssociations associations(Folders());
    // A removal in a less important file cannot take back a user's choice.
    EXPECT_TRUE(associations.HasApplication(u"image/gif"_s));
}

TEST_F(DesktopAssociationsTest, HasOpenCommandReadsTheDesktopOfTheEnvironment)
{
    // The MIME database reads its files from the data folders once; it must
    // have done so before they are pointed at the test's folders below.
    ASSERT_TRUE(QMimeDatabase().mimeTypeForName(u"image/png"_s).isValid());
    WriteFile(
        Path("share/applications/mimeinfo.cache"),
        "[MIME Cache]\ntext/plain=editor.desktop;\napplication/octet-stream=editor.desktop;\n");
    WriteFile(Path("config/mimeapps.list"), "[Default Applications]\nimage/png=viewer.desktop\n");
    const ScopedDesktopFolders folders(m_root.path());

    EXPECT_TRUE(HasOpenCommand(u"photo.PNG"_s));
    EXPECT_TRUE(HasOpenCommand(u"notes.txt"_s));
    // C source derives from plain text, which the editor opens.
    EXPECT_TRUE(HasOpenCommand(u"main.c"_s));
    // Every type derives from binary data; what opens that opens nothing by default.
    EXPECT_FALSE(HasOpenCommand(u"song.flac"_s));
    EXPECT_FALSE(HasOpenCommand(u"paper.pdf"_s));
}

} // namespace

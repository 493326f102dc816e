#include "explorer/DatabaseLocationCheck.h"
#include "explorer/DatabaseLocationForm.h"
#include "support/DatabaseLockHolder.h"
#include "support/FakeDriveSystem.h"
#include "support/ModalResponder.h"
#include "support/QtPrinters.h"
#include "support/ScriptedUserInterface.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

using Choice = DatabaseLocationCheck::Choice;

const QString kCatalogsFile = u"Dirvanta Catalogs.db"_s;
const QString kFilesFile = u"Dirvanta Files.db"_s;

struct Box
{
    MessageKind kind;
    const char *caption;
    const char *text;
};

const Box kInUse{MessageKind::Error, "Invalid Folder",
                 "The folder specified is in use by the current database.\n\n"
                 "Please specify another folder, before continuing."};
const Box kNotLocalDisk{MessageKind::Error, "Invalid Database Location",
                        "Databases on devices other than a local hard disk are not supported\n\n"
                        "Please specify another location before continuing"};
const Box kCreateFolder{MessageKind::Question, "Create Folder ?",
                        "The Folder specified could not be located\n\n"
                        "Would you like Dirvanta to create the Folder for you ?"};
const Box kReplace{MessageKind::Question, "Database Replace",
                   "The Folder specified already contains Dirvanta Databases. Do you wish to "
                   "replace these Database with a new Database ?\n\n"
                   "Caution: Replying YES, may result in the loss of Catalog Data !"};
const Box kNoCatalog{MessageKind::Error, "Unable to Locate Catalog",
                     "The Folder specified does not contain a valid Dirvanta Catalog Database\n\n"
                     "Please respecify, before continuing"};
const Box kMissing{MessageKind::Error, "Invalid Folder",
                   "The Folder specified could not be located\n\n"
                   "Please respecify, before continuing"};

void ExpectBoxes(ScriptedUserInterface &ui, std::initializer_list<Box> expected)
{
    const std::vector<RecordedMessage> shown = ui.TakeMessages();
    ASSERT_EQ(shown.size(), expected.size()) << "boxes shown";
    auto box = expected.begin();
    for (const RecordedMessage &message : shown) {
        EXPECT_EQ(int(message.kind), int(box->kind)) << box->caption;
        EXPECT_EQ(message.caption, QString::fromUtf8(box->caption));
        EXPECT_EQ(message.text, QString::fromUtf8(box->text));
        ++box;
    }
}

QStringList FileNames(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                               QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

// A local disk holding the temporary folder, a network share and a RAM
// disk mounted inside it, and a user interface that answers from a script.
class DatabaseLocationTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        m_drives.Mount(u"/"_s, DriveKind::Fixed);
        m_drives.Mount(Path(u"share"_s), DriveKind::Network);
        m_drives.Mount(Path(u"memory"_s), DriveKind::RamDisk);
        m_drives.Mount(Path(u"stick"_s), DriveKind::Removable);
    }

    QString Path(const QString &relative) const { return m_root.filePath(relative); }

    // A folder holding the named files (empty files will do).
    QString Folder(const QString &relative, const QStringList &files = {})
    {
        const QString folder = Path(relative);
        QDir().mkpath(folder);
        for (const QString &name : files) {
            QFile file(QDir(folder).filePath(name));
            EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << name.toStdString();
        }
        return folder;
    }

    QString DatabaseFolder(const QString &relative)
    {
        return Folder(relative, {kCatalogsFile, kFilesFile});
    }

    // Opens the dialog in a mode, hands it to step and returns its result.
    static int ShowDialog(int mode, const QString &inUse, QString &folder,
                          std::function<void(TDatabase_Location_Form &)> step)
    {
        ModalResponder responder(ExpectDialog<TDatabase_Location_Form>(std::move(step)));
        return ShowDatabaseLocation(mode, inUse, folder, nullptr);
    }

    QTemporaryDir m_root;
    FakeDriveSystem m_drives;
    ScriptedUserInterface m_ui;
};

TEST_F(DatabaseLocationTest, TheFolderOfTheOpenDatabaseIsRefusedHoweverItIsWritten)
{
    const QString inUse = DatabaseFolder(u"Catalogs"_s);
    QFile::link(inUse, Path(u"link"_s));
    struct Row
    {
        const char *name;
        QString typed;
        QString inUse;
    };
    const Row rows[] = {
        {"same text", inUse, inUse},
        {"typed with a trailing slash", inUse + u'/', inUse},
        {"in-use folder with a trailing slash", inUse, inUse + u'/'},
        {"doubled and dot separators", m_root.path() + u"/.//Catalogs/"_s, inUse},
        {"a link to it", Path(u"link"_s), inUse},
        {"surrounded by blanks", u"  "_s + inUse + u"\t"_s, inUse},
    };
    for (const Row &row : rows) {
        for (const Choice choice : {Choice::Open, Choice::Create}) {
            SCOPED_TRACE(row.name);
            QString folder = row.typed;
            EXPECT_FALSE(DatabaseLocationCheck::Run(folder, row.inUse, choice));
            ExpectBoxes(m_ui, {kInUse});
        }
    }
    EXPECT_EQ(FileNames(inUse), QStringList({kCatalogsFile, kFilesFile}));
    // Another letter case names another folder.
    EXPECT_FALSE(DatabaseLocationCheck::IsSameFolder(inUse.toUpper(), inUse));

    // With no database open the same folder is fine to open.
    QString folder = inUse + u'/';
    EXPECT_TRUE(DatabaseLocationCheck::Run(folder, QString(), Choice::Open));
    ExpectBoxes(m_ui, {});
}

TEST_F(DatabaseLocationTest, OnlyALocalFixedDiskIsAcceptedAndBeforeAnythingElse)
{
    const QString inUse = DatabaseFolder(u"Current"_s);
    struct Row
    {
        const char *name;
        QString folder;
    };
    const Row rows[] = {
        {"network share, missing folder", Path(u"share/db"_s)},
        {"network share, with a database", DatabaseFolder(u"share/full"_s)},
        {"RAM disk, missing folder", Path(u"memory/db"_s)},
        {"RAM disk, with only the Files table", Folder(u"memory/half"_s, {kFilesFile})},
        {"removable disk", Folder(u"stick/db"_s)},
        {"relative path", u"Catalogs/db"_s},
        {"drive-letter path", u"C:\\Catalogs"_s},
    };
    for (const Row &row : rows) {
        for (const Choice choice : {Choice::Create, Choice::Open}) {
            SCOPED_TRACE(row.name);
            QString folder = row.folder;
            // No answer is queued: a question would fail the test.
            EXPECT_FALSE(DatabaseLocationCheck::Run(folder, inUse, choice));
            ExpectBoxes(m_ui, {kNotLocalDisk});
        }
    }
    EXPECT_FALSE(QFileInfo::exists(Path(u"share/db"_s)));
    EXPECT_EQ(FileNames(Path(u"memory/half"_s)), QStringList({kFilesFile}));
}

TEST_F(DatabaseLocationTest, AMissingFolderForANewDatabaseIsCreatedOnlyWhenTheUserAgrees)
{
    const QString missing = Path(u"new/deep/db"_s);
    QString folder = missing;

    m_ui.QueueAnswer(MessageAnswer::No);
    EXPECT_FALSE(DatabaseLocationCheck::Run(folder, QString(), Choice::Create));
    ExpectBoxes(m_ui, {kCreateFolder});
    EXPECT_FALSE(QFileInfo::exists(Path(u"new"_s)));

    m_ui.QueueAnswer(MessageAnswer::Yes);
    EXPECT_TRUE(DatabaseLocationCheck::Run(folder, QString(), Choice::Create));
    ExpectBoxes(m_ui, {kCreateFolder});
    EXPECT_TRUE(QFileInfo(missing).isDir()) << "created with all its parents";

    // Opening never creates anything.
    QString other = Path(u"other/db"_s);
    EXPECT_FALSE(DatabaseLocationCheck::Run(other, QString(), Choice::Open));
    ExpectBoxes(m_ui, {kMissing});
    EXPECT_FALSE(QFileInfo::exists(Path(u"other"_s)));

    // A folder that cannot be made (a file is in the way) is reported missing.
    QString blocked = Folder(u"blocked"_s, {u"file"_s}) + u"/file/db"_s;
    m_ui.QueueAnswer(MessageAnswer::Yes);
    EXPECT_FALSE(DatabaseLocationCheck::Run(blocked, QString(), Choice::Create));
    ExpectBoxes(m_ui, {kCreateFolder, kMissing});
}

TEST_F(DatabaseLocationTest, ReplacingDeletesTheDatabaseAndItsJournalsOnly)
{
    const QString folder =
        Folder(u"Full"_s, {kCatalogsFile, kFilesFile, u"Dirvanta Catalogs.db-journal"_s,
                           u"Dirvanta Files.db-wal"_s, u"Dirvanta Files.db-shm"_s,
                           u"Dirvanta Catalogs.db-mj1A2B3C94D"_s, u"Dirvanta Files"_s,
                           u"Dirvanta Catalogs.db.bak"_s, u"Dirvanta Catalogs-old.db"_s,
                           u"Dirvanta Files.db-journal.old"_s, u"dirvanta catalogs.db"_s,
                           u"notes.txt"_s, u".Dirvanta Files.db"_s});
    QDir(folder).mkdir(u"Dirvanta Files.d"_s);
    // A read-only database file goes too: removing needs only the folder.
    QFile::setPermissions(QDir(folder).filePath(kFilesFile), QFile::ReadOwner);

    const QStringList before = FileNames(folder);
    QString typed = folder;
    m_ui.QueueAnswer(MessageAnswer::No);
    EXPECT_FALSE(DatabaseLocationCheck::Run(typed, QString(), Choice::Create));
    ExpectBoxes(m_ui, {kReplace});
    EXPECT_EQ(FileNames(folder), before) << "No keeps the files";

    m_ui.QueueAnswer(MessageAnswer::Yes);
    EXPECT_TRUE(DatabaseLocationCheck::Run(typed, QString(), Choice::Create));
    ExpectBoxes(m_ui, {kReplace});
    EXPECT_EQ(FileNames(folder),
              QStringList({u".Dirvanta Files.db"_s, u"Dirvanta Catalogs-old.db"_s,
                           u"Dirvanta Catalogs.db.bak"_s, u"Dirvanta Files"_s,
                           u"Dirvanta Files.d"_s, u"Dirvanta Files.db-journal.old"_s,
                           u"dirvanta catalogs.db"_s, u"notes.txt"_s}));
}

TEST_F(DatabaseLocationTest, ADatabaseAnotherProgramHoldsIsReportedLockedAndKept)
{
    const QString folder = DatabaseFolder(u"Held"_s);
    for (const QString &held : {kCatalogsFile, kFilesFile}) {
        SCOPED_TRACE(held.toStdString());
        DatabaseLockHolder other(QDir(folder).filePath(held));
        ASSERT_TRUE(other.Holding());
        QString typed = folder;
        m_ui.QueueAnswer(MessageAnswer::Yes);
        EXPECT_FALSE(DatabaseLocationCheck::Run(typed, QString(), Choice::Create));
        const std::string locked = "The Catalog \"" + folder.toStdString() +
                                   "\" is currently being accessed by another application or "
                                   "User\n\nPlease try again when the other Application or User "
                                   "has finished";
        ExpectBoxes(m_ui, {kReplace, {MessageKind::Error, "Catalog Locked", locked.c_str()}});
        const QStringList kept = FileNames(folder);
        EXPECT_TRUE(kept.contains(kCatalogsFile) && kept.contains(kFilesFile))
            << kept.join(u'|').toStdString();
    }
}

TEST_F(DatabaseLocationTest, GoodFoldersPassWithoutABoxAndComeBackTrimmed)
{
    const QString database = DatabaseFolder(u"Database"_s);
    const QString empty = Folder(u"Empty"_s, {u"notes.txt"_s});
    const QString inUse = DatabaseFolder(u"Current"_s);

    QString folder = u"  "_s + database + u"  "_s;
    EXPECT_TRUE(DatabaseLocationCheck::Run(folder, inUse, Choice::Open));
    EXPECT_EQ(folder, database);

    folder = empty;
    EXPECT_TRUE(DatabaseLocationCheck::Run(folder, inUse, Choice::Create));
    ExpectBoxes(m_ui, {});
    EXPECT_EQ(FileNames(empty), QStringList({u"notes.txt"_s}));
}

// The dialog itself, on the offscreen platform.

TEST_F(DatabaseLocationTest, EachModeHasItsCaptionAndChoiceAndOkNeedsAFolder)
{
    const struct
    {
        int mode;
        const char *caption;
        const char *explanation;
        bool choiceShown;
        bool create;
    } rows[] = {
        {1, "Select Database",
         "Please specify the Folder that contains, or is to contain, the Dirvanta Database.", true,
         true},
        {2, "Create Database",
         "Please specify the Folder that is to contain the new Dirvanta Database.", false, true},
        {3, "Open Database",
         "Please specify the Folder that contains the Dirvanta Database that you wish to open.",
         false, false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.caption);
        TDatabase_Location_Form form;
        form.Open1->setChecked(true);
        form.SetMode(row.mode);
        form.show();
        EXPECT_EQ(form.windowTitle(), QString::fromUtf8(row.caption));
        EXPECT_EQ(form.Explanation->text(), QString::fromUtf8(row.explanation));
        EXPECT_TRUE(form.Explanation->wordWrap());
        EXPECT_EQ(form.Create1->isVisible(), row.choiceShown);
        EXPECT_EQ(form.Open1->isVisible(), row.choiceShown);
        if (row.mode != 1) {
            EXPECT_EQ(form.Create1->isChecked(), row.create);
        }
    }

    // OK is enabled exactly while the folder is not blank.
    TDatabase_Location_Form form;
    EXPECT_TRUE(form.Create1->isChecked());
    EXPECT_TRUE(form.OKBtn->isDefault());
    EXPECT_FALSE(form.OKBtn->isEnabled());

    form.DatabasePath->setText(u"  \t "_s);
    EXPECT_FALSE(form.OKBtn->isEnabled());
    QTest::keyClick(form.DatabasePath, Qt::Key_X);
    EXPECT_TRUE(form.OKBtn->isEnabled());
    form.DatabasePath->clear();
    EXPECT_FALSE(form.OKBtn->isEnabled());

    m_ui.QueueFileName(u"/chosen/folder"_s);
    form.BrowseBtn->click();
    EXPECT_EQ(form.DatabasePath->text(), u"/chosen/folder"_s);
    EXPECT_TRUE(form.OKBtn->isEnabled());
    m_ui.QueueFileName(QString()); // the chooser was cancelled
    form.BrowseBtn->click();
    EXPECT_EQ(form.DatabasePath->text(), u"/chosen/folder"_s);
}

TEST_F(DatabaseLocationTest, AFailedCheckKeepsTheDialogOpenUntilTheUserFixesIt)
{
    const QString half = Folder(u"Half"_s, {kFilesFile});
    QString folder = half;
    bool stayedOpen = false;
    EXPECT_EQ(ShowDialog(1, QString(), folder,
                         [&](TDatabase_Location_Form &form) {
                             form.Open1->click();
                             form.OKBtn->click();
                             ExpectBoxes(m_ui, {kNoCatalog});
                             stayedOpen = form.isVisible();
                             m_ui.QueueAnswer(MessageAnswer::Yes);
                             form.Create1->click();
                             form.OKBtn->click();
                         }),
              1);
    EXPECT_TRUE(stayedOpen);
    ExpectBoxes(m_ui, {kReplace});
    EXPECT_EQ(folder, half);
    EXPECT_TRUE(FileNames(half).isEmpty());
}

TEST_F(DatabaseLocationTest, OkOpensWithTheTrimmedFolderAndCancelLeavesItAsItWas)
{
    const QString database = DatabaseFolder(u"Database"_s);
    QString folder = u" "_s + database + u" "_s;
    EXPECT_EQ(ShowDialog(3, QString(), folder,
                         [](TDatabase_Location_Form &form) {
                             QTest::keyClick(form.DatabasePath, Qt::Key_Return);
                         }),
              2);
    EXPECT_EQ(folder, database);

    EXPECT_EQ(ShowDialog(2, database, folder,
                         [&](TDatabase_Location_Form &form) {
                             EXPECT_EQ(form.DatabasePath->text(), database) << "starts with it";
                             form.OKBtn->click();
                             ExpectBoxes(m_ui, {kInUse});
                             form.DatabasePath->setText(u"/somewhere/else"_s);
                             form.CancelBtn->click();
                         }),
              -1);
    EXPECT_EQ(folder, database);
}

} // namespace

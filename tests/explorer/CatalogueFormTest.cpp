#include "explorer/CatalogueForm.h"

#include "explorer/CatalogList.h"
#include "explorer/ExchangeCommands.h"
#include "explorer/QuickCatalogForm.h"
#include "explorer/TUForm.h"
#include "platform/FileTypes.h"
#include "platform/ProgressOperations.h"
#include "platform/SettingsStore.h"
#include "platform/SingleInstance.h"
#include "store/CatalogRows.h"
#include "store/CatalogSchema.h"
#include "support/FakeDriveSystem.h"
#include "support/ModalResponder.h"
#include "support/QtPrinters.h"
#include "support/ScriptedUserInterface.h"
#include "support/TestEnvironment.h"
#include "ui/ElidedLabel.h"
#include "ui/ItemTree.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSplitter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// Lets or stops anything being created in a folder: by its permissions for
// a user, by the immutable flag for root (who writes anyway).
bool AllowCreating(const QString &folder, bool allow)
{
    if (geteuid() != 0)
        return QFile::setPermissions(folder,
                                     QFile::ReadOwner | QFile::ExeOwner |
                                         (allow ? QFile::WriteOwner : QFile::Permissions()));
    const int handle = open(folder.toLocal8Bit().constData(), O_RDONLY | O_DIRECTORY);
    int flags = 0;
    bool done = handle >= 0 && ioctl(handle, FS_IOC_GETFLAGS, &flags) == 0;
    flags = allow ? flags & ~FS_IMMUTABLE_FL : flags | FS_IMMUTABLE_FL;
    done = done && ioctl(handle, FS_IOC_SETFLAGS, &flags) == 0;
    if (handle >= 0)
        close(handle);
    return done;
}

class CatalogueFormTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        m_settings = std::make_unique<SettingsStore>(
            SettingsStore::IniFile{m_folder.filePath(QStringLiteral("settings.ini"))});
        m_data = std::make_unique<TDataShare>(m_settings.get());
    }

    void TearDown() override
    {
        m_form.reset();
        m_data.reset();
    }

    // A database with a folder, a disk catalog holding a folder and two
    // files, and a disk catalog in the wastebasket.
    QString MakeDatabase(const QString &name)
    {
        const QString folder = m_folder.filePath(name);
        EXPECT_TRUE(OpenFreshDatabase(*m_data, folder));
        m_data->RunInTransaction([&] {
            m_work = Add(CatalogSchema::kCatalogsId, QStringLiteral("Work"),
                         CatalogSchema::kCatalogFolderClass);
            m_disk =
                Add(m_work, QStringLiteral("Disk"), CatalogSchema::kHardDiskClass, m_medium.path());
            Add(m_disk, QStringLiteral("Folder"), CatalogSchema::kFileFolderClass);
            SqliteStatement &insert = m_data->CatalogDatabase.Prepare(QStringLiteral(
                "INSERT INTO Files (ID, Class, Size, Name, Packaged, Comment, Created, Modified) "
                "VALUES (?1, 32, ?2, ?3, 0, '', 46000, 46000)"));
            insert.Bind(1, m_disk)
                .Bind(2, qint64(2048))
                .Bind(3, QStringLiteral("odd.xyzq"))
                .Execute();
            m_fileKey = m_data->CatalogDatabase.LastInsertId();
            insert.Reset();
            insert.Bind(1, m_disk)
                .Bind(2, qint64(1024))
                .Bind(3, QStringLiteral("b.xyzq"))
                .Execute();
            const qint64 gone =
                Add(m_work, QStringLiteral("Gone"), CatalogSchema::kRemovableDiskClass);
            m_data->Catalogs.MoveItem(gone, m_data->Catalogs.MirrorPath(gone, 3, 4));
        });
        m_data->CloseDatabase(QString());
        return folder;
    }

    qint64 Add(qint64 parent, const QString &name, int cls, const QString &source = {})
    {
        return AppendCatalogRow(m_data->Catalogs, name, source, parent, cls, false, 46000, 46000,
                                QString(), QString(), 0, 0);
    }

    TCatalogueForm &Show()
    {
        m_form = std::make_unique<TCatalogueForm>(*m_data, *m_settings);
        m_form->resize(800, 600);
        m_form->show();
        QApplication::setActiveWindow(m_form.get());
        return *m_form;
    }

    QString Text(const char *name)
    {
        return m_form->findChild<QLabel *>(QLatin1String(name))->text();
    }
    QAction *Action(const char *name) { return m_form->findChild<QAction *>(QLatin1String(name)); }

    QTemporaryDir m_folder;
    QTemporaryDir m_medium; // where the disk catalog "Disk" was made
    ScriptedUserInterface m_ui;
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<TDataShare> m_data;
    std::unique_ptr<TCatalogueForm> m_form;
    qint64 m_work = 0;
    qint64 m_disk = 0;
    qint64 m_fileKey = 0;
};

} // namespace

TEST_F(CatalogueFormTest, FirstStartWithEmptySettingsShowsTheClosedState)
{
    TCatalogueForm &form = Show();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Dirvanta 97 -- [Database Closed]"));
    EXPECT_EQ(Text("Panel2"), QStringLiteral("  No Database Loaded"));
    EXPECT_FALSE(m_data->DatabaseOpen);
    EXPECT_EQ(form.IconView(), 0);
    EXPECT_TRUE(Action("IconViewLargeBtn")->isChecked());
    EXPECT_TRUE(form.findChild<QToolBar *>(QStringLiteral("Toolbar_Panel"))->isVisible());
    EXPECT_TRUE(form.statusBar()->isVisible());
    EXPECT_FALSE(form.findChild<QLabel *>(QStringLiteral("StatusPanel1"))->isVisible());
    // The first width of the tree shows a usual name three levels down.
    const int pane = form.findChild<QSplitter *>(QStringLiteral("Splitter"))->sizes().value(0);
    const QTreeView *tree = form.Tree();
    EXPECT_GE(pane, 3 * tree->indentation() + 16 +
                        tree->fontMetrics().horizontalAdvance(
                            QStringLiteral("Holiday Photos 2026 Disk 2")));
    EXPECT_EQ(form.List()->CatalogSort(), 0);
    EXPECT_TRUE(form.List()->CatalogOrder());

    form.UpdateMenus();
    EXPECT_TRUE(Action("DatabaseNew1")->isEnabled());
    EXPECT_TRUE(Action("DatabaseOpen1")->isEnabled());
    EXPECT_TRUE(Action("Exit1")->isEnabled());
    for (const char *name :
         {"CloseDatabase1", "DiskCatalog1", "Delete1", "Find1", "Compress1", "Export1"})
        EXPECT_FALSE(Action(name)->isEnabled()) << name;
    EXPECT_FALSE(Action("QuickCatalogBtn")->isEnabled());
    EXPECT_FALSE(Action("MoveUpBtn")->isEnabled());
}

TEST_F(CatalogueFormTest, OpensTheRememberedDatabaseOnTheRememberedNode)
{
    const QString folder = MakeDatabase(QStringLiteral("Main"));
    LastDatabase{folder, m_disk}.Write(*m_settings);
    TCatalogueForm &form = Show();
    ASSERT_TRUE(m_data->DatabaseOpen);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Dirvanta 97 --  ") + folder);
    EXPECT_EQ(Text("Panel2"), QStringLiteral(" All Catalogs and Archives"));
    EXPECT_EQ(form.Tree()->SelectedID(), m_disk);
    EXPECT_EQ(form.List()->Count(), 3);
    EXPECT_EQ(Text("StatusPanel1"), QStringLiteral("3 object(s)"));
    EXPECT_TRUE(Text("StatusPanel2").contains(QStringLiteral("(3,072 bytes)")));
    EXPECT_TRUE(Action("MoveUpBtn")->isEnabled());
    EXPECT_FALSE(Action("NewGroupBtn")->isEnabled());

    // A file chosen in the list: opened, not renamed or deleted.
    ASSERT_TRUE(form.List()->SelectEntryByData(m_fileKey));
    form.List()->CurrentView()->setFocus();
    ASSERT_TRUE(form.List()->ViewHasFocus());
    form.UpdateMenus();
    EXPECT_FALSE(Action("RenameCatalog1")->isEnabled());
    EXPECT_FALSE(Action("Delete1")->isEnabled());
    EXPECT_TRUE(Action("Open1")->isEnabled());
    EXPECT_TRUE(Action("QuickView1")->isEnabled());
    EXPECT_EQ(Action("Open1")->text(), QStringLiteral("&Open With..."));
    EXPECT_FALSE(Action("DiskCatalog3")->isVisible());

    // The Wastebasket node with the tree focused offers to empty it.
    form.Tree()->SelectByID(CatalogSchema::kWastebasketId);
    form.Tree()->setFocus();
    form.UpdateMenus();
    EXPECT_EQ(Action("Delete1")->text(), QStringLiteral("&Empty Wastebasket"));
    EXPECT_FALSE(form.List()->MainView());
    EXPECT_EQ(Text("StatusPanel2"), QString());
}

TEST_F(CatalogueFormTest, ExportStartsWhereUsersExpectAndLongWorkSaysWhatItDid)
{
    const QString folder = MakeDatabase(QStringLiteral("Main"));
    LastDatabase{folder, m_disk}.Write(*m_settings);
    TCatalogueForm &form = Show();
    form.Tree()->setFocus();
    const QString exports = m_folder.filePath(QStringLiteral("exports"));
    QDir().mkpath(exports);

    // The first export starts in the documents folder and suggests the object's name.
    m_ui.QueueFileName(QDir(exports).filePath(QStringLiteral("Disk.DVX")));
    ExportCommand(form, *m_data, *m_settings);
    EXPECT_EQ(m_ui.LastChooser().startFolder,
              QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    EXPECT_EQ(m_ui.LastChooser().fileName, QStringLiteral("Disk.DVX"));
    // The disk catalog, its folder and its two files.
    EXPECT_EQ(form.statusBar()->currentMessage(), QStringLiteral("Exported 4 entries to Disk.DVX"));

    form.Tree()->SelectByID(m_work);
    m_ui.QueueFileName(QString());
    ExportCommand(form, *m_data, *m_settings);
    EXPECT_EQ(m_ui.LastChooser().startFolder, exports);
    EXPECT_EQ(m_ui.LastChooser().fileName, QStringLiteral("Work.DVX"));

    form.CompressCommand();
    EXPECT_TRUE(
        form.statusBar()->currentMessage().startsWith(QStringLiteral("Compressed the catalog")));
    form.RefreshList();
    EXPECT_EQ(form.statusBar()->currentMessage(), QString()) << "new counts replace the message";

    form.ReselectNode(CatalogSchema::kWastebasketId, true);
    m_ui.QueueAnswer(MessageAnswer::Yes);
    form.DeleteCommand(TCatalogueForm::CommandSource::Tree, false);
    EXPECT_EQ(m_ui.TakeSingleMessage().caption,
              QStringLiteral("Confirm Multiple Object Deletions"));
    EXPECT_EQ(form.statusBar()->currentMessage(), QStringLiteral("The Wastebasket is empty"));
}

TEST_F(CatalogueFormTest, DoubleClickOnTheWastebasketEntryShowsTheWastebasketView)
{
    const QString folder = MakeDatabase(QStringLiteral("Main"));
    LastDatabase{folder}.Write(*m_settings);
    TCatalogueForm &form = Show();
    ASSERT_EQ(form.Tree()->SelectedID(), 1);
    ASSERT_TRUE(form.List()->SelectEntryByData(CatalogSchema::kWastebasketId));
    emit form.List()->EntryActivated();
    EXPECT_EQ(form.Tree()->SelectedID(), CatalogSchema::kWastebasketId);
    EXPECT_FALSE(form.List()->MainView());
    EXPECT_EQ(form.List()->Count(), 1);

    // An ordinary object selects its node.
    form.Tree()->SelectByID(m_work);
    ASSERT_TRUE(form.List()->SelectEntryByData(m_disk));
    emit form.List()->EntryActivated();
    EXPECT_EQ(form.Tree()->SelectedID(), m_disk);
}

TEST_F(CatalogueFormTest, QuickViewAndDoubleClickReachTheFileOnItsMedium)
{
    FakeDriveSystem drives;
    drives.Mount(m_medium.path(), DriveKind::Fixed);
    QFile file(m_medium.filePath(QStringLiteral("odd.xyzq")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("\x01\x02", 2);
    file.close();
    const QString folder = MakeDatabase(QStringLiteral("Main"));
    LastDatabase{folder}.Write(*m_settings);
    TCatalogueForm &form = Show();
    form.Tree()->SelectByID(m_disk);
    ASSERT_TRUE(form.List()->SelectEntryByData(m_fileKey));
    form.List()->CurrentView()->setFocus();

    Action("QuickView3")->trigger();
    EXPECT_EQ(m_ui.TakeQuickViews(), QStringList{file.fileName()});

    // Nothing opens the type: the user is asked for a program, and gives up.
    m_ui.QueueFileName(QString());
    emit form.List()->EntryActivated();
    EXPECT_EQ(form.Tree()->SelectedID(), m_disk);

    // The disk's folder in the file manager (none here: the user is told).
    form.Tree()->setFocus();
    form.UpdateMenus();
    ASSERT_EQ(Action("Explore1")->text(), QStringLiteral("&Explore..."));
    const ScopedDesktopFolders emptyDesktop(m_folder.path());
    Action("Explore1")->trigger();
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, QStringLiteral("Explore"));
}

TEST_F(CatalogueFormTest, SwitchingKeepsTheHistoryAndFallsBackOnFailure)
{
    const QString first = MakeDatabase(QStringLiteral("First"));
    const QString second = MakeDatabase(QStringLiteral("Second"));
    LastDatabase{first}.Write(*m_settings);
    TCatalogueForm &form = Show();
    ASSERT_TRUE(m_data->DatabaseOpen);

    m_data->DatabaseFolder = second;
    form.SwitchDatabase(first);
    EXPECT_EQ(m_data->DatabaseFolder, second);
    EXPECT_EQ(m_settings->History(), QStringList{first});
    EXPECT_EQ(form.Tree()->SelectedID(), 1);

    form.ReopenEntry(1);
    EXPECT_EQ(m_data->DatabaseFolder, first);
    EXPECT_EQ(m_settings->History(), QStringList{second});

    // A folder without a database: the box, then the previous one again.
    m_data->DatabaseFolder = m_folder.filePath(QStringLiteral("nothing"));
    form.SwitchDatabase(first);
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, QStringLiteral("Catalog Error"));
    EXPECT_TRUE(m_data->DatabaseOpen);
    EXPECT_EQ(m_data->DatabaseFolder, first);

    form.CloseDatabaseCommand();
    EXPECT_FALSE(m_data->DatabaseOpen);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Dirvanta 97 -- [Database Closed]"));
    EXPECT_EQ(m_settings->History(), (QStringList{first, second}));
}

TEST_F(CatalogueFormTest, ClosingStoresTheLayoutAndTheNextStartRestoresIt)
{
    const QString folder = MakeDatabase(QStringLiteral("Main"));
    LastDatabase{folder}.Write(*m_settings);
    TCatalogueForm &form = Show();
    form.Tree()->SelectByID(m_disk);
    form.SetIconView(3);
    form.List()->ColumnClick(1);
    form.close();
    EXPECT_FALSE(m_data->DatabaseOpen);
    EXPECT_EQ(
        m_settings->ReadText(QStringLiteral("Catalog Explorer"), QStringLiteral("Database Folder")),
        folder);
    EXPECT_EQ(m_settings->ReadInteger(QStringLiteral("Catalog Explorer"),
                                      QStringLiteral("Selected Node"), 0),
              m_disk);
    EXPECT_EQ(
        m_settings->ReadInteger(QStringLiteral("View Options"), QStringLiteral("Icon View"), 0), 3);
    EXPECT_EQ(m_settings->ReadInteger(QStringLiteral("Catalog Explorer"),
                                      QStringLiteral("Catalog Sort"), 0),
              1);
    EXPECT_EQ(m_settings->History(), QStringList{folder});

    TCatalogueForm &again = Show();
    EXPECT_TRUE(m_data->DatabaseOpen);
    EXPECT_EQ(again.IconView(), 3);
    EXPECT_EQ(again.Tree()->SelectedID(), m_disk);
    EXPECT_EQ(again.List()->CatalogSort(), 1);
    EXPECT_TRUE(m_settings->History().isEmpty());
}

TEST_F(CatalogueFormTest, HintsSplitIntoTooltipAndStatusTextAndTakeOverTheStatusBar)
{
    const QString folder = MakeDatabase(QStringLiteral("Main"));
    LastDatabase{folder}.Write(*m_settings);
    TCatalogueForm &form = Show();
    EXPECT_EQ(Action("QuickCatalogBtn")->toolTip(), QStringLiteral("Catalog Disk"));
    EXPECT_EQ(Action("QuickCatalogBtn")->statusTip(), QString());
    EXPECT_EQ(Action("byType1")->statusTip(), QString());
    EXPECT_EQ(Action("byName1")->statusTip(), QStringLiteral("Sorts items alphabetically by name"));
    EXPECT_EQ(Action("Properties1")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_Return));

    QLabel *first = form.findChild<QLabel *>(QStringLiteral("StatusPanel1"));
    ASSERT_TRUE(first->isVisible());
    QStatusTipEvent hint(QStringLiteral("Create a New Disk Catalog"));
    QApplication::sendEvent(&form, &hint);
    EXPECT_EQ(form.statusBar()->currentMessage(), QStringLiteral("Create a New Disk Catalog"));
    EXPECT_FALSE(first->isVisible());
    QStatusTipEvent none{QString()};
    QApplication::sendEvent(&form, &none);
    EXPECT_TRUE(first->isVisible());
}

TEST_F(CatalogueFormTest, OnlyRenamableObjectsCanBeEditedInTheTree)
{
    const QString folder = MakeDatabase(QStringLiteral("Main"));
    LastDatabase{folder}.Write(*m_settings);
    TCatalogueForm &form = Show();
    const auto editable = [&](qint64 id) {
        form.Tree()->SelectByID(id);
        form.Tree()->editItem(form.Tree()->currentItem());
        QLineEdit *editor = form.Tree()->viewport()->findChild<QLineEdit *>();
        const bool editing = editor && editor->isVisible();
        if (editing)
            QTest::keyClick(editor, Qt::Key_Escape);
        QApplication::processEvents();
        return editing;
    };
    EXPECT_FALSE(editable(CatalogSchema::kCatalogsId));
    EXPECT_FALSE(editable(CatalogSchema::kWastebasketId));
    EXPECT_TRUE(editable(m_work));
}

TEST_F(CatalogueFormTest, VerifyAndRepairRefuseWhileADatabaseIsOpen)
{
    const QString folder = MakeDatabase(QStringLiteral("Main"));
    LastDatabase{folder}.Write(*m_settings);
    Show();
    Action("VerifyDatabase1")->trigger();
    RecordedMessage box = m_ui.TakeSingleMessage();
    EXPECT_EQ(box.caption, QStringLiteral("Dirvanta Database Open"));
    EXPECT_EQ(box.text, QStringLiteral("There may not be any Databases open in Dirvanta during a "
                                       "Database Verify\n\nPlease close the current database "
                                       "before trying again."));
    Action("RepairDatabase1")->trigger();
    EXPECT_TRUE(m_ui.TakeSingleMessage().text.contains(QStringLiteral("during a Database Repair")));
}

TEST_F(CatalogueFormTest, ARememberedFolderWithoutDatabaseAsksForALocation)
{
    LastDatabase{m_folder.filePath(QStringLiteral("missing"))}.Write(*m_settings);
    // The location dialog is cancelled by the watchdog-free path: no folder
    // is typed, so Escape closes it.
    QTimer::singleShot(0, [] {
        if (QWidget *dialog = QApplication::activeModalWidget())
            dialog->close();
    });
    TCatalogueForm &form = Show();
    const RecordedMessage box = m_ui.TakeSingleMessage();
    EXPECT_EQ(box.caption, QStringLiteral("Database Access Failed"));
    EXPECT_FALSE(m_data->DatabaseOpen);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Dirvanta 97 -- [Database Closed]"));
}

TEST_F(CatalogueFormTest, ACreationThatFailsIsReportedAndTheDatabaseStaysClosed)
{
    const QString folder = m_folder.filePath(QStringLiteral("locked"));
    QDir().mkpath(folder);
    const auto restore = qScopeGuard([&] { AllowCreating(folder, true); });
    if (!AllowCreating(folder, false))
        GTEST_SKIP() << "this file system cannot make a folder unwritable";
    const auto createIn = [&](QWidget *dialog) {
        dialog->findChild<QLineEdit *>(QStringLiteral("DatabasePath"))->setText(folder);
        dialog->findChild<QRadioButton *>(QStringLiteral("Create1"))->click();
        dialog->findChild<QPushButton *>(QStringLiteral("OKBtn"))->click();
    };
    const auto expectCreationFailure = [&](const RecordedMessage &box) {
        EXPECT_EQ(box.caption, QStringLiteral("Catalog Error"));
        EXPECT_TRUE(box.text.startsWith(
            QStringLiteral("Unable to create the Catalog Database in Folder \"") + folder))
            << box.text.toStdString();
        EXPECT_FALSE(m_data->DatabaseOpen);
    };

    // At start-up the remembered folder holds none.
    LastDatabase{m_folder.filePath(QStringLiteral("missing"))}.Write(*m_settings);
    TCatalogueForm *form = nullptr;
    {
        ModalResponder responder(createIn);
        form = &Show();
    }
    const std::vector<RecordedMessage> boxes = m_ui.TakeMessages();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Database Access Failed"));
    expectCreationFailure(boxes[1]);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Dirvanta 97 -- [Database Closed]"));

    // New from the window.
    {
        ModalResponder responder(createIn);
        Action("DatabaseNew1")->trigger();
    }
    expectCreationFailure(m_ui.TakeSingleMessage());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Dirvanta 97 -- [Database Closed]"));
}

// Runs the verify or repair command on a folder and, once the dialog's pass
// has finished, notes its lines and leaves it with "Exit".
struct TableUtilityRun
{
    QString caption, folders, files, status, again, backup;
    bool backupShown = false;
};

static TableUtilityRun RunTableUtilityDialog(QAction *command)
{
    TableUtilityRun run;
    std::function<void(TTUForm *)> waitForPass;
    waitForPass = [&run, &waitForPass](TTUForm *form) {
        if (form->PassRunning() || form->StatusLabel->text() != QLatin1String("Complete")) {
            QTimer::singleShot(5, form, [form, &waitForPass] { waitForPass(form); });
            return;
        }
        run = {form->windowTitle(),           form->FolderLabel->text(), form->FilesLabel->text(),
               form->StatusLabel->text(),     form->Button2->text(),     form->BackupLabel->text(),
               form->BackupLabel->isVisible()};
        EXPECT_FALSE(form->ProgressGroup->isVisible());
        form->Button1->click();
    };
    ModalResponder responder([&](QWidget *modal) {
        auto *form = qobject_cast<TTUForm *>(modal);
        ASSERT_NE(form, nullptr);
        waitForPass(form);
    });
    command->trigger();
    return run;
}

TEST_F(CatalogueFormTest, VerifyAndRepairRunOnAFolderThatIsNotOpen)
{
    const ScopedEnvironment temporary("TMPDIR", m_folder.path());
    const QString folder = MakeDatabase(QStringLiteral("Main"));
    LastDatabase{folder}.Write(*m_settings);
    TCatalogueForm &form = Show();
    form.CloseDatabaseCommand();

    m_ui.QueueFileName(m_folder.filePath(QStringLiteral("medium")));
    Action("VerifyDatabase1")->trigger();
    const RecordedMessage box = m_ui.TakeSingleMessage();
    EXPECT_EQ(box.caption, QStringLiteral("Invalid Database Folder"));
    EXPECT_EQ(box.text,
              QStringLiteral("The Folder specified (") +
                  m_folder.filePath(QStringLiteral("medium")) +
                  QStringLiteral("/) does not contain a Dirvanta Database\n\nRequest failed."));

    m_ui.QueueFileName(folder);
    const TableUtilityRun verify = RunTableUtilityDialog(Action("VerifyDatabase1"));
    EXPECT_EQ(verify.caption, QStringLiteral("Verifying Database"));
    EXPECT_EQ(verify.folders, QStringLiteral("Verification Successful."));
    EXPECT_EQ(verify.files, QStringLiteral("Verification Successful."));
    EXPECT_EQ(verify.status, QStringLiteral("Complete"));
    EXPECT_EQ(verify.again, QStringLiteral("&Verify Again"));
    EXPECT_FALSE(verify.backupShown);

    {
        SqliteConnection files;
        files.Open(TDataShare::FilesFilePath(folder), false);
        files.ExecuteScript(QStringLiteral("UPDATE Files SET ID = 4242"));
    }
    m_ui.QueueFileName(folder);
    const TableUtilityRun repair = RunTableUtilityDialog(Action("RepairDatabase1"));
    EXPECT_EQ(repair.caption, QStringLiteral("Repairing Database"));
    EXPECT_EQ(repair.folders, QStringLiteral("Repair was successful. 10 rows recovered, 0 lost."));
    EXPECT_TRUE(repair.files.endsWith(QStringLiteral("moved to \"Recovered Items\".")));
    EXPECT_EQ(repair.again, QStringLiteral("&Repair Again"));
    EXPECT_TRUE(repair.backupShown);
    EXPECT_EQ(repair.backup, QStringLiteral("Database Backed-up to: \n") +
                                 m_folder.filePath(QStringLiteral("Backup Dirvanta *.*")));
    EXPECT_TRUE(QFileInfo::exists(m_folder.filePath(QStringLiteral("Backup Dirvanta Files.db"))));
}

// --- Requests of the file manager -------------------------------------------

namespace {

// Hands over a request path as a second copy does; with a file to go with it.
QString HandOver(const QString &path, bool writeFile = false)
{
    if (writeFile)
        QFile(path).open(QIODevice::WriteOnly);
    SettingsStore handOver(SettingsStore::kHandOverKey);
    SingleInstance::WriteRequestPath(handOver, path);
    return path;
}

bool RequestPathTaken()
{
    return SettingsStore(SettingsStore::kHandOverKey)
        .ReadText(SettingsStore::kHandOverSection, SettingsStore::kHandOverValue)
        .isEmpty();
}

} // namespace

TEST_F(CatalogueFormTest, RequestsAreRefusedWithTheirBoxesAndTheirFilesDropped)
{
    TCatalogueForm &closed = Show();
    const QString file = m_folder.filePath(QStringLiteral("request.ini"));
    for (const auto &[message, word] : {std::pair{2030, "Catalog"}, std::pair{2029, "Archive"}}) {
        HandOver(file, true);
        closed.ServeRequest(message, 1);
        EXPECT_EQ(QFileInfo::exists(file), message == 2030) << "an archive's file is deleted";
        const RecordedMessage box = m_ui.TakeSingleMessage();
        EXPECT_EQ(box.caption, QStringLiteral("Database Not Active"));
        EXPECT_TRUE(box.text.startsWith(QStringLiteral("There is currently not an active")));
        EXPECT_TRUE(box.text.endsWith(QStringLiteral("still open\n\n") + QLatin1String(word) +
                                      QStringLiteral(" Request Failed")));
    }

    LastDatabase{MakeDatabase(QStringLiteral("Main"))}.Write(*m_settings);
    TCatalogueForm &form = Show();
    HandOver(file, true);
    form.ServeRequest(2029, 1);
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, QStringLiteral("Archive Pool Empty"));
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_TRUE(RequestPathTaken());

    // A request that comes while a catalog lets events run is dropped.
    m_data->RunInTransaction([&] {
        Add(CatalogSchema::kVolumePoolId, QStringLiteral("Volume 1"),
            CatalogSchema::kEmptyArchiveVolumeClass);
    });
    UI().ShowProgress(ProgressOperation::CatalogMedia);
    for (int message : {2029, 2030}) {
        HandOver(file, true);
        form.ServeRequest(message, 2);
        const RecordedMessage busy = m_ui.TakeSingleMessage();
        EXPECT_EQ(busy.caption, QStringLiteral("Application Busy"));
        EXPECT_EQ(busy.text, QStringLiteral("The Dirvanta Application is currently busy.\n\n"
                                            "Please try request again later"));
        EXPECT_EQ(QFileInfo::exists(file), message == 2030) << "only an archive has a file";
        EXPECT_TRUE(RequestPathTaken());
        EXPECT_TRUE(UI().ProgressVisible());
    }
    UI().CloseProgress();
}

// The running copy and a second one started by the file manager's catalog
// action, through the real channel.
TEST_F(CatalogueFormTest, ASecondCopysCatalogRequestCatalogsTheFolderIntoTheOpenDatabase)
{
    FakeDriveSystem drives;
    drives.Mount(m_medium.path(), DriveKind::Fixed);
    LastDatabase{MakeDatabase(QStringLiteral("Main"))}.Write(*m_settings);
    TCatalogueForm &form = Show();
    const QString suffix = QStringLiteral("-form-%1").arg(QCoreApplication::applicationPid());
    SingleInstance::SetServerNameSuffix(suffix);
    const auto restore = qScopeGuard([] { SingleInstance::SetServerNameSuffix(QString()); });
    SingleInstance running;
    ASSERT_FALSE(running.ForwardRequest({}));
    QObject::connect(&running, &SingleInstance::RequestReceived, &form,
                     &TCatalogueForm::ServeRequest);

    QString shownSource;
    ModalResponder responder([&](QWidget *modal) {
        auto *dialog = qobject_cast<TQuick_Catalog_Form *>(modal);
        ASSERT_NE(dialog, nullptr);
        shownSource = dialog->Catalog_Source->text();
        dialog->CatalogBtn->click();
    });
    QProcess second;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DIRVANTA_TEST_INSTANCE_SUFFIX"), suffix);
    second.setProcessEnvironment(environment);
    second.start(QStringLiteral(DIRVANTA_SECOND_COPY), {QStringLiteral("/C"), m_medium.path()});
    QTRY_VERIFY_WITH_TIMEOUT(m_data->Catalogs.FindChild(CatalogSchema::kCatalogsId,
                                                        QStringLiteral("New Disk Catalog")) > 0,
                             10000);
    ASSERT_TRUE(second.state() == QProcess::NotRunning || second.waitForFinished(10000));
    EXPECT_EQ(second.exitCode(), 0) << "the second copy handed its request over";
    EXPECT_EQ(shownSource, m_medium.path());
    EXPECT_TRUE(m_ui.TakeMessages().empty());
    EXPECT_TRUE(RequestPathTaken());
}

TEST_F(CatalogueFormTest, AFreshCopyServesItsRequestOffScreenAndLeavesTheSettingsAsTheyWere)
{
    const QString folder = MakeDatabase(QStringLiteral("Main"));
    LastDatabase{folder}.Write(*m_settings);
    Show().List()->ColumnClick(2);
    m_form->close();
    m_settings->UpdateHistory(true, MakeDatabase(QStringLiteral("Other")));
    m_settings->Flush();
    const auto contents = [&] {
        QFile file(m_folder.filePath(QStringLiteral("settings.ini")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray before = contents();

    HandOver(m_medium.path());
    m_form = std::make_unique<TCatalogueForm>(*m_data, *m_settings);
    m_form->SetCommandLineRequest(QStringLiteral("/C"));
    ModalResponder responder([&](QWidget *modal) {
        EXPECT_LT(m_form->geometry().right(), 0);
        qobject_cast<QDialog *>(modal)->reject();
    });
    m_form->show();
    QTRY_VERIFY_WITH_TIMEOUT(!m_data->DatabaseOpen, 10000);
    EXPECT_TRUE(m_ui.TakeMessages().empty());
    EXPECT_EQ(contents().toStdString(), before.toStdString());
}

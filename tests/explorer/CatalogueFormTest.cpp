#include "explorer/CatalogList.h"
#include "explorer/ExchangeCommands.h"
#include "explorer/QuickCatalogForm.h"
#include "explorer/TUForm.h"
#include "platform/FileTypes.h"
#include "platform/ProgressOperations.h"
#include "platform/SingleInstance.h"
#include "support/FakeDriveSystem.h"
#include "support/ModalResponder.h"
#include "support/QtPrinters.h"
#include "support/WindowFixture.h"
#include "ui/ItemTree.h"
#include "ui/ElidedLabel.h"
#include "ui/ItemTree.h"

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

// Hands over a request path of the file manager as a second copy does;
// with a file to go with it.
void HandOver(const QString &path, bool writeFile = false)
{
    if (writeFile)
        QFile(path).open(QIODevice::WriteOnly);
    SettingsStore handOver(SettingsStore::kHandOverKey);
    SingleInstance::WriteRequestPath(handOver, path);
}

bool RequestPathTaken()
{
    return SettingsStore(SettingsStore::kHandOverKey)
        .ReadText(SettingsStore::kHandOverSection, SettingsStore::kHandOverValue)
        .isEmpty();
}

class CatalogueFormTest : public WindowFixture
{
protected:
    // A database with a folder, a disk catalog holding a folder and two
    // files, and a disk catalog in the wastebasket.
    QString MakeWorkDatabase(const QString &name = QStringLiteral("Main"))
    {
        return MakeDatabase(name, [&] {
            m_work = AddObject(CatalogSchema::kCatalogsId, QStringLiteral("Work"),
                               CatalogSchema::kCatalogFolderClass);
            m_disk = AddObject(m_work, QStringLiteral("Disk"), CatalogSchema::kHardDiskClass,
                               m_medium.path());
            AddObject(m_disk, QStringLiteral("Folder"), CatalogSchema::kFileFolderClass);
            m_fileKey = AddFile(m_disk, QStringLiteral("odd.xyzq"), 2048);
            AddFile(m_disk, QStringLiteral("b.xyzq"), 1024);
            const qint64 gone =
                AddObject(m_work, QStringLiteral("Gone"), CatalogSchema::kRemovableDiskClass);
            m_data->Catalogs.MoveItem(gone, m_data->Catalogs.MirrorPath(gone, 3, 4));
        });
    }

    // The main window on that database, on the disk catalog or the database object.
    TCatalogueForm &ShowWorkDatabase(bool onDisk = false)
    {
        LastDatabase{MakeWorkDatabase(), onDisk ? m_disk : 1}.Write(*m_settings);
        return ShowMainWindow();
    }
    QString MainFolder() const { return m_folder.filePath(QStringLiteral("Main")); }

    QString Text(const char *name)
    {
        return m_form->findChild<QLabel *>(QLatin1String(name))->text();
    }

    QTemporaryDir m_medium; // where the disk catalog "Disk" was made
    qint64 m_work = 0;
    qint64 m_disk = 0;
    qint64 m_fileKey = 0;
};

} // namespace

TEST_F(CatalogueFormTest, FirstStartWithEmptySettingsShowsTheClosedState)
{
    TCatalogueForm &form = ShowMainWindow();
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
    TCatalogueForm &form = ShowWorkDatabase(true);
    ASSERT_TRUE(m_data->DatabaseOpen);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Dirvanta 97 --  ") + MainFolder());
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
    TCatalogueForm &form = ShowWorkDatabase(true);
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
    TCatalogueForm &form = ShowWorkDatabase();
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
    TCatalogueForm &form = ShowWorkDatabase();
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
    const QString first = MakeWorkDatabase(QStringLiteral("First"));
    const QString second = MakeWorkDatabase(QStringLiteral("Second"));
    LastDatabase{first}.Write(*m_settings);
    TCatalogueForm &form = ShowMainWindow();
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
    TCatalogueForm &form = ShowWorkDatabase();
    form.Tree()->SelectByID(m_disk);
    form.SetIconView(3);
    form.List()->ColumnClick(1);
    form.close();
    EXPECT_FALSE(m_data->DatabaseOpen);
    EXPECT_EQ(
        m_settings->ReadText(QStringLiteral("Catalog Explorer"), QStringLiteral("Database Folder")),
        MainFolder());
    EXPECT_EQ(m_settings->ReadInteger(QStringLiteral("Catalog Explorer"),
                                      QStringLiteral("Selected Node"), 0),
              m_disk);
    EXPECT_EQ(m_settings->History(), QStringList{MainFolder()});

    TCatalogueForm &again = ShowMainWindow();
    EXPECT_TRUE(m_data->DatabaseOpen);
    EXPECT_EQ(again.IconView(), 3);
    EXPECT_EQ(again.Tree()->SelectedID(), m_disk);
    EXPECT_EQ(again.List()->CatalogSort(), 1);
    EXPECT_TRUE(m_settings->History().isEmpty());
}

TEST_F(CatalogueFormTest, HintsSplitIntoTooltipAndStatusTextAndTakeOverTheStatusBar)
{
    TCatalogueForm &form = ShowWorkDatabase();
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
    TCatalogueForm &form = ShowWorkDatabase();
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

// A remembered folder without a database asks for a location at start-up.
TEST_F(CatalogueFormTest, WithoutADatabaseCreationThatFailsOrIsCancelledKeepsItClosed)
{
    const QString closed = QStringLiteral("Dirvanta 97 -- [Database Closed]");
    LastDatabase{m_folder.filePath(QStringLiteral("missing"))}.Write(*m_settings);
    {
        ModalResponder responder([](QWidget *dialog) { dialog->close(); });
        ShowMainWindow();
    }
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, QStringLiteral("Database Access Failed"));
    EXPECT_FALSE(m_data->DatabaseOpen);
    EXPECT_EQ(m_form->windowTitle(), closed);

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
        EXPECT_EQ(m_form->windowTitle(), closed);
    };

    // At start-up.
    {
        ModalResponder responder(createIn);
        ShowMainWindow();
    }
    const std::vector<RecordedMessage> boxes = m_ui.TakeMessages();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Database Access Failed"));
    expectCreationFailure(boxes[1]);

    // New from the window.
    {
        ModalResponder responder(createIn);
        Action("DatabaseNew1")->trigger();
    }
    expectCreationFailure(m_ui.TakeSingleMessage());
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
    ModalResponder responder(ExpectDialog<TTUForm>([&](TTUForm &form) { waitForPass(&form); }));
    command->trigger();
    return run;
}

TEST_F(CatalogueFormTest, VerifyAndRepairRunOnAFolderThatIsNotOpen)
{
    const ScopedEnvironment temporary("TMPDIR", m_folder.path());
    TCatalogueForm &form = ShowWorkDatabase();
    Action("VerifyDatabase1")->trigger();
    const RecordedMessage open = m_ui.TakeSingleMessage();
    EXPECT_EQ(open.caption, QStringLiteral("Dirvanta Database Open"));
    EXPECT_EQ(open.text, QStringLiteral("There may not be any Databases open in Dirvanta during a "
                                        "Database Verify\n\nPlease close the current database "
                                        "before trying again."));
    Action("RepairDatabase1")->trigger();
    EXPECT_TRUE(m_ui.TakeSingleMessage().text.contains(QStringLiteral("during a Database Repair")));
    form.CloseDatabaseCommand();

    m_ui.QueueFileName(m_folder.filePath(QStringLiteral("medium")));
    Action("VerifyDatabase1")->trigger();
    const RecordedMessage box = m_ui.TakeSingleMessage();
    EXPECT_EQ(box.caption, QStringLiteral("Invalid Database Folder"));
    EXPECT_EQ(box.text,
              QStringLiteral("The Folder specified (") +
                  m_folder.filePath(QStringLiteral("medium")) +
                  QStringLiteral("/) does not contain a Dirvanta Database\n\nRequest failed."));

    m_ui.QueueFileName(MainFolder());
    const TableUtilityRun verify = RunTableUtilityDialog(Action("VerifyDatabase1"));
    EXPECT_EQ(verify.caption, QStringLiteral("Verifying Database"));
    EXPECT_EQ(verify.folders, QStringLiteral("Verification Successful."));
    EXPECT_EQ(verify.files, QStringLiteral("Verification Successful."));
    EXPECT_EQ(verify.status, QStringLiteral("Complete"));
    EXPECT_EQ(verify.again, QStringLiteral("&Verify Again"));
    EXPECT_FALSE(verify.backupShown);

    {
        SqliteConnection files;
        files.Open(TDataShare::FilesFilePath(MainFolder()), false);
        files.ExecuteScript(QStringLiteral("UPDATE Files SET ID = 4242"));
    }
    m_ui.QueueFileName(MainFolder());
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

TEST_F(CatalogueFormTest, RequestsAreRefusedWithTheirBoxesAndTheirFilesDropped)
{
    TCatalogueForm &closed = ShowMainWindow();
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

    TCatalogueForm &form = ShowWorkDatabase();
    HandOver(file, true);
    form.ServeRequest(2029, 1);
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, QStringLiteral("Archive Pool Empty"));
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_TRUE(RequestPathTaken());

    // A request that comes while a catalog lets events run is dropped.
    m_data->RunInTransaction([&] {
        AddObject(CatalogSchema::kVolumePoolId, QStringLiteral("Volume 1"),
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
    TCatalogueForm &form = ShowWorkDatabase();
    const QString suffix = QStringLiteral("-form-%1").arg(QCoreApplication::applicationPid());
    SingleInstance::SetServerNameSuffix(suffix);
    const auto restore = qScopeGuard([] { SingleInstance::SetServerNameSuffix(QString()); });
    SingleInstance running;
    ASSERT_FALSE(running.ForwardRequest({}));
    QObject::connect(&running, &SingleInstance::RequestReceived, &form,
                     &TCatalogueForm::ServeRequest);

    QString shownSource;
    ModalResponder responder(ExpectDialog<TQuick_Catalog_Form>([&](TQuick_Catalog_Form &dialog) {
        shownSource = dialog.Catalog_Source->text();
        dialog.CatalogBtn->click();
    }));
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
    ShowWorkDatabase().List()->ColumnClick(2);
    m_form->close();
    m_settings->UpdateHistory(true, MakeWorkDatabase(QStringLiteral("Other")));
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

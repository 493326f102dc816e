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
#include "ui/ElidedLabel.h"
#include "ui/ItemTree.h"

#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
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

using namespace CatalogSchema;
using namespace Qt::StringLiterals;

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
    QString MakeWorkDatabase(const QString &name = u"Main"_s)
    {
        return MakeDatabase(name, [&] {
            m_work = AddObject(kCatalogsId, u"Work"_s, kCatalogFolderClass);
            m_disk = AddObject(m_work, u"Disk"_s, kHardDiskClass, m_medium.path());
            AddObject(m_disk, u"Folder"_s, kFileFolderClass);
            m_fileKey = AddFile(m_disk, u"odd.xyzq"_s, 2048);
            AddFile(m_disk, u"b.xyzq"_s, 1024);
            const qint64 gone = AddObject(m_work, u"Gone"_s, kRemovableDiskClass);
            m_data->Catalogs.MoveItem(gone, m_data->Catalogs.MirrorPath(gone, 3, 4));
        });
    }

    // The main window on that database, on the disk catalog or the database object.
    TCatalogueForm &ShowWorkDatabase(bool onDisk = false)
    {
        LastDatabase{MakeWorkDatabase(), onDisk ? m_disk : 1}.Write(*m_settings);
        return ShowMainWindow();
    }
    QString MainFolder() const { return m_folder.filePath(u"Main"_s); }

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
    EXPECT_EQ(form.windowTitle(), u"Dirvanta 97 -- [Database Closed]"_s);
    EXPECT_EQ(Text("Panel2"), u"  No Database Loaded"_s);
    EXPECT_FALSE(m_data->DatabaseOpen);
    EXPECT_EQ(form.IconView(), 0);
    EXPECT_TRUE(Action("IconViewLargeBtn")->isChecked());
    EXPECT_TRUE(form.findChild<QToolBar *>(u"Toolbar_Panel"_s)->isVisible());
    EXPECT_TRUE(form.statusBar()->isVisible());
    EXPECT_FALSE(form.findChild<QLabel *>(u"StatusPanel1"_s)->isVisible());
    // The first width of the tree shows a usual name three levels down.
    const int pane = form.findChild<QSplitter *>(u"Splitter"_s)->sizes().value(0);
    const QTreeView *tree = form.Tree();
    EXPECT_GE(pane, 3 * tree->indentation() + 16 +
                        tree->fontMetrics().horizontalAdvance(u"Holiday Photos 2026 Disk 2"_s));
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
    EXPECT_EQ(form.windowTitle(), u"Dirvanta 97 --  "_s + MainFolder());
    EXPECT_EQ(Text("Panel2"), u" All Catalogs and Archives"_s);
    EXPECT_EQ(form.Tree()->SelectedID(), m_disk);
    EXPECT_EQ(form.List()->Count(), 3);
    EXPECT_EQ(Text("StatusPanel1"), u"3 object(s)"_s);
    EXPECT_TRUE(Text("StatusPanel2").contains(u"(3,072 bytes)"_s));
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
    EXPECT_EQ(Action("Open1")->text(), u"&Open With..."_s);
    EXPECT_FALSE(Action("DiskCatalog3")->isVisible());

    // The Wastebasket node with the tree focused offers to empty it.
    form.Tree()->SelectByID(kWastebasketId);
    form.Tree()->setFocus();
    form.UpdateMenus();
    EXPECT_EQ(Action("Delete1")->text(), u"&Empty Wastebasket"_s);
    EXPECT_FALSE(form.List()->MainView());
    EXPECT_EQ(Text("StatusPanel2"), QString());
}

TEST_F(CatalogueFormTest, ExportStartsWhereUsersExpectAndLongWorkSaysWhatItDid)
{
    TCatalogueForm &form = ShowWorkDatabase(true);
    form.Tree()->setFocus();
    const QString exports = m_folder.filePath(u"exports"_s);
    QDir().mkpath(exports);

    // The first export starts in the documents folder and suggests the object's name.
    m_ui.QueueFileName(QDir(exports).filePath(u"Disk.DVX"_s));
    ExportCommand(form, *m_data, *m_settings);
    EXPECT_EQ(m_ui.LastChooser().startFolder,
              QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    EXPECT_EQ(m_ui.LastChooser().fileName, u"Disk.DVX"_s);
    // The disk catalog, its folder and its two files.
    EXPECT_EQ(form.statusBar()->currentMessage(), u"Exported 4 entries to Disk.DVX"_s);

    form.Tree()->SelectByID(m_work);
    m_ui.QueueFileName(QString());
    ExportCommand(form, *m_data, *m_settings);
    EXPECT_EQ(m_ui.LastChooser().startFolder, exports);
    EXPECT_EQ(m_ui.LastChooser().fileName, u"Work.DVX"_s);

    form.CompressCommand();
    EXPECT_TRUE(form.statusBar()->currentMessage().startsWith(u"Compressed the catalog"_s));
    form.RefreshList();
    EXPECT_EQ(form.statusBar()->currentMessage(), QString()) << "new counts replace the message";

    form.ReselectNode(kWastebasketId, true);
    m_ui.QueueAnswer(MessageAnswer::Yes);
    form.DeleteCommand(TCatalogueForm::CommandSource::Tree, false);
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, u"Confirm Multiple Object Deletions"_s);
    EXPECT_EQ(form.statusBar()->currentMessage(), u"The Wastebasket is empty"_s);
}

TEST_F(CatalogueFormTest, QuickViewAndDoubleClickReachTheFileOnItsMedium)
{
    FakeDriveSystem drives;
    drives.Mount(m_medium.path(), DriveKind::Fixed);
    QFile file(m_medium.filePath(u"odd.xyzq"_s));
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
    ASSERT_EQ(Action("Explore1")->text(), u"&Explore..."_s);
    const ScopedDesktopFolders emptyDesktop(m_folder.path());
    Action("Explore1")->trigger();
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, u"Explore"_s);
}

TEST_F(CatalogueFormTest, SwitchingKeepsTheHistoryAndFallsBackOnFailure)
{
    const QString first = MakeWorkDatabase(u"First"_s);
    const QString second = MakeWorkDatabase(u"Second"_s);
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
    m_data->DatabaseFolder = m_folder.filePath(u"nothing"_s);
    form.SwitchDatabase(first);
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, u"Catalog Error"_s);
    EXPECT_TRUE(m_data->DatabaseOpen);
    EXPECT_EQ(m_data->DatabaseFolder, first);

    form.CloseDatabaseCommand();
    EXPECT_FALSE(m_data->DatabaseOpen);
    EXPECT_EQ(form.List()->Count(), 0);
    EXPECT_EQ(form.windowTitle(), u"Dirvanta 97 -- [Database Closed]"_s);
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
    EXPECT_EQ(m_settings->ReadText(u"Catalog Explorer"_s, u"Database Folder"_s), MainFolder());
    EXPECT_EQ(m_settings->ReadInteger(u"Catalog Explorer"_s, u"Selected Node"_s, 0), m_disk);
    EXPECT_EQ(m_settings->History(), QStringList{MainFolder()});

    TCatalogueForm &again = ShowMainWindow();
    EXPECT_TRUE(m_data->DatabaseOpen);
    EXPECT_EQ(again.IconView(), 3);
    EXPECT_EQ(again.Tree()->SelectedID(), m_disk);
    EXPECT_EQ(again.List()->CatalogSort(), 1);
}

TEST_F(CatalogueFormTest, HintsDoubleClicksAndTreeEditsFollowTheObjectsRules)
{
    // Hints split into tooltip and status text and take over the status bar.
    TCatalogueForm &form = ShowWorkDatabase();
    EXPECT_EQ(Action("QuickCatalogBtn")->toolTip(), u"Catalog Disk"_s);
    EXPECT_EQ(Action("QuickCatalogBtn")->statusTip(), QString());
    EXPECT_EQ(Action("byType1")->statusTip(), QString());
    EXPECT_EQ(Action("byName1")->statusTip(), u"Sorts items alphabetically by name"_s);
    EXPECT_EQ(Action("Properties1")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_Return));

    QLabel *first = form.findChild<QLabel *>(u"StatusPanel1"_s);
    ASSERT_TRUE(first->isVisible());
    QStatusTipEvent hint(u"Create a New Disk Catalog"_s);
    QApplication::sendEvent(&form, &hint);
    EXPECT_EQ(form.statusBar()->currentMessage(), u"Create a New Disk Catalog"_s);
    EXPECT_FALSE(first->isVisible());
    QStatusTipEvent none{QString()};
    QApplication::sendEvent(&form, &none);
    EXPECT_TRUE(first->isVisible());

    // A double-click on the Wastebasket entry shows the wastebasket view.
    ASSERT_EQ(form.Tree()->SelectedID(), 1);
    ASSERT_TRUE(form.List()->SelectEntryByData(kWastebasketId));
    emit form.List()->EntryActivated();
    EXPECT_EQ(form.Tree()->SelectedID(), kWastebasketId);
    EXPECT_FALSE(form.List()->MainView());
    EXPECT_EQ(form.List()->Count(), 1);

    // An ordinary object selects its node.
    form.Tree()->SelectByID(m_work);
    ASSERT_TRUE(form.List()->SelectEntryByData(m_disk));
    emit form.List()->EntryActivated();
    EXPECT_EQ(form.Tree()->SelectedID(), m_disk);

    // Only renamable objects can be edited in the tree.
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
    EXPECT_FALSE(editable(kCatalogsId));
    EXPECT_FALSE(editable(kWastebasketId));
    EXPECT_TRUE(editable(m_work));
}

// A remembered folder without a database asks for a location at start-up.
TEST_F(CatalogueFormTest, WithoutADatabaseCreationThatFailsOrIsCancelledKeepsItClosed)
{
    const QString closed = u"Dirvanta 97 -- [Database Closed]"_s;
    LastDatabase{m_folder.filePath(u"missing"_s)}.Write(*m_settings);
    {
        ModalResponder responder([](QWidget *dialog) { dialog->close(); });
        ShowMainWindow();
    }
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, u"Database Access Failed"_s);
    EXPECT_FALSE(m_data->DatabaseOpen);
    EXPECT_EQ(m_form->windowTitle(), closed);

    const QString folder = m_folder.filePath(u"locked"_s);
    QDir().mkpath(folder);
    const auto restore = qScopeGuard([&] { AllowCreating(folder, true); });
    if (!AllowCreating(folder, false))
        GTEST_SKIP() << "this file system cannot make a folder unwritable";
    const auto createIn = [&](QWidget *dialog) {
        dialog->findChild<QLineEdit *>(u"DatabasePath"_s)->setText(folder);
        dialog->findChild<QRadioButton *>(u"Create1"_s)->click();
        dialog->findChild<QPushButton *>(u"OKBtn"_s)->click();
    };
    const auto expectCreationFailure = [&](const RecordedMessage &box) {
        EXPECT_EQ(box.caption, u"Catalog Error"_s);
        EXPECT_TRUE(
            box.text.startsWith(u"Unable to create the Catalog Database in Folder \""_s + folder))
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
    EXPECT_EQ(boxes[0].caption, u"Database Access Failed"_s);
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
    EXPECT_EQ(open.caption, u"Dirvanta Database Open"_s);
    EXPECT_EQ(open.text, u"There may not be any Databases open in Dirvanta during a "
                         "Database Verify\n\nPlease close the current database "
                         "before trying again."_s);
    Action("RepairDatabase1")->trigger();
    EXPECT_TRUE(m_ui.TakeSingleMessage().text.contains(u"during a Database Repair"_s));
    form.CloseDatabaseCommand();

    m_ui.QueueFileName(m_folder.filePath(u"medium"_s));
    Action("VerifyDatabase1")->trigger();
    const RecordedMessage box = m_ui.TakeSingleMessage();
    EXPECT_EQ(box.caption, u"Invalid Database Folder"_s);
    EXPECT_EQ(box.text, u"The Folder specified ("_s + m_folder.filePath(u"medium"_s) +
                            u"/) does not contain a Dirvanta Database\n\nRequest failed."_s);

    m_ui.QueueFileName(MainFolder());
    const TableUtilityRun verify = RunTableUtilityDialog(Action("VerifyDatabase1"));
    EXPECT_EQ(verify.caption, u"Verifying Database"_s);
    EXPECT_EQ(verify.folders, u"Verification Successful."_s);
    EXPECT_EQ(verify.files, u"Verification Successful."_s);
    EXPECT_EQ(verify.status, u"Complete"_s);
    EXPECT_EQ(verify.again, u"&Verify Again"_s);
    EXPECT_FALSE(verify.backupShown);

    {
        SqliteConnection files;
        files.Open(TDataShare::FilesFilePath(MainFolder()), false);
        files.ExecuteScript(u"UPDATE Files SET ID = 4242"_s);
    }
    m_ui.QueueFileName(MainFolder());
    const TableUtilityRun repair = RunTableUtilityDialog(Action("RepairDatabase1"));
    EXPECT_EQ(repair.caption, u"Repairing Database"_s);
    EXPECT_EQ(repair.folders, u"Repair was successful. 10 rows recovered, 0 lost."_s);
    EXPECT_EQ(repair.again, u"&Repair Again"_s);
    EXPECT_TRUE(repair.backupShown);
    EXPECT_EQ(repair.backup,
              u"Database Backed-up to: \n"_s + m_folder.filePath(u"Backup Dirvanta *.*"_s));
    EXPECT_TRUE(QFileInfo::exists(m_folder.filePath(u"Backup Dirvanta Files.db"_s)));
}

TEST_F(CatalogueFormTest, RequestsAreRefusedWithTheirBoxesAndTheirFilesDropped)
{
    TCatalogueForm &closed = ShowMainWindow();
    const QString file = m_folder.filePath(u"request.ini"_s);
    for (const auto &[message, word] : {std::pair{2030, "Catalog"}, std::pair{2029, "Archive"}}) {
        HandOver(file, true);
        closed.ServeRequest(message, 1);
        EXPECT_EQ(QFileInfo::exists(file), message == 2030) << "an archive's file is deleted";
        const RecordedMessage box = m_ui.TakeSingleMessage();
        EXPECT_EQ(box.caption, u"Database Not Active"_s);
        EXPECT_TRUE(box.text.startsWith(u"There is currently not an active"_s));
        EXPECT_TRUE(
            box.text.endsWith(u"still open\n\n"_s + QLatin1String(word) + u" Request Failed"_s));
    }

    TCatalogueForm &form = ShowWorkDatabase();
    HandOver(file, true);
    form.ServeRequest(2029, 1);
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, u"Archive Pool Empty"_s);
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_TRUE(RequestPathTaken());

    // A request that comes while a catalog lets events run is dropped.
    m_data->RunInTransaction(
        [&] { AddObject(kVolumePoolId, u"Volume 1"_s, kEmptyArchiveVolumeClass); });
    UI().ShowProgress(ProgressOperation::CatalogMedia);
    for (int message : {2029, 2030}) {
        HandOver(file, true);
        form.ServeRequest(message, 2);
        const RecordedMessage busy = m_ui.TakeSingleMessage();
        EXPECT_EQ(busy.caption, u"Application Busy"_s);
        EXPECT_EQ(busy.text, u"The Dirvanta Application is currently busy.\n\n"
                             "Please try request again later"_s);
        EXPECT_EQ(QFileInfo::exists(file), message == 2030) << "only an archive has a file";
        EXPECT_TRUE(RequestPathTaken());
        EXPECT_TRUE(UI().ProgressVisible());
    }
    UI().CloseProgress();
}

// The file manager's catalog action, as the running copy receives it.
TEST_F(CatalogueFormTest, ACatalogRequestCatalogsTheFolderIntoTheOpenDatabase)
{
    FakeDriveSystem drives;
    drives.Mount(m_medium.path(), DriveKind::Fixed);
    TCatalogueForm &form = ShowWorkDatabase();
    HandOver(m_medium.path());
    ModalResponder responder(ExpectDialog<TQuick_Catalog_Form>([&](TQuick_Catalog_Form &dialog) {
        EXPECT_EQ(dialog.Catalog_Source->text(), m_medium.path());
        dialog.CatalogBtn->click();
    }));
    form.ServeRequest(2030, 1);
    EXPECT_GT(m_data->Catalogs.FindChild(kCatalogsId, u"New Disk Catalog"_s), 0);
    EXPECT_TRUE(RequestPathTaken());
}

TEST_F(CatalogueFormTest, AFreshCopyServesItsRequestOffScreenAndLeavesTheSettingsAsTheyWere)
{
    ShowWorkDatabase().List()->ColumnClick(2);
    m_form->close();
    m_settings->UpdateHistory(true, MakeWorkDatabase(u"Other"_s));
    m_settings->Flush();
    const auto contents = [&] {
        QFile file(m_folder.filePath(u"settings.ini"_s));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray before = contents();

    HandOver(m_medium.path());
    m_form = std::make_unique<TCatalogueForm>(*m_data, *m_settings);
    m_form->SetCommandLineRequest(u"/C"_s);
    ModalResponder responder([&](QWidget *modal) {
        EXPECT_LT(m_form->geometry().right(), 0);
        qobject_cast<QDialog *>(modal)->reject();
    });
    m_form->show();
    QTRY_VERIFY_WITH_TIMEOUT(!m_data->DatabaseOpen, 10000);
    EXPECT_TRUE(m_ui.TakeMessages().empty());
    EXPECT_EQ(contents().toStdString(), before.toStdString());
}

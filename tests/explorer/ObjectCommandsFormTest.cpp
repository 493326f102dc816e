#include "archive/ArchivePool.h"
#include "explorer/CatalogList.h"
#include "explorer/PoolVolumeList.h"
#include "explorer/PropertiesForm.h"
#include "store/ObjectOperations.h"
#include "support/FakeDriveSystem.h"
#include "support/ModalResponder.h"
#include "support/QtPrinters.h"
#include "support/WindowFixture.h"
#include "ui/CatalogListModel.h"
#include "ui/CommentsForm.h"
#include "ui/ItemTree.h"
#include "ui/NodeSelectionForm.h"
#include "ui/ObjectDrag.h"
#include "ui/ReplaceObjectDialog.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using namespace CatalogSchema;
using namespace Qt::StringLiterals;

namespace {

// The main window on a database with Catalogs\Work holding the disk
// catalogs Disk (with a file) and Other.
class ObjectCommandsFormTest : public WindowFixture
{
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        const QString folder = MakeDatabase(u"db"_s, [&] {
            m_work = AddObject(kCatalogsId, u"Work"_s, kCatalogFolderClass);
            m_disk = AddObject(m_work, u"Disk"_s, kHardDiskClass);
            m_other = AddObject(m_work, u"Other"_s, kRemovableDiskClass);
            m_fileKey = AddFile(m_disk, u"a.txt"_s);
        });
        LastDatabase{folder, m_work}.Write(*m_settings);
        ShowMainWindow();
        ASSERT_TRUE(m_data->DatabaseOpen);
    }

    qint64 Objects() { return Count(u"SELECT COUNT(*) FROM Catalogs"_s); }
    QString Path(qint64 id) { return m_data->Catalogs.PathByID(id, false); }
    TItemTree *Tree() { return m_form->Tree(); }
    TCatalogList *List() { return m_form->List(); }

    QStringList Captions() { return CaptionsOf(List()->Model()); }
    int WastebasketNodeClass()
    {
        return TItemTree::NodeClass(Tree()->FindNodeByID(nullptr, kWastebasketId));
    }

    // Types into the open editor of a view and presses Enter.
    static void TypeIntoEditor(QWidget *viewport, const QString &text)
    {
        auto *editor = viewport->findChild<QLineEdit *>();
        ASSERT_NE(editor, nullptr) << "no editor opened";
        editor->setText(text);
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

    qint64 m_work = 0;
    qint64 m_disk = 0;
    qint64 m_other = 0;
    qint64 m_fileKey = 0;
};

TEST_F(ObjectCommandsFormTest, NewFolderInTheTreeOpensItsNameAndTheRenameIsCleaned)
{
    ASSERT_EQ(Tree()->SelectedID(), m_work);
    Tree()->setFocus();
    m_form->NewFolderCommand();
    const qint64 folder = m_data->Catalogs.FindChild(m_work, u"New Folder"_s);
    ASSERT_GT(folder, 0);
    EXPECT_EQ(Tree()->SelectedID(), folder);
    TypeIntoEditor(Tree()->viewport(), u"  Old:Disks "_s);
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, u"Invalid Characters Found"_s);
    EXPECT_EQ(Tree()->currentItem()->text(0), u"Old Disks"_s);

    // A second new folder under Work, from the list this time, is named (2)
    // and opens in the list.
    Tree()->SelectByID(m_work);
    List()->CurrentView()->setFocus();
    m_form->NewFolderCommand();
    const qint64 second = m_data->Catalogs.FindChild(m_work, u"New Folder"_s);
    ASSERT_GT(second, 0);
    EXPECT_EQ(Tree()->SelectedID(), m_work);
    ASSERT_EQ(List()->CurrentEntry()->data, second);
    TypeIntoEditor(List()->CurrentView()->viewport(), u"disk"_s);
    const RecordedMessage refusal = m_ui.TakeSingleMessage();
    EXPECT_EQ(refusal.caption, u"Error Renaming Object"_s);
    EXPECT_EQ(m_data->Catalogs.GetNameByID(second), u"New Folder"_s);
}

TEST_F(ObjectCommandsFormTest, AListRenameRewritesTheEntryAndTheTree)
{
    Tree()->FindNodeByID(nullptr, m_work)->setExpanded(true);
    ASSERT_TRUE(List()->SelectEntryByData(m_disk));
    List()->CurrentView()->setFocus();
    m_form->RenameCommand();
    TypeIntoEditor(List()->CurrentView()->viewport(), u"Zip Disk"_s);
    EXPECT_EQ(m_data->Catalogs.GetNameByID(m_disk), u"Zip Disk"_s);
    // The entry and the node move behind Other at once.
    const int row = List()->Model()->RowOfData(m_disk);
    ASSERT_EQ(row, 1) << Captions().join(QLatin1Char(',')).toStdString();
    const ListEntry &entry = List()->Model()->Entry(row);
    EXPECT_EQ(entry.caption, u"Zip Disk"_s);
    EXPECT_EQ(entry.subItems[2], DateTimeText(GetObjectModified(*m_data, m_disk)));
    QTreeWidgetItem *work = Tree()->FindNodeByID(nullptr, m_work);
    ASSERT_NE(work, nullptr);
    ASSERT_EQ(work->childCount(), 2);
    EXPECT_EQ(work->child(1)->text(0), u"Zip Disk"_s);
}

TEST_F(ObjectCommandsFormTest, DeleteSendsToTheWastebasketAndShiftDeletesForGood)
{
    // From the tree: the node goes, its parent is selected.
    Tree()->SelectByID(m_disk);
    Tree()->setFocus();
    m_ui.QueueAnswer(MessageAnswer::Yes);
    m_form->DeleteCommand(TCatalogueForm::CommandSource::Tree, false);
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, u"Confirm Disk Catalog Delete"_s);
    EXPECT_EQ(Path(m_disk), u"Wastebasket\\Work\\Disk"_s);
    EXPECT_EQ(Tree()->FindNodeByID(nullptr, m_disk), nullptr);
    EXPECT_EQ(Tree()->SelectedID(), m_work);
    EXPECT_EQ(Captions(), QStringList{u"Other"_s});
    EXPECT_EQ(WastebasketNodeClass(), kFullWastebasketClass);
    EXPECT_FALSE(m_ui.ProgressWindowOpen());

    // From the list with Shift: the question warns and the rows go for good.
    ASSERT_TRUE(List()->SelectEntryByData(m_other));
    List()->CurrentView()->setFocus();
    const qint64 objects = Objects();
    m_ui.QueueAnswer(MessageAnswer::Yes);
    m_form->DeleteCommand(TCatalogueForm::CommandSource::Focus, true);
    const RecordedMessage question = m_ui.TakeSingleMessage();
    EXPECT_EQ(question.text, u"Are you sure you wish to delete the Disk Catalog \"Other\" ?"_s);
    EXPECT_EQ(question.icon, MessageIcon::Warning);
    EXPECT_EQ(Objects(), objects - 1);
    EXPECT_TRUE(Captions().isEmpty());

    // The Wastebasket emptied from its node; it stays, at class 8.
    Tree()->SelectByID(kWastebasketId);
    Tree()->setFocus();
    m_ui.QueueAnswer(MessageAnswer::Yes);
    m_form->DeleteCommand(TCatalogueForm::CommandSource::Focus, false);
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, u"Confirm Multiple Object Deletions"_s);
    EXPECT_EQ(WastebasketNodeClass(), kEmptyWastebasketClass);
}

TEST_F(ObjectCommandsFormTest, RestoreFromTheWastebasketViewPutsTheCatalogsBack)
{
    // Work's node is open; sending both its catalogs away leaves it empty.
    for (qint64 id : {m_other, m_disk}) {
        Tree()->SelectByID(id);
        m_ui.QueueAnswer(MessageAnswer::Yes);
        m_form->DeleteCommand(TCatalogueForm::CommandSource::Tree, false);
    }
    m_ui.TakeMessages();

    Tree()->SelectByID(kWastebasketId);
    ASSERT_FALSE(List()->MainView());
    ASSERT_TRUE(List()->SelectEntryByData(m_disk));
    List()->CurrentView()->setFocus();
    m_form->UpdateMenus();
    EXPECT_EQ(m_form->findChild<QAction *>(u"RenameCatalog1"_s)->text(), u"&Restore"_s);
    m_form->RenameCommand();
    EXPECT_EQ(Path(m_disk), u"Catalogs\\Work\\Disk"_s);
    EXPECT_EQ(Tree()->SelectedID(), kWastebasketId);
    QTreeWidgetItem *work = Tree()->FindNodeByID(nullptr, m_work);
    ASSERT_NE(work, nullptr);
    ASSERT_EQ(work->childCount(), 1);
    EXPECT_EQ(TItemTree::NodeID(work->child(0)), m_disk);

    ASSERT_TRUE(List()->SelectEntryByData(m_other));
    m_form->RestoreCommand();
    EXPECT_EQ(Path(m_other), u"Catalogs\\Work\\Other"_s);
    EXPECT_EQ(List()->Count(), 0);
    EXPECT_EQ(WastebasketNodeClass(), kEmptyWastebasketClass);
}

TEST_F(ObjectCommandsFormTest, DropsMoveAndAFailureLeavesTheCatalogAndTheWindowAsTheyWere)
{
    const qint64 archive = AddObject(kArchivesId, u"Store"_s, kArchiveFolderClass);
    Tree()->SelectByID(m_work);

    // A disk catalog onto an archive folder is refused; the target is selected.
    m_form->DropObjectsOn(archive, {m_disk});
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, u"Object Move Failed"_s);
    EXPECT_EQ(Tree()->SelectedID(), archive);

    // A failure half-way (here from the event pump) rolls everything back.
    Tree()->SelectByID(m_work);
    const qint64 objects = Objects();
    m_ui.SetTickSource([n = qint64(0)]() mutable { return n += 2000; });
    m_ui.SetOnProcessEvents([] { throw std::runtime_error("disk full"); });
    m_form->DropObjectsOn(kWastebasketId, {m_disk, m_work});
    m_ui.SetOnProcessEvents({});
    const RecordedMessage failure = m_ui.TakeSingleMessage();
    EXPECT_EQ(failure.caption, u"Database Error"_s);
    EXPECT_EQ(Objects(), objects);
    EXPECT_EQ(Path(m_disk), u"Catalogs\\Work\\Disk"_s);
    EXPECT_EQ(Path(m_work), u"Catalogs\\Work"_s);
    EXPECT_NE(Tree()->FindNodeByID(nullptr, m_work), nullptr);
    EXPECT_EQ(WastebasketNodeClass(), kEmptyWastebasketClass);
    EXPECT_FALSE(m_ui.ProgressWindowOpen());
}

TEST_F(ObjectCommandsFormTest, CommentsAndPropertiesStoreOnlyWhatWasChangedAndShowIt)
{
    Tree()->SelectByID(m_disk);
    ASSERT_TRUE(List()->SelectEntryByData(m_fileKey));
    List()->CurrentView()->setFocus();
    {
        ModalResponder responder(ExpectDialog<TComments_Form>([](TComments_Form &form) {
            EXPECT_EQ(form.findChild<QLabel *>(u"FileName"_s)->text(), u"a.txt"_s);
            form.Comments->setFocus();
            QTest::keyClicks(form.Comments, u"first"_s);
            QTest::keyClick(form.Comments, Qt::Key_Return);
            QTest::keyClicks(form.Comments, u"second"_s);
            form.Button1->click();
        }));
        m_form->CommentsCommand();
    }
    EXPECT_EQ(GetFileComment(*m_data, m_fileKey), u"first\nsecond"_s);
    const ListEntry &entry = List()->Model()->Entry(List()->Model()->RowOfData(m_fileKey));
    EXPECT_EQ(entry.subItems[3], u"first second"_s);

    // The tree's node: OK without typing writes nothing, Modified stays.
    Tree()->setFocus();
    {
        ModalResponder responder(
            [](QWidget *dialog) { qobject_cast<TComments_Form *>(dialog)->Button1->click(); });
        m_form->CommentsCommand(TCatalogueForm::CommandSource::Tree);
    }
    EXPECT_EQ(GetObjectModified(*m_data, m_disk), 46000.0);
    {
        ModalResponder responder([](QWidget *dialog) {
            auto *form = qobject_cast<TComments_Form *>(dialog);
            QTest::keyClicks(form->Comments, u"kept"_s);
            form->Button2->click();
        });
        m_form->CommentsCommand(TCatalogueForm::CommandSource::Tree);
    }
    EXPECT_EQ(GetObjectComment(*m_data, m_disk), QString());

    // Properties open from the menu, count and store the comment.
    Tree()->SelectByID(m_work);
    Tree()->setFocus();
    auto *menuItem = m_form->findChild<QAction *>(u"Properties1"_s);
    ASSERT_TRUE(menuItem->isEnabled());
    {
        ModalResponder responder(ExpectDialog<TProperties_Form>([](TProperties_Form &form) {
            form.ComputeStatisticsNow();
            EXPECT_EQ(form.Tabs->count(), 2);
            EXPECT_EQ(form.StatisticsTitle->text(), u"Catalog Statistics"_s);
            auto value = [&form](const char *caption) {
                return form.findChild<QLabel *>(QString::fromLatin1(caption))->text();
            };
            EXPECT_EQ(value("Disk Catalogs:"), u"2"_s);
            EXPECT_EQ(value("Cataloged Files:"), u"1"_s);
            EXPECT_EQ(value("Size of Cataloged Files:"), SizeText(10, true));
            form.CommentsMemo->setPlainText(u"work disks"_s);
            form.OKBtn->click();
        }));
        menuItem->trigger();
    }
    EXPECT_EQ(GetObjectComment(*m_data, m_work), u"work disks"_s);

    // The database object is view-only: one tab, and Cancel reads "OK".
    Tree()->SelectByID(kDatabaseObjectId);
    {
        ModalResponder responder(ExpectDialog<TProperties_Form>([](TProperties_Form &form) {
            form.ComputeStatisticsNow();
            EXPECT_EQ(form.Tabs->count(), 1);
            EXPECT_TRUE(form.OKBtn->isHidden());
            EXPECT_EQ(form.CancelBtn->text(), u"OK"_s);
            EXPECT_GE(form.DatabaseFiles->topLevelItemCount(), 2);
            form.CancelBtn->click();
        }));
        m_form->PropertiesCommand(TCatalogueForm::CommandSource::Tree);
    }

    // The Archives folder keeps the dialog open until the work folder exists.
    Tree()->SelectByID(kArchivesId);
    const QString missing = m_folder.filePath(u"missing"_s);
    {
        ModalResponder responder(ExpectDialog<TProperties_Form>([this,
                                                                 missing](TProperties_Form &form) {
            EXPECT_EQ(form.Tabs->count(), 3);
            form.WorkFolderEdit->setText(missing);
            form.CancelBtn->click();
            EXPECT_TRUE(form.isVisible());
            EXPECT_EQ(m_ui.TakeSingleMessage().caption, u"Invalid Folder"_s);
            EXPECT_EQ(form.Tabs->currentWidget()->findChild<QLineEdit *>(), form.WorkFolderEdit);
            form.WorkFolderEdit->setText(m_folder.path());
            form.CancelBtn->click();
        }));
        m_form->PropertiesCommand(TCatalogueForm::CommandSource::Tree);
    }
    EXPECT_EQ(m_settings->ReadText(u"Archive Options"_s, u"Work Folder"_s), m_folder.path());
}

// Cancel pressed while a big folder's statistics are counted stops the walk
// at once and closes the dialog.
TEST_F(ObjectCommandsFormTest, CancelStopsTheStatisticsWhileTheyAreCounted)
{
    constexpr int kFolders = 200;
    m_data->RunInTransaction([&] {
        for (int i = 0; i < kFolders; ++i)
            AddObject(m_work, u"Folder %1"_s.arg(i), kCatalogFolderClass);
    });
    Tree()->SelectByID(m_work);
    // Every object visited lets events run; the first run clicks Cancel.
    qint64 tick = 0;
    m_ui.SetTickSource([&] { return tick += 2000; });
    bool clicked = false;
    m_ui.SetOnProcessEvents([&] {
        auto *form = qobject_cast<TProperties_Form *>(QApplication::activeModalWidget());
        if (form && !clicked) {
            clicked = true;
            form->CancelBtn->click();
        }
    });
    // A dialog that Cancel did not close is rejected, so the test cannot hang.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
        if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
            dialog->reject();
    });
    watchdog.start(5000);

    m_form->PropertiesCommand(TCatalogueForm::CommandSource::Tree);

    EXPECT_TRUE(clicked);
    EXPECT_TRUE(watchdog.isActive()) << "Cancel did not close the dialog";
    EXPECT_LT(m_ui.ProcessEventsCount(), 5) << "the walk went on after Cancel";
}

// The pool tab points the pool at a folder browsed to, adds the disk there
// as a volume and removes it again.
TEST_F(ObjectCommandsFormTest, PoolTabAddsAndRemovesAVolumeOnTheChosenDrive)
{
    const QString drive = m_folder.filePath(u"DRIVE"_s);
    QDir().mkpath(drive);
    FakeDriveSystem drives;
    FakeDriveSystem::Drive &medium = drives.Mount(drive, DriveKind::Removable, u"BLANK"_s);
    medium.totalBytes = 4 << 20;
    medium.freeBytes = 3 << 20;
    m_ui.QueueFileName(drive);
    m_ui.QueueAddingVolume(true);
    {
        ModalResponder responder(ExpectDialog<TProperties_Form>([&](TProperties_Form &form) {
            EXPECT_EQ(form.VolumeList->Count(), 0);
            emit form.DriveBox->activated(form.DriveBox->count() - 1); // "Other Folder..."
            EXPECT_EQ(form.DriveBox->currentData().toString(), drive);
            form.AddBtn->click();
            ASSERT_EQ(form.VolumeList->Count(), 1);
            EXPECT_EQ(form.VolumeList->Text(0, 0), u"DVARC0001"_s);
            EXPECT_EQ(form.VolumeList->Text(0, 3), u"3,072"_s);
            EXPECT_FALSE(form.RemoveBtn->isEnabled());
            form.VolumeList->SelectRow(0);
            EXPECT_TRUE(form.RemoveBtn->isEnabled());
            EXPECT_FALSE(form.FreeBtn->isEnabled()); // the only volume: nowhere to move sets
            form.RemoveBtn->click();
            EXPECT_EQ(form.VolumeList->Count(), 0);
            form.CancelBtn->click();
        }));
        ShowProperties(*m_data, false, kVolumePoolId, m_form.get(), true);
    }
    EXPECT_EQ(drives.At(drive).label, u"DVARC0001"_s);
    ArchivePool pool(*m_data);
    EXPECT_EQ(pool.PoolDrive(), drive);
    EXPECT_TRUE(pool.Volumes().empty());
}

// The percentage and the free space sort by value ("9.00" before "30.00");
// the view chosen with a button is kept for the next opening.
TEST_F(ObjectCommandsFormTest, PoolListSortsByValueAndKeepsItsView)
{
    m_data->RunInTransaction([&] {
        for (const auto &[label, used, capacity] : {std::tuple{"DVARC0001", 3'072'000, 10'240'000},
                                                    std::tuple{"DVARC0002", 92'160, 1'024'000}}) {
            AppendCatalogRow(m_data->Catalogs, QString::fromLatin1(label), QString(), kVolumePoolId,
                             VolumeClassForUsage(capacity, used), false, 46000, 46000, QString(),
                             QString::fromLatin1(label), used, capacity);
        }
    });
    ModalResponder responder(ExpectDialog<TProperties_Form>([](TProperties_Form &form) {
        for (int column : {2, 3}) {
            form.VolumeList->SortByColumn(column);
            EXPECT_EQ(form.VolumeList->Text(0, 0), u"DVARC0002"_s) << column;
        }
        EXPECT_EQ(form.VolumeList->IconView(), 0);
        form.findChild<QAction *>(u"IconViewDetailBtn"_s)->trigger();
        EXPECT_TRUE(form.findChild<QAction *>(u"Detail1"_s)->isChecked());
        form.CancelBtn->click();
    }));
    ShowProperties(*m_data, false, kArchivesId, m_form.get(), true);
    EXPECT_EQ(m_settings->ReadInteger(u"Archive Options"_s, u"Icon View"_s, 0), 3);
    ModalResponder reopened(ExpectDialog<TProperties_Form>([](TProperties_Form &form) {
        EXPECT_EQ(form.VolumeList->IconView(), 3);
        EXPECT_TRUE(form.findChild<QAction *>(u"IconViewDetailBtn"_s)->isChecked());
        form.CancelBtn->click();
    }));
    ShowProperties(*m_data, false, kArchivesId, m_form.get(), true);
}

TEST_F(ObjectCommandsFormTest, NodeSelectionEnablesOkByModeAndReadsLevelsAfresh)
{
    auto node = [](QTreeWidget *tree, qint64 id) -> QTreeWidgetItem * {
        for (QTreeWidgetItemIterator it(tree); *it; ++it) {
            if ((*it)->data(0, Qt::UserRole).toLongLong() == id)
                return *it;
        }
        return nullptr;
    };
    TNodeSelectionForm archive(*m_data, TNodeSelectionForm::kArchiveDestination,
                               u"Select Archive Destination"_s,
                               u"Select the Destination Folder for the Archive"_s);
    QTreeWidget *tree = archive.TreeView1;
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    EXPECT_FALSE(archive.Button1->isEnabled()) << "the database object";
    tree->setCurrentItem(node(tree, 3));
    EXPECT_FALSE(archive.Button1->isEnabled());
    node(tree, 3)->setExpanded(true);
    node(tree, m_work)->setExpanded(true);
    tree->setCurrentItem(node(tree, m_disk));
    EXPECT_FALSE(archive.Button1->isEnabled());
    tree->setCurrentItem(node(tree, 2));
    EXPECT_TRUE(archive.Button1->isEnabled());
    EXPECT_EQ(archive.SelectedID(), 2);
    EXPECT_EQ(node(tree, 4)->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);

    // An object added meanwhile shows after collapsing and expanding.
    const qint64 added = AddObject(m_work, u"Added"_s, kHardDiskClass);
    EXPECT_EQ(node(tree, added), nullptr);
    node(tree, m_work)->setExpanded(false);
    node(tree, m_work)->setExpanded(true);
    EXPECT_NE(node(tree, added), nullptr);

    TNodeSelectionForm search(*m_data, TNodeSelectionForm::kSearchStart, u"Select Object"_s,
                              u"Select the Object where you want to begin the search"_s);
    EXPECT_TRUE(search.Button1->isEnabled()) << "the database object";
    search.TreeView1->setCurrentItem(node(search.TreeView1, 4));
    EXPECT_FALSE(search.Button1->isEnabled());
    EXPECT_FALSE(TNodeSelectionForm::ModeAllows(7, 2));

    ModalResponder responder([&](QWidget *dialog) {
        auto *form = qobject_cast<TNodeSelectionForm *>(dialog);
        form->TreeView1->setCurrentItem(node(form->TreeView1, 3));
        form->Button1->click();
    });
    EXPECT_EQ(SelectNode(*m_data, 2, u"Select Object"_s, u"m"_s), 3);
}

TEST(ReplaceObjectDialogTest, ShowsBothObjectsAndAnswersByButton)
{
    const ReplaceObjectView existing{4, u"Disk"_s, u"Hard Disk"_s, u"10 KB"_s, u"01/02/26 10:00"_s};
    const ReplaceObjectView incoming{3, u"disk"_s, u"Floppy Disk"_s, u"1 KB"_s, QString()};
    ReplaceObjectDialog dialog(existing, incoming);
    EXPECT_EQ(dialog.windowTitle(), u"Confirm Object Replace"_s);
    EXPECT_EQ(dialog.findChild<QLabel *>(u"Existing1"_s)->text(), u"Hard Disk"_s);
    EXPECT_EQ(dialog.findChild<QLabel *>(u"Incoming0"_s)->text(), u"disk"_s);
    QTimer::singleShot(0, dialog.KeepButton(), &QPushButton::click);
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    QTimer::singleShot(0, dialog.ReplaceButton(), &QPushButton::click);
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
}

// Sends a drag over a widget and, when the widget takes it, drops it at a
// point, as the window system delivers them. Whether the drag was taken.
bool OfferDrop(QWidget *target, const QPoint &at, const QMimeData *mime)
{
    QDragEnterEvent enter(at, Qt::MoveAction | Qt::CopyAction, mime, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(at, Qt::MoveAction | Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    if (!move.isAccepted())
        return false;
    QDropEvent drop(QPointF(at), Qt::MoveAction | Qt::CopyAction, mime, Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    // The dragging view must not remove rows itself.
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
    return true;
}

void DropAt(QWidget *target, const QPoint &at, const QList<qint64> &ids)
{
    std::unique_ptr<QMimeData> mime(ObjectDragData(ids));
    EXPECT_TRUE(OfferDrop(target, at, mime.get())) << "the drag was not taken";
}

} // namespace

TEST_F(ObjectCommandsFormTest, DragDataTravelsFromTheListToTheTreeAndBackButNotFromOutside)
{
    // The list drags the selected objects it may drag, never files.
    Tree()->SelectByID(m_work);
    CatalogListModel *model = List()->Model();
    const QModelIndexList rows{model->index(model->RowOfData(m_other), 0),
                               model->index(model->RowOfData(m_disk), 0)};
    std::unique_ptr<QMimeData> mime(model->mimeData(rows));
    EXPECT_EQ(DraggedObjects(mime.get()), (QList<qint64>{m_disk, m_other}));

    // The same format as another program, or another running copy, offers
    // it, is refused on the tree and on the list.
    QMimeData foreign;
    foreign.setData(QString::fromLatin1(kObjectDragFormat), QByteArray::number(m_disk));
    QTreeWidgetItem *catalogs = Tree()->FindNodeByID(nullptr, 3);
    Tree()->scrollToItem(catalogs);
    const QPoint onCatalogs = Tree()->visualItemRect(catalogs).center();
    EXPECT_FALSE(OfferDrop(Tree()->viewport(), onCatalogs, &foreign));

    // Dropped on the Catalogs node of the tree: moved, the last object selected.
    DropAt(Tree()->viewport(), onCatalogs, {m_other, m_disk});
    EXPECT_EQ(Path(m_disk), u"Catalogs\\Disk"_s);
    EXPECT_EQ(Path(m_other), u"Catalogs\\Other"_s);
    EXPECT_EQ(Tree()->SelectedID(), m_disk);
    EXPECT_FALSE(m_ui.ProgressWindowOpen());

    // Dropped back on the entry of Work in the Catalogs list.
    Tree()->SelectByID(3);
    QAbstractItemView *view = List()->CurrentView();
    const QPoint onWork = view->visualRect(model->index(model->RowOfData(m_work), 0)).center();
    EXPECT_FALSE(OfferDrop(view->viewport(), onWork, &foreign));
    EXPECT_EQ(Path(m_disk), u"Catalogs\\Disk"_s);
    DropAt(view->viewport(), onWork, {m_disk});
    EXPECT_EQ(Path(m_disk), u"Catalogs\\Work\\Disk"_s);

    // A drag of this program ends with the database it was made on.
    Tree()->ClearTree();
    EXPECT_TRUE(DraggedObjects(mime.get()).isEmpty());
}

TEST_F(ObjectCommandsFormTest, DatabaseFaultsInHandlersAreReportedAndTheWindowCarriesOn)
{
    // A parent cycle: opening a menu reads the selected node's path.
    Tree()->SelectByID(m_disk);
    Sql(u"UPDATE Catalogs SET Parent = %1 WHERE ID = %2"_s.arg(m_disk).arg(m_work));
    emit m_form->Actions().File1->aboutToShow();
    ExpectDatabaseError(u"Tree Levels"_s);

    // A row whose parent is missing: a double-click selects its node.
    Sql(u"UPDATE Catalogs SET Parent = 3 WHERE ID = %1"_s.arg(m_work));
    Tree()->SelectByID(m_work);
    ASSERT_TRUE(List()->SelectEntryByData(m_other));
    Sql(u"UPDATE Catalogs SET Parent = 9999 WHERE ID = %1"_s.arg(m_other));
    emit List()->EntryActivated();
    ExpectDatabaseError(u"9999"_s);
    Sql(u"UPDATE Catalogs SET Parent = %1 WHERE ID = %2"_s.arg(m_work).arg(m_other));

    // The window carries on: another node is selected and a command runs.
    Tree()->SelectByID(m_disk);
    EXPECT_EQ(List()->Count(), 1);
    Tree()->SelectByID(m_work);
    m_form->Actions().NewGroupBtn->trigger();
    EXPECT_GT(m_data->Catalogs.FindChild(m_work, u"New Folder"_s), 0);

    TruncateOpenDatabase();
    Tree()->setCurrentItem(Tree()->FindNodeByID(nullptr, m_disk));
    ExpectDatabaseError(u"not a database"_s);
}

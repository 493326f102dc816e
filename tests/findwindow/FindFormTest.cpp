#include "findwindow/FindForm.h"

#include "explorer/CatalogHitActions.h"
#include "explorer/ExtractForm.h"
#include "explorer/PropertiesForm.h"
#include "find/SearchEngine.h"
#include "findwindow/FindHitActions.h"
#include "findwindow/FindList.h"
#include "findwindow/FindMenuRules.h"
#include "media/CatalogFileAccess.h"
#include "platform/DayCount.h"
#include "platform/TemporaryFiles.h"
#include "support/ModalResponder.h"
#include "support/QtPrinters.h"
#include "support/WindowFixture.h"
#include "ui/CatalogListModel.h"
#include "ui/ItemTree.h"
#include "ui/PathLabel.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

#include <gtest/gtest.h>

using namespace CatalogSchema;
using namespace Qt::StringLiterals;

namespace {

// Offers only Open, and counts the hits it is handed and the renames it is
// asked for all the same.
class OpenOnlyActions final : public FindHitActions
{
public:
    bool Available(Action action) const override { return action == Open; }
    void OpenHits(QWidget *, const QList<ListEntry> &hits) override { opened += hits.size(); }
    bool RenameHit(QWidget *, const ListEntry &, QString &) override
    {
        ++renamed;
        return true;
    }
    int opened = 0;
    int renamed = 0;
};

// Catalogs\Work\Disk (label DISK1) with a folder Letters holding letters,
// an archive set with a file, and many bulk files for searches to stop in.
class FindFormTest : public WindowFixture
{
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        SetDisplayLocale(QLocale(QLocale::English, QLocale::UnitedKingdom));
        OpenDatabase(u"db"_s, [&] {
            m_work = AddObject(kCatalogsId, u"Work"_s, kCatalogFolderClass);
            m_disk = AddObject(m_work, u"Disk"_s, kHardDiskClass);
            m_letters = AddObject(m_disk, u"Letters"_s, kFileFolderClass);
            m_set = AddObject(kArchivesId, u"Set"_s, kArchiveSetClass);
            AddFile(m_letters, u"letter one.txt"_s);
            AddFile(m_letters, u"letter two.txt"_s);
            AddFile(m_set, u"archived letter.txt"_s, 10, true);
            for (int i = 0; i < 600; ++i)
                AddFile(m_disk, u"bulk%1.dat"_s.arg(i));
        });
    }

    void TearDown() override
    {
        m_find.reset();
        m_tree.reset();
        WindowFixture::TearDown();
    }

    // The main window's tree, for the actions that select in it.
    TItemTree &MainTree()
    {
        if (!m_tree) {
            m_tree = std::make_unique<TItemTree>();
            m_tree->SetDBITree(&m_data->Catalogs);
            m_tree->LoadTree(1);
        }
        return *m_tree;
    }

    TFind_Form &Open(qint64 start = 1, FindHitActions *actions = nullptr)
    {
        m_find = std::make_unique<TFind_Form>(*m_data, *m_settings, start, actions);
        m_find->show();
        return *m_find;
    }

    // Runs a search in the open window for a name among the entries of a
    // type (its index in the type box); the captions found.
    QStringList Search(const QString &name, int type = 0)
    {
        m_find->NameEdit->setText(name);
        m_find->TypeCombo->setCurrentIndex(type);
        m_find->FindNowClick();
        return Captions();
    }

    QStringList Captions() const { return CaptionsOf(m_find->List()->Model()); }

    std::unique_ptr<TItemTree> m_tree;
    std::unique_ptr<TFind_Form> m_find;
    qint64 m_work = 0, m_disk = 0, m_letters = 0, m_set = 0;
};

TEST_F(FindFormTest, OpensWithItsPagesButtonsAndStartStates)
{
    TFind_Form &form = Open(m_disk);
    EXPECT_EQ(form.windowTitle(), u"Find"_s);
    QStringList pages;
    for (int i = 0; i < form.PageControl1->count(); ++i)
        pages << form.PageControl1->tabText(i);
    EXPECT_EQ(pages, (QStringList{u"Name"_s, u"Date Modified"_s, u"Comments"_s, u"Advanced"_s}));
    EXPECT_EQ(form.TypeCombo->count(), 14);
    EXPECT_EQ(form.TypeCombo->currentIndex(), 0);
    EXPECT_EQ(form.TypeCombo->maxVisibleItems(), 13);
    EXPECT_EQ(form.LookInEdit->text(), u"Catalogs\\Work\\Disk"_s);
    EXPECT_TRUE(form.IncludeSubsCheck->isChecked());
    EXPECT_TRUE(form.AllEntriesRadio->isChecked());
    EXPECT_FALSE(form.BetweenEdit->isEnabled());
    EXPECT_EQ(form.BetweenEdit->maxLength(), 20);
    EXPECT_TRUE(form.FindNowBtn->isDefault());
    EXPECT_EQ(form.CloseBtn->text(), u"Close"_s);
    EXPECT_FALSE(form.FindBtn->isEnabled());
    EXPECT_FALSE(form.MoveUpBtn->isEnabled());
    EXPECT_FALSE(form.PropertiesBtn->isEnabled());
    EXPECT_TRUE(form.IconViewLargeBtn->isChecked());
    EXPECT_TRUE(form.LargeIconsItem->isChecked());
    EXPECT_FALSE(form.LocationLine->isVisible());
    // Without stored widths the columns have room for a typical entry.
    auto *details = form.List()->findChild<QTreeView *>(u"ListView1Details"_s);
    ASSERT_NE(details, nullptr);
    EXPECT_GE(details->header()->sectionSize(0), 20 * details->fontMetrics().averageCharWidth());
    EXPECT_EQ(form.FindBtn->toolTip(), u"Find Entries"_s);
    EXPECT_EQ(form.FindBtn->statusTip(), QString());
    EXPECT_EQ(form.ExitFindItem->statusTip(), u"Terminates the Find Function"_s);
    EXPECT_EQ(form.PreserveItem->text(), u"&Preserve Find Parameters"_s);
    // The date fields follow the radio buttons.
    form.DateRadio->click();
    EXPECT_TRUE(form.BetweenEdit->isEnabled());
    EXPECT_TRUE(form.AndLabel->isEnabled());
    form.AllEntriesRadio->click();
    EXPECT_FALSE(form.AndEdit->isEnabled());
}

TEST_F(FindFormTest, FindNowListsTheHitsSortedAndShowsTheirPath)
{
    SetDisplayLocale(QLocale::c());
    TFind_Form &form = Open();
    form.NameEdit->setText(u"  letter "_s);
    form.FindNowClick();
    EXPECT_EQ(form.NameEdit->text(), u"letter"_s);
    // Name order, descending: folders sort before files, so they come last.
    EXPECT_EQ(Captions(), (QStringList{u"letter two.txt"_s, u"letter one.txt"_s,
                                       u"archived letter.txt"_s, u"Letters"_s}));
    EXPECT_EQ(form.StatusItems->text(), u"4 Items"_s);
    EXPECT_EQ(form.StatusText->text(), QString());
    EXPECT_EQ(form.CloseBtn->text(), u"Close"_s);
    EXPECT_TRUE(form.FindNowBtn->isEnabled());
    EXPECT_TRUE(form.LocationLine->isVisible());
    EXPECT_EQ(form.LocationLine->Path(), u"Path: Catalogs\\Work\\Disk\\Letters\\letter two.txt"_s);
    // The date column fits a whole date and time.
    auto *details = form.List()->findChild<QTreeView *>(u"ListView1Details"_s);
    const QModelIndex date = details->model()->index(0, 3);
    QStyleOptionViewItem option;
    option.initFrom(details);
    EXPECT_GE(details->header()->sectionSize(3),
              details->itemDelegate()->sizeHint(option, date).width())
        << date.data().toString().toStdString();
    // A header click sorts by that column at once; the same column flips it.
    form.List()->SortBy(0);
    EXPECT_EQ(Captions().mid(0, 2), (QStringList{u"Letters"_s, u"archived letter.txt"_s}));
    form.List()->SortBy(0);
    EXPECT_EQ(Captions().first(), u"letter two.txt"_s);
}

TEST_F(FindFormTest, StopKeepsTheWindowOpenAndTheNextCloseClosesIt)
{
    TFind_Form &form = Open();
    form.TypeCombo->setCurrentIndex(7);
    // The first search reads the tables; the second one is stopped.
    form.FindNowClick();
    EXPECT_EQ(form.List()->Count(), 603);
    qint64 ticks = 0;
    m_ui.SetTickSource([&] { return ticks += 100; });
    bool clicked = false;
    QString captionDuringSearch;
    m_ui.SetOnProcessEvents([&] {
        if (clicked || !form.Searching())
            return;
        clicked = true;
        captionDuringSearch = form.CloseBtn->text();
        EXPECT_FALSE(form.FindNowBtn->isEnabled());
        EXPECT_FALSE(form.NewSearchBtn->isEnabled());
        form.CloseBtn->click();
        EXPECT_EQ(form.CloseBtn->text(), u"Close"_s);
        EXPECT_FALSE(form.CloseBtn->isEnabled());
    });
    form.FindNowClick();
    m_ui.SetOnProcessEvents({});
    EXPECT_TRUE(clicked);
    EXPECT_EQ(captionDuringSearch, u"Stop"_s);
    EXPECT_LT(form.List()->Count(), 603);
    EXPECT_EQ(form.StatusText->text(), u"Search Interrupted"_s);
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.CloseBtn->isEnabled());
    EXPECT_FALSE(m_ui.Cancelled());
    form.CloseBtn->click();
    EXPECT_FALSE(form.isVisible());
}

TEST_F(FindFormTest, BrowsingIntoAHitAndMovingUpRunsTheSearchAgain)
{
    TFind_Form &form = Open();
    ASSERT_EQ(Search(u"Letters"_s, 4), QStringList{u"Letters"_s});
    form.List()->SelectRow(0);
    emit form.List()->EntryActivated();
    EXPECT_TRUE(form.BrowseMode());
    EXPECT_EQ(form.History(), QList<qint64>{m_letters});
    EXPECT_FALSE(form.CriteriaPanel->isVisible());
    EXPECT_TRUE(form.FindBtn->isEnabled());
    EXPECT_TRUE(form.MoveUpBtn->isEnabled());
    EXPECT_EQ(Captions(), (QStringList{u"letter two.txt"_s, u"letter one.txt"_s}));
    EXPECT_EQ(form.StatusItems->text(), u"2 Items"_s);
    EXPECT_EQ(form.StatusText->text(), SizeText(20, true));
    // Find Now does nothing while browsing.
    form.FindNowClick();
    EXPECT_EQ(form.List()->Count(), 2);

    form.MoveUpBtnClick();
    EXPECT_FALSE(form.BrowseMode());
    EXPECT_TRUE(form.CriteriaPanel->isVisible());
    EXPECT_FALSE(form.MoveUpBtn->isEnabled());
    EXPECT_EQ(Captions(), QStringList{u"Letters"_s}) << "the search ran again";

    // The Find button leaves browse mode with an empty list.
    form.List()->SelectRow(0);
    emit form.List()->EntryActivated();
    form.FindBtnClick();
    EXPECT_FALSE(form.BrowseMode());
    EXPECT_EQ(form.List()->Count(), 0);
    EXPECT_FALSE(form.FindBtn->isEnabled());
}

TEST_F(FindFormTest, CriteriaAreCheckedResetSavedAndLoadedButNotTheStartObject)
{
    TFind_Form &form = Open(m_disk);
    // An invalid date turns to the date page and runs nothing.
    form.DateRadio->click();
    form.BetweenEdit->setText(u"1/1/2000"_s);
    form.AndEdit->setText(u"1/1/2200"_s);
    form.FindNowClick();
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, u"Invalid Date"_s);
    EXPECT_EQ(form.PageControl1->currentIndex(), 1);
    EXPECT_EQ(form.List()->Count(), 0);
    EXPECT_TRUE(form.FindNowBtn->isEnabled());

    form.NameEdit->setText(u"x"_s);
    form.TypeCombo->setCurrentIndex(5);
    form.IncludeSubsCheck->setChecked(false);
    form.CommentEdit->setText(u"c"_s);
    form.MatchCaseCheck->setChecked(true);
    form.LabelEdit->setText(u"L"_s);
    form.SourceEdit->setText(u"/s"_s);
    form.NewSearchClick();
    EXPECT_EQ(form.Criteria(), SearchSettings{});
    EXPECT_FALSE(form.BetweenEdit->isEnabled());
    EXPECT_EQ(form.LookInEdit->text(), u"Catalogs\\Work\\Disk"_s);
    EXPECT_EQ(form.StartId(), m_disk);

    form.NameEdit->setText(u"*.txt"_s);
    form.TypeCombo->setCurrentIndex(6);
    form.WholeWordsCheck->setChecked(true);
    const QString file = m_folder.filePath(u"saves/mine"_s);
    QDir().mkpath(m_folder.filePath(u"saves"_s));
    m_ui.QueueFileName(file);
    form.SaveSearchClick();
    EXPECT_TRUE(QFile::exists(file + u".dvs"_s));
    EXPECT_EQ(m_settings->ReadText(TFind_Form::kFindOptionsSection, u"Save Folder"_s),
              m_folder.filePath(u"saves"_s));
    const SearchSettings saved = form.Criteria();
    form.NewSearchClick();
    form.SetStartId(m_work);
    m_ui.QueueFileName(file + u".dvs"_s);
    form.LoadSearchClick();
    EXPECT_EQ(form.Criteria(), saved);
    EXPECT_EQ(form.StartId(), m_work);
    // A file that cannot be read says so and changes nothing.
    m_ui.QueueFileName(m_folder.filePath(u"none.dvs"_s));
    form.LoadSearchClick();
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, u"Load Saved Search"_s);
    EXPECT_EQ(form.Criteria(), saved);
}

TEST_F(FindFormTest, PreservedCriteriaComeBackOnlyWhenPreserveIsOn)
{
    {
        TFind_Form &form = Open();
        Search(u"kept"_s);
        form.SetIconView(3);
        form.close();
    }
    // The search wrote its criteria although Preserve is off.
    EXPECT_EQ(m_settings->ReadText(kSearchSettingsSection, u"Name"_s), u"kept"_s);
    EXPECT_EQ(m_settings->ReadInteger(kSearchSettingsSection, u"Icon View"_s, -1), 3);
    EXPECT_GT(m_settings->ReadInteger(TFindList::kColumnSection, u"0"_s, -1), 0);
    {
        TFind_Form &form = Open();
        EXPECT_EQ(form.NameEdit->text(), QString()) << "Preserve is off";
        EXPECT_TRUE(form.DetailItem->isChecked());
        EXPECT_TRUE(form.IconViewDetailBtn->isChecked());
        form.ToolbarItem->trigger();
        EXPECT_FALSE(form.ToolbarPanel->isVisible());
        form.close();
    }
    m_settings->WriteBool(kSearchSettingsSection, u"Preserve"_s, true);
    {
        TFind_Form &form = Open();
        EXPECT_TRUE(form.PreserveItem->isChecked());
        EXPECT_EQ(form.NameEdit->text(), u"kept"_s);
        EXPECT_FALSE(form.ToolbarPanel->isVisible());
        // With Preserve on, closing keeps the criteria as they stand.
        form.NameEdit->setText(u"changed"_s);
        form.close();
    }
    EXPECT_EQ(m_settings->ReadText(kSearchSettingsSection, u"Name"_s), u"changed"_s);
}

TEST_F(FindFormTest, ActionsNotOfferedStayDisabledAndOpenGoesToTheActions)
{
    OpenOnlyActions actions;
    TFind_Form &form = Open(1, &actions);
    Search(u"letter one"_s, 7);
    form.List()->SelectRow(0);
    emit form.List()->EntryActivated();
    EXPECT_EQ(actions.opened, 1) << "a double-click on a file opens it";

    ASSERT_EQ(Search(QString(), 1), QStringList{u"Work"_s});
    form.List()->SelectRow(0);
    form.UpdateMenus();
    for (QAction *item : {form.RenameItem, form.DeleteItem, form.CommentsItem, form.PropertiesItem})
        EXPECT_FALSE(item->isEnabled()) << item->objectName().toStdString();
    emit form.List()->LabelEdited(0, u"Play"_s);
    EXPECT_EQ(actions.renamed, 0) << "an edit in place renames only where renaming is offered";
}

// Without the main window's actions nothing of theirs is offered; Open and
// Quick View need its file access as well.
TEST_F(FindFormTest, ExploreOpenAndQuickViewNeedTheMainWindowsTreeAndFileAccess)
{
    TemporaryFileList temporaryFiles;
    TCatalogFileAccess fileAccess(*m_data, temporaryFiles);
    CatalogHitActions withoutAccess(*m_data, nullptr, &MainTree());
    CatalogHitActions mainWindow(*m_data, &fileAccess, &MainTree());
    for (FindHitActions *actions :
         {static_cast<FindHitActions *>(nullptr), static_cast<FindHitActions *>(&withoutAccess),
          static_cast<FindHitActions *>(&mainWindow)}) {
        TFind_Form &form = Open(1, actions);
        Search(u"letter one"_s);
        form.List()->SelectRow(0);
        form.UpdateMenus();
        EXPECT_TRUE(form.OpenItem->isVisible());
        EXPECT_EQ(form.OpenItem->isEnabled(), actions == &mainWindow);
        EXPECT_EQ(form.QuickViewItem->isEnabled(), actions == &mainWindow);
        EXPECT_EQ(form.LookInBrowse->isEnabled(), actions != nullptr);
        Search(u"Letters"_s);
        form.List()->SelectRow(0);
        form.UpdateMenus();
        EXPECT_EQ(form.ExploreItem->text(), u"&Explore..."_s);
        ASSERT_EQ(form.ExploreItem->isEnabled(), actions != nullptr);
        if (actions) {
            form.ExploreItem->trigger();
            EXPECT_EQ(MainTree().SelectedID(), m_letters);
        }
        form.close();
    }
}

// The menu for a hit in one line: the Explore item's caption, "(off)" when
// it is disabled, then the captions or names of the other enabled items.
QString MenuLine(const FindMenuState &state)
{
    QStringList line{state.explore.caption + (state.explore.enabled ? u""_s : u"(off)"_s)};
    if (state.open.enabled)
        line << state.open.caption;
    for (const auto &[name, enabled] :
         {std::pair{"rename", state.rename}, std::pair{"delete", state.deleteItem},
          std::pair{"properties", state.properties}, std::pair{"comments", state.comments}}) {
        if (enabled)
            line << QString::fromLatin1(name);
    }
    return line.join(u' ');
}

TEST(FindMenuRulesTest, FollowTheSelectedHit)
{
    const struct
    {
        int imageIndex;
        bool packaged;
        const char *path;
        const char *menu;
    } rows[] = {
        {kHardDiskClass, false, "Catalogs\\Disk", "&Explore... rename delete properties comments"},
        {kFileFolderClass, false, "Catalogs\\Disk\\F", "&Explore... properties comments"},
        {kCatalogFolderClass, false, "Catalogs\\Work",
         "&Explore...(off) rename delete properties comments"},
        {32, true, "Catalogs\\Disk\\a.zip\\x.txt", "&Extract... &Open With... properties comments"},
        {kPackageClass, false, "Catalogs\\Disk\\a.zip", "&Extract... properties comments"},
        {32, true, "Archives\\Set\\x.txt", "R&estore... &Open With... properties comments"},
        {kArchiveSetClass, false, "Archives\\Set", "R&estore... properties comments"},
        {kEmptyArchiveVolumeClass, false, "Archives\\Volume Pool\\DVARC0001",
         "&Explore...(off) properties comments"},
        {kHardDiskClass, false, "Wastebasket\\Old",
         "&Explore...(off) rename delete properties comments"},
        {kCatalogsFolderClass, false, "Catalogs", "&Explore...(off) properties"},
        {kArchivesClass, false, "Archives", "&Explore...(off) properties"},
    };
    const auto noOpenCommand = [](const QString &) { return false; };
    for (const auto &row : rows) {
        FindMenuFacts facts{true, row.imageIndex, u"x.txt"_s, row.packaged, {}, noOpenCommand};
        facts.path = QString::fromUtf8(row.path);
        EXPECT_EQ(MenuLine(FindMenuStateFor(facts)), QString::fromUtf8(row.menu)) << row.path;
    }
    // No selection disables everything.
    EXPECT_TRUE(MenuLine(FindMenuStateFor(FindMenuFacts{})).endsWith(u"(off)"_s));
}

TEST_F(FindFormTest, TheCatalogsOwnOperationsRenameAndDeleteHits)
{
    CatalogHitActions actions(*m_data, nullptr, &MainTree());
    TFind_Form &form = Open(1, &actions);
    ASSERT_EQ(Search(u"Letters"_s, 4), QStringList{u"Letters"_s});
    form.List()->SelectRow(0);
    form.UpdateMenus();
    // A folder found on a medium is neither renamed nor deleted.
    EXPECT_FALSE(form.RenameItem->isEnabled());
    EXPECT_FALSE(form.DeleteItem->isEnabled());
    EXPECT_TRUE(form.CommentsItem->isEnabled());
    EXPECT_FALSE(form.OpenItem->isEnabled()) << "Open belongs to the main window";
    ASSERT_TRUE(form.PropertiesItem->isEnabled());
    {
        ModalResponder responder(ExpectDialog<TProperties_Form>([](TProperties_Form &properties) {
            EXPECT_EQ(properties.StatisticsTitle->text(), u"Catalog Statistics"_s);
            properties.CancelBtn->click();
        }));
        form.PropertiesItem->trigger();
    }

    ASSERT_EQ(Search(u"Disk"_s, 2), QStringList{u"Disk"_s});
    form.List()->SelectRow(0);
    form.UpdateMenus();
    ASSERT_TRUE(form.RenameItem->isEnabled());
    emit form.List()->LabelEdited(0, u"  Disk 2019 "_s);
    EXPECT_EQ(Captions(), QStringList{u"Disk 2019"_s});
    EXPECT_EQ(GetObjectName(*m_data, m_disk), u"Disk 2019"_s);

    m_ui.QueueAnswer(MessageAnswer::Yes);
    form.DeleteItem->trigger();
    EXPECT_EQ(m_ui.TakeMessages().size(), 1u) << "the delete asks first";
    // The disk went to the Wastebasket: it stays in the list with its new place.
    ASSERT_EQ(Captions(), QStringList{u"Disk 2019"_s});
    EXPECT_TRUE(GetObjectPath(*m_data, m_disk).startsWith(u"Wastebasket"_s));
    form.List()->SelectRow(0);
    EXPECT_TRUE(form.LocationLine->Path().startsWith(u"Path: Wastebasket"_s));
    // The Wastebasket shows it holds something, in the main window's tree too.
    EXPECT_EQ(m_data->Catalogs.OwnerClass(kWastebasketId), kFullWastebasketClass);
    EXPECT_EQ(TItemTree::NodeClass(MainTree().FindNodeByID(nullptr, kWastebasketId)),
              kFullWastebasketClass);

    // Shift+Delete deletes for good.
    ASSERT_EQ(Search(u"Work"_s), QStringList{u"Work"_s});
    form.List()->SelectRow(0);
    m_ui.QueueAnswer(MessageAnswer::Yes);
    QTest::keyClick(form.List()->CurrentView(), Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(m_ui.TakeSingleMessage().icon, MessageIcon::Warning) << "the question warns";
    EXPECT_FALSE(m_data->Catalogs.Locate(m_data->Catalogs.LookupCursor(), m_work));
    EXPECT_EQ(form.List()->Count(), 0) << "a hit whose row is gone leaves the list";
}

TEST_F(FindFormTest, DatabaseFaultsAreReportedAndTheWindowCarriesOn)
{
    CatalogHitActions actions(*m_data);
    TFind_Form &form = Open(1, &actions);
    ASSERT_EQ(Search(u"Letters"_s, 4), QStringList{u"Letters"_s});
    // A parent cycle: opening a menu reads the selected hit's path.
    const QString cycle = u"UPDATE Catalogs SET Parent = %1 WHERE ID = %2"_s;
    Sql(cycle.arg(m_letters).arg(m_work));
    emit form.FileMenu->aboutToShow();
    ExpectDatabaseError(u"Tree Levels"_s);
    Sql(cycle.arg(kCatalogsId).arg(m_work));

    // The files broken under the open connection: browsing into the hit fails.
    TruncateOpenDatabase();
    emit form.List()->EntryActivated();
    ExpectDatabaseError(u"not a database"_s);
    EXPECT_FALSE(form.Searching());
    EXPECT_FALSE(form.BrowseMode());
    EXPECT_TRUE(form.FindNowBtn->isEnabled());
}

// Restore of an archived hit: the dialog comes up, stays open while the
// set's volume is not there, and Cancel ends the request. The label is one
// no other test mounts: volumes are looked for among the real mounts.
TEST_F(FindFormTest, RestoreOfAnArchivedHitAsksForTheFolderUntilTheVolumeIsThere)
{
    m_data->RunInTransaction([&] {
        const double now = NowDayCount();
        const qint64 volume = AppendCatalogRow(
            m_data->Catalogs, u"Archive Volume 1"_s, m_folder.filePath(u"gone/"_s), kVolumePoolId,
            kEmptyArchiveVolumeClass, false, now, now, QString(), u"DVARC0090"_s, 0, 0);
        m_data->CatalogDatabase.Prepare(u"UPDATE Catalogs SET VolSize = ?1 WHERE ID = ?2"_s)
            .Bind(1, volume)
            .Bind(2, m_set)
            .Execute();
    });
    CatalogHitActions actions(*m_data);
    TFind_Form &form = Open(1, &actions);
    Search(u"archived letter"_s);
    form.List()->SelectRow(0);
    form.UpdateMenus();
    ASSERT_EQ(form.ExploreItem->text(), u"R&estore..."_s);
    ASSERT_TRUE(form.ExploreItem->isEnabled());
    std::unique_ptr<ModalResponder> again;
    ModalResponder first([&](QWidget *dialog) {
        EXPECT_EQ(dialog->windowTitle(), u"Restore Selected Items"_s);
        auto *extract = qobject_cast<TExtractForm *>(dialog);
        ASSERT_NE(extract, nullptr);
        extract->FolderEdit->setText(m_folder.filePath(u"out"_s));
        again = std::make_unique<ModalResponder>(
            [](QWidget *shown) { qobject_cast<TExtractForm *>(shown)->CancelBtn->click(); });
        m_ui.QueueDeviceCheck(false);
        extract->OKBtn->click();
    });
    form.ExploreItem->trigger();
    EXPECT_EQ(m_ui.TakeDeviceChecks().size(), 1u);
    EXPECT_TRUE(m_ui.TakeMessages().empty());
    again.reset();
    EXPECT_FALSE(QFileInfo::exists(m_folder.filePath(u"out"_s)));
}

} // namespace

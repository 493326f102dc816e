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

namespace {

// Records what the window hands over, and deletes and renames for real.
class RecordingActions final : public FindHitActions
{
public:
    explicit RecordingActions(TDataShare &data)
        : m_data(data)
    {
    }
    bool Available(Action action) const override
    {
        return action == Rename || action == Delete || action == Open;
    }
    void OpenHits(QWidget *, const QList<ListEntry> &hits) override { opened += hits.size(); }
    bool RenameHit(QWidget *, const ListEntry &hit, QString &name) override
    {
        m_data.CatalogDatabase
            .Prepare(QStringLiteral("UPDATE Catalogs SET Name = ?1 WHERE ID = ?2"))
            .Bind(1, name)
            .Bind(2, hit.data)
            .Execute();
        return true;
    }
    bool DeleteHits(QWidget *, const QList<ListEntry> &hits, bool) override
    {
        for (const ListEntry &hit : hits)
            m_data.CatalogDatabase.Prepare(QStringLiteral("DELETE FROM Catalogs WHERE ID = ?1"))
                .Bind(1, hit.data)
                .Execute();
        return true;
    }
    int opened = 0;

private:
    TDataShare &m_data;
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
        OpenDatabase(QStringLiteral("db"), [&] {
            m_work = AddObject(CatalogSchema::kCatalogsId, QStringLiteral("Work"),
                               CatalogSchema::kCatalogFolderClass);
            m_disk = AddObject(m_work, QStringLiteral("Disk"), CatalogSchema::kHardDiskClass);
            m_letters =
                AddObject(m_disk, QStringLiteral("Letters"), CatalogSchema::kFileFolderClass);
            m_set = AddObject(CatalogSchema::kArchivesId, QStringLiteral("Set"),
                              CatalogSchema::kArchiveSetClass);
            AddFile(m_letters, QStringLiteral("letter one.txt"));
            AddFile(m_letters, QStringLiteral("letter two.txt"));
            AddFile(m_set, QStringLiteral("archived letter.txt"), 10, true);
            for (int i = 0; i < 600; ++i)
                AddFile(m_disk, QStringLiteral("bulk%1.dat").arg(i));
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

    QStringList Captions() const
    {
        QStringList captions;
        for (const ListEntry &entry : m_find->List()->Model()->Entries())
            captions << entry.caption;
        return captions;
    }

    std::unique_ptr<TItemTree> m_tree;
    std::unique_ptr<TFind_Form> m_find;
    qint64 m_work = 0, m_disk = 0, m_letters = 0, m_set = 0;
};

TEST_F(FindFormTest, OpensWithItsPagesButtonsAndStartStates)
{
    TFind_Form &form = Open(m_disk);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Find"));
    QStringList pages;
    for (int i = 0; i < form.PageControl1->count(); ++i)
        pages << form.PageControl1->tabText(i);
    EXPECT_EQ(pages, (QStringList{QStringLiteral("Name"), QStringLiteral("Date Modified"),
                                  QStringLiteral("Comments"), QStringLiteral("Advanced")}));
    EXPECT_EQ(form.TypeCombo->count(), 14);
    EXPECT_EQ(form.TypeCombo->currentIndex(), 0);
    EXPECT_EQ(form.TypeCombo->maxVisibleItems(), 13);
    EXPECT_EQ(form.LookInEdit->text(), QStringLiteral("Catalogs\\Work\\Disk"));
    EXPECT_TRUE(form.IncludeSubsCheck->isChecked());
    EXPECT_TRUE(form.AllEntriesRadio->isChecked());
    EXPECT_FALSE(form.BetweenEdit->isEnabled());
    EXPECT_EQ(form.BetweenEdit->maxLength(), 20);
    EXPECT_TRUE(form.FindNowBtn->isDefault());
    EXPECT_EQ(form.CloseBtn->text(), QStringLiteral("Close"));
    EXPECT_FALSE(form.FindBtn->isEnabled());
    EXPECT_FALSE(form.MoveUpBtn->isEnabled());
    EXPECT_FALSE(form.PropertiesBtn->isEnabled());
    EXPECT_TRUE(form.IconViewLargeBtn->isChecked());
    EXPECT_TRUE(form.LargeIconsItem->isChecked());
    EXPECT_FALSE(form.LocationLine->isVisible());
    // Without stored widths the columns have room for a typical entry.
    auto *details = form.List()->findChild<QTreeView *>(QStringLiteral("ListView1Details"));
    ASSERT_NE(details, nullptr);
    EXPECT_GE(details->header()->sectionSize(0), 20 * details->fontMetrics().averageCharWidth());
    EXPECT_EQ(form.FindBtn->toolTip(), QStringLiteral("Find Entries"));
    EXPECT_EQ(form.FindBtn->statusTip(), QString());
    EXPECT_EQ(form.ExitFindItem->statusTip(), QStringLiteral("Terminates the Find Function"));
    EXPECT_EQ(form.PreserveItem->text(), QStringLiteral("&Preserve Find Parameters"));
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
    form.NameEdit->setText(QStringLiteral("  letter "));
    form.FindNowClick();
    EXPECT_EQ(form.NameEdit->text(), QStringLiteral("letter"));
    // Name order, descending: folders sort before files, so they come last.
    EXPECT_EQ(Captions(),
              (QStringList{QStringLiteral("letter two.txt"), QStringLiteral("letter one.txt"),
                           QStringLiteral("archived letter.txt"), QStringLiteral("Letters")}));
    EXPECT_EQ(form.StatusItems->text(), QStringLiteral("4 Items"));
    EXPECT_EQ(form.StatusText->text(), QString());
    EXPECT_EQ(form.CloseBtn->text(), QStringLiteral("Close"));
    EXPECT_TRUE(form.FindNowBtn->isEnabled());
    EXPECT_TRUE(form.LocationLine->isVisible());
    EXPECT_EQ(form.LocationLine->Path(),
              QStringLiteral("Path: Catalogs\\Work\\Disk\\Letters\\letter two.txt"));
    // The date column fits a whole date and time.
    auto *details = form.List()->findChild<QTreeView *>(QStringLiteral("ListView1Details"));
    const QModelIndex date = details->model()->index(0, 3);
    QStyleOptionViewItem option;
    option.initFrom(details);
    EXPECT_GE(details->header()->sectionSize(3),
              details->itemDelegate()->sizeHint(option, date).width())
        << date.data().toString().toStdString();
    // The criteria went to the settings although Preserve is off.
    EXPECT_EQ(m_settings->ReadText(kSearchSettingsSection, QStringLiteral("Name")),
              QStringLiteral("letter"));
    // A header click sorts by that column at once; the same column flips it.
    form.List()->SortBy(0);
    EXPECT_EQ(Captions().mid(0, 2),
              (QStringList{QStringLiteral("Letters"), QStringLiteral("archived letter.txt")}));
    form.List()->SortBy(0);
    EXPECT_EQ(Captions().first(), QStringLiteral("letter two.txt"));
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
        EXPECT_EQ(form.CloseBtn->text(), QStringLiteral("Close"));
        EXPECT_FALSE(form.CloseBtn->isEnabled());
    });
    form.FindNowClick();
    m_ui.SetOnProcessEvents({});
    EXPECT_TRUE(clicked);
    EXPECT_EQ(captionDuringSearch, QStringLiteral("Stop"));
    EXPECT_LT(form.List()->Count(), 603);
    EXPECT_EQ(form.StatusText->text(), QStringLiteral("Search Interrupted"));
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.CloseBtn->isEnabled());
    EXPECT_FALSE(m_ui.Cancelled());
    form.CloseBtn->click();
    EXPECT_FALSE(form.isVisible());
}

TEST_F(FindFormTest, BrowsingIntoAHitAndMovingUpRunsTheSearchAgain)
{
    TFind_Form &form = Open();
    ASSERT_EQ(Search(QStringLiteral("Letters"), 4), QStringList{QStringLiteral("Letters")});
    form.List()->SelectRow(0);
    emit form.List()->EntryActivated();
    EXPECT_TRUE(form.BrowseMode());
    EXPECT_EQ(form.History(), QList<qint64>{m_letters});
    EXPECT_FALSE(form.CriteriaPanel->isVisible());
    EXPECT_TRUE(form.FindBtn->isEnabled());
    EXPECT_TRUE(form.MoveUpBtn->isEnabled());
    EXPECT_EQ(Captions(),
              (QStringList{QStringLiteral("letter two.txt"), QStringLiteral("letter one.txt")}));
    EXPECT_EQ(form.StatusItems->text(), QStringLiteral("2 Items"));
    EXPECT_EQ(form.StatusText->text(), SizeText(20, true));
    // Find Now does nothing while browsing.
    form.FindNowClick();
    EXPECT_EQ(form.List()->Count(), 2);

    form.MoveUpBtnClick();
    EXPECT_FALSE(form.BrowseMode());
    EXPECT_TRUE(form.CriteriaPanel->isVisible());
    EXPECT_FALSE(form.MoveUpBtn->isEnabled());
    EXPECT_EQ(Captions(), QStringList{QStringLiteral("Letters")}) << "the search ran again";

    // The Find button leaves browse mode with an empty list.
    form.List()->SelectRow(0);
    emit form.List()->EntryActivated();
    form.FindBtnClick();
    EXPECT_FALSE(form.BrowseMode());
    EXPECT_EQ(form.List()->Count(), 0);
    EXPECT_FALSE(form.FindBtn->isEnabled());
}

TEST_F(FindFormTest, NewSearchResetsTheCriteriaButNotTheStartObject)
{
    TFind_Form &form = Open(m_disk);
    form.NameEdit->setText(QStringLiteral("x"));
    form.TypeCombo->setCurrentIndex(5);
    form.IncludeSubsCheck->setChecked(false);
    form.DateRadio->click();
    form.BetweenEdit->setText(QStringLiteral("1/1/2000"));
    form.CommentEdit->setText(QStringLiteral("c"));
    form.MatchCaseCheck->setChecked(true);
    form.LabelEdit->setText(QStringLiteral("L"));
    form.SourceEdit->setText(QStringLiteral("/s"));
    form.NewSearchClick();
    EXPECT_EQ(form.Criteria(), SearchSettings{});
    EXPECT_FALSE(form.BetweenEdit->isEnabled());
    EXPECT_EQ(form.LookInEdit->text(), QStringLiteral("Catalogs\\Work\\Disk"));
    EXPECT_EQ(form.StartId(), m_disk);
}

TEST_F(FindFormTest, AnInvalidDateTurnsToTheDatePageAndRunsNothing)
{
    TFind_Form &form = Open();
    form.DateRadio->click();
    form.BetweenEdit->setText(QStringLiteral("1/1/2000"));
    form.AndEdit->setText(QStringLiteral("1/1/2200"));
    form.FindNowClick();
    const RecordedMessage box = m_ui.TakeSingleMessage();
    EXPECT_EQ(box.caption, QStringLiteral("Invalid Date"));
    EXPECT_EQ(form.PageControl1->currentIndex(), 1);
    EXPECT_EQ(form.List()->Count(), 0);
    EXPECT_TRUE(form.FindNowBtn->isEnabled());
}

TEST_F(FindFormTest, SavedSearchesRoundTripAndLeaveTheStartObject)
{
    TFind_Form &form = Open(m_disk);
    form.NameEdit->setText(QStringLiteral("*.txt"));
    form.TypeCombo->setCurrentIndex(6);
    form.WholeWordsCheck->setChecked(true);
    const QString file = m_folder.filePath(QStringLiteral("saves/mine"));
    QDir().mkpath(m_folder.filePath(QStringLiteral("saves")));
    m_ui.QueueFileName(file);
    form.SaveSearchClick();
    EXPECT_TRUE(QFile::exists(file + QStringLiteral(".dvs")));
    EXPECT_EQ(m_settings->ReadText(TFind_Form::kFindOptionsSection, QStringLiteral("Save Folder")),
              m_folder.filePath(QStringLiteral("saves")));
    const SearchSettings saved = form.Criteria();
    form.NewSearchClick();
    form.SetStartId(m_work);
    m_ui.QueueFileName(file + QStringLiteral(".dvs"));
    form.LoadSearchClick();
    EXPECT_EQ(form.Criteria(), saved);
    EXPECT_EQ(form.StartId(), m_work);
    // A file that cannot be read says so and changes nothing.
    m_ui.QueueFileName(m_folder.filePath(QStringLiteral("none.dvs")));
    form.LoadSearchClick();
    EXPECT_EQ(m_ui.TakeSingleMessage().caption, QStringLiteral("Load Saved Search"));
    EXPECT_EQ(form.Criteria(), saved);
}

TEST_F(FindFormTest, PreservedCriteriaComeBackOnlyWhenPreserveIsOn)
{
    {
        TFind_Form &form = Open();
        Search(QStringLiteral("kept"));
        form.SetIconView(3);
        form.close();
    }
    // The search wrote its criteria although Preserve is off.
    EXPECT_EQ(m_settings->ReadText(kSearchSettingsSection, QStringLiteral("Name")),
              QStringLiteral("kept"));
    EXPECT_EQ(m_settings->ReadInteger(kSearchSettingsSection, QStringLiteral("Icon View"), -1), 3);
    EXPECT_GT(m_settings->ReadInteger(TFindList::kColumnSection, QStringLiteral("0"), -1), 0);
    {
        TFind_Form &form = Open();
        EXPECT_EQ(form.NameEdit->text(), QString()) << "Preserve is off";
        EXPECT_TRUE(form.DetailItem->isChecked());
        EXPECT_TRUE(form.IconViewDetailBtn->isChecked());
        form.ToolbarItem->trigger();
        EXPECT_FALSE(form.ToolbarPanel->isVisible());
        form.close();
    }
    m_settings->WriteBool(kSearchSettingsSection, QStringLiteral("Preserve"), true);
    {
        TFind_Form &form = Open();
        EXPECT_TRUE(form.PreserveItem->isChecked());
        EXPECT_EQ(form.NameEdit->text(), QStringLiteral("kept"));
        EXPECT_FALSE(form.ToolbarPanel->isVisible());
        // With Preserve on, closing keeps the criteria as they stand.
        form.NameEdit->setText(QStringLiteral("changed"));
        form.close();
    }
    EXPECT_EQ(m_settings->ReadText(kSearchSettingsSection, QStringLiteral("Name")),
              QStringLiteral("changed"));
}

TEST_F(FindFormTest, ActionsOnHitsGoThroughTheHandedActions)
{
    RecordingActions actions(*m_data);
    TFind_Form &form = Open(1, &actions);
    Search(QStringLiteral("letter one"), 7);
    form.List()->SelectRow(0);
    emit form.List()->EntryActivated();
    EXPECT_EQ(actions.opened, 1) << "a double-click on a file opens it";

    ASSERT_EQ(Search(QString(), 1), QStringList{QStringLiteral("Work")});
    form.List()->SelectRow(0);
    form.UpdateMenus();
    EXPECT_TRUE(form.RenameItem->isEnabled());
    EXPECT_TRUE(form.DeleteItem->isEnabled());
    EXPECT_FALSE(form.CommentsItem->isEnabled()) << "not offered by these actions";
    EXPECT_FALSE(form.PropertiesItem->isEnabled());
    emit form.List()->LabelEdited(0, QStringLiteral("Office"));
    EXPECT_EQ(Captions(), QStringList{QStringLiteral("Office")});
    EXPECT_EQ(GetObjectName(*m_data, m_work), QStringLiteral("Office"));
    form.DeleteItem->trigger();
    EXPECT_EQ(form.List()->Count(), 0) << "a hit whose row is gone leaves the list";
}

TEST_F(FindFormTest, ExploreSelectsTheObjectInTheMainWindowsTree)
{
    CatalogHitActions mainWindow(*m_data, nullptr, &MainTree());
    for (FindHitActions *actions :
         {static_cast<FindHitActions *>(nullptr), static_cast<FindHitActions *>(&mainWindow)}) {
        TFind_Form &form = Open(1, actions);
        Search(QStringLiteral("Letters"));
        form.List()->SelectRow(0);
        form.UpdateMenus();
        EXPECT_EQ(form.ExploreItem->text(), QStringLiteral("&Explore..."));
        if (!actions) {
            // Without the actions of the main window, what they do stays disabled.
            EXPECT_FALSE(form.ExploreItem->isEnabled());
            EXPECT_FALSE(form.OpenItem->isEnabled());
            EXPECT_FALSE(form.RenameItem->isEnabled());
            EXPECT_FALSE(form.LookInBrowse->isEnabled());
            continue;
        }
        ASSERT_TRUE(form.ExploreItem->isEnabled());
        form.ExploreItem->trigger();
        EXPECT_EQ(MainTree().SelectedID(), m_letters);
    }
}

struct MenuCase
{
    const char *what;
    int imageIndex;
    bool packaged;
    const char *path;
    const char *exploreCaption;
    bool exploreEnabled;
    bool rename;
    bool comments;
};

class FindMenuRulesTest : public testing::TestWithParam<MenuCase>
{
};

TEST_P(FindMenuRulesTest, FollowTheSelectedHit)
{
    const MenuCase &c = GetParam();
    FindMenuFacts facts;
    facts.selection = true;
    facts.imageIndex = c.imageIndex;
    facts.caption = QStringLiteral("x.txt");
    facts.packaged = c.packaged;
    facts.path = QString::fromUtf8(c.path);
    facts.hasOpenCommand = [](const QString &) { return false; };
    const FindMenuState state = FindMenuStateFor(facts);
    EXPECT_EQ(state.explore.caption, QString::fromUtf8(c.exploreCaption)) << c.what;
    EXPECT_EQ(state.explore.enabled, c.exploreEnabled) << c.what;
    EXPECT_EQ(state.rename, c.rename) << c.what;
    EXPECT_EQ(state.deleteItem, c.rename) << c.what;
    EXPECT_EQ(state.comments, c.comments) << c.what;
    EXPECT_TRUE(state.properties);
    const bool file = CatalogSchema::IsFileImage(c.imageIndex);
    EXPECT_EQ(state.open.enabled, file) << c.what;
    if (file) {
        EXPECT_EQ(state.open.caption, QStringLiteral("&Open With...")) << c.what;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Hits, FindMenuRulesTest,
    testing::Values(MenuCase{"disk catalog", CatalogSchema::kHardDiskClass, false, "Catalogs\\Disk",
                             "&Explore...", true, true, true},
                    MenuCase{"folder on a medium", CatalogSchema::kFileFolderClass, false,
                             "Catalogs\\Disk\\F", "&Explore...", true, false, true},
                    MenuCase{"catalog folder", CatalogSchema::kCatalogFolderClass, false,
                             "Catalogs\\Work", "&Explore...", false, true, true},
                    MenuCase{"packaged file", 32, true, "Catalogs\\Disk\\a.zip\\x.txt",
                             "&Extract...", true, false, true},
                    MenuCase{"package", CatalogSchema::kPackageClass, false,
                             "Catalogs\\Disk\\a.zip", "&Extract...", true, false, true},
                    MenuCase{"archived file", 32, true, "Archives\\Set\\x.txt", "R&estore...", true,
                             false, true},
                    MenuCase{"archive set", CatalogSchema::kArchiveSetClass, false, "Archives\\Set",
                             "R&estore...", true, false, true},
                    MenuCase{"volume", CatalogSchema::kEmptyArchiveVolumeClass, false,
                             "Archives\\Volume Pool\\DVARC0001", "&Explore...", false, false, true},
                    MenuCase{"wastebasket disk", CatalogSchema::kHardDiskClass, false,
                             "Wastebasket\\Old", "&Explore...", false, true, true},
                    MenuCase{"catalogs folder", CatalogSchema::kCatalogsFolderClass, false,
                             "Catalogs", "&Explore...", false, false, false},
                    MenuCase{"archives folder", CatalogSchema::kArchivesClass, false, "Archives",
                             "&Explore...", false, false, false}));

TEST(FindMenuRulesTest, NoSelectionDisablesEverything)
{
    const FindMenuState state = FindMenuStateFor(FindMenuFacts{});
    EXPECT_FALSE(state.explore.enabled || state.open.enabled || state.rename || state.deleteItem ||
                 state.properties || state.comments);
}

TEST_F(FindFormTest, TheCatalogsOwnOperationsRenameAndDeleteHits)
{
    CatalogHitActions actions(*m_data, nullptr, &MainTree());
    TFind_Form &form = Open(1, &actions);
    EXPECT_TRUE(form.LookInBrowse->isEnabled());
    ASSERT_EQ(Search(QStringLiteral("Letters"), 4), QStringList{QStringLiteral("Letters")});
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
            EXPECT_EQ(properties.StatisticsTitle->text(), QStringLiteral("Catalog Statistics"));
            properties.CancelBtn->click();
        }));
        form.PropertiesItem->trigger();
    }

    ASSERT_EQ(Search(QStringLiteral("Disk"), 2), QStringList{QStringLiteral("Disk")});
    form.List()->SelectRow(0);
    form.UpdateMenus();
    ASSERT_TRUE(form.RenameItem->isEnabled());
    emit form.List()->LabelEdited(0, QStringLiteral("  Disk 2019 "));
    EXPECT_EQ(Captions(), QStringList{QStringLiteral("Disk 2019")});
    EXPECT_EQ(GetObjectName(*m_data, m_disk), QStringLiteral("Disk 2019"));

    m_ui.QueueAnswer(MessageAnswer::Yes);
    form.DeleteItem->trigger();
    EXPECT_EQ(m_ui.TakeMessages().size(), 1u) << "the delete asks first";
    // The disk went to the Wastebasket: it stays in the list with its new place.
    ASSERT_EQ(Captions(), QStringList{QStringLiteral("Disk 2019")});
    EXPECT_TRUE(GetObjectPath(*m_data, m_disk).startsWith(QStringLiteral("Wastebasket")));
    form.List()->SelectRow(0);
    EXPECT_TRUE(form.LocationLine->Path().startsWith(QStringLiteral("Path: Wastebasket")));
    // The Wastebasket shows it holds something, in the main window's tree too.
    EXPECT_EQ(m_data->Catalogs.OwnerClass(CatalogSchema::kWastebasketId),
              CatalogSchema::kFullWastebasketClass);
    EXPECT_EQ(TItemTree::NodeClass(MainTree().FindNodeByID(nullptr, CatalogSchema::kWastebasketId)),
              CatalogSchema::kFullWastebasketClass);

    // Shift+Delete deletes for good.
    ASSERT_EQ(Search(QStringLiteral("Work")), QStringList{QStringLiteral("Work")});
    form.List()->SelectRow(0);
    m_ui.QueueAnswer(MessageAnswer::Yes);
    QTest::keyClick(form.List()->CurrentView(), Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(m_ui.TakeSingleMessage().icon, MessageIcon::Warning) << "the question warns";
    EXPECT_FALSE(m_data->Catalogs.Locate(m_data->Catalogs.LookupCursor(), m_work));
}

TEST_F(FindFormTest, OpenAndQuickViewNeedTheMainWindowsFileAccess)
{
    TemporaryFileList temporaryFiles;
    TCatalogFileAccess fileAccess(*m_data, temporaryFiles);
    for (TCatalogFileAccess *access : {static_cast<TCatalogFileAccess *>(nullptr), &fileAccess}) {
        CatalogHitActions actions(*m_data, access);
        TFind_Form &form = Open(1, &actions);
        Search(QStringLiteral("letter one"));
        form.List()->SelectRow(0);
        form.UpdateMenus();
        EXPECT_TRUE(form.OpenItem->isVisible());
        EXPECT_EQ(form.OpenItem->isEnabled(), access != nullptr);
        EXPECT_EQ(form.QuickViewItem->isEnabled(), access != nullptr);
        form.close();
    }
}

TEST_F(FindFormTest, DatabaseFaultsAreReportedAndTheWindowCarriesOn)
{
    CatalogHitActions actions(*m_data);
    TFind_Form &form = Open(1, &actions);
    ASSERT_EQ(Search(QStringLiteral("Letters"), 4), QStringList{QStringLiteral("Letters")});
    const auto expectReported = [&](const QString &text) {
        const RecordedMessage box = m_ui.TakeSingleMessage();
        EXPECT_EQ(box.caption, QStringLiteral("Database Error"));
        EXPECT_TRUE(box.text.contains(text)) << box.text.toStdString();
    };

    // A parent cycle: opening a menu reads the selected hit's path.
    const QString cycle = QStringLiteral("UPDATE Catalogs SET Parent = %1 WHERE ID = %2");
    m_data->CatalogDatabase.ExecuteScript(cycle.arg(m_letters).arg(m_work));
    emit form.FileMenu->aboutToShow();
    expectReported(QStringLiteral("Tree Levels"));
    m_data->CatalogDatabase.ExecuteScript(cycle.arg(3).arg(m_work));

    // The files truncated under the open connection (and its page cache
    // dropped, as memory pressure would): browsing into the hit fails.
    QFile::resize(TDataShare::FilesFilePath(m_data->DatabaseFolder), 0);
    QFile::resize(TDataShare::CatalogsFilePath(m_data->DatabaseFolder), 0);
    m_data->CatalogDatabase.ExecuteScript(QStringLiteral("PRAGMA shrink_memory"));
    emit form.List()->EntryActivated();
    expectReported(QStringLiteral("not a database"));
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
        const qint64 volume =
            AppendCatalogRow(m_data->Catalogs, QStringLiteral("Archive Volume 1"),
                             m_folder.filePath(QStringLiteral("gone/")),
                             CatalogSchema::kVolumePoolId, CatalogSchema::kEmptyArchiveVolumeClass,
                             false, now, now, QString(), QStringLiteral("DVARC0090"), 0, 0);
        m_data->CatalogDatabase
            .Prepare(QStringLiteral("UPDATE Catalogs SET VolSize = ?1 WHERE ID = ?2"))
            .Bind(1, volume)
            .Bind(2, m_set)
            .Execute();
    });
    CatalogHitActions actions(*m_data);
    TFind_Form &form = Open(1, &actions);
    Search(QStringLiteral("archived letter"));
    form.List()->SelectRow(0);
    form.UpdateMenus();
    ASSERT_EQ(form.ExploreItem->text(), QStringLiteral("R&estore..."));
    ASSERT_TRUE(form.ExploreItem->isEnabled());
    std::unique_ptr<ModalResponder> again;
    ModalResponder first([&](QWidget *dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Restore Selected Items"));
        auto *extract = qobject_cast<TExtractForm *>(dialog);
        ASSERT_NE(extract, nullptr);
        extract->FolderEdit->setText(m_folder.filePath(QStringLiteral("out")));
        again = std::make_unique<ModalResponder>(
            [](QWidget *shown) { qobject_cast<TExtractForm *>(shown)->CancelBtn->click(); });
        m_ui.QueueDeviceCheck(false);
        extract->OKBtn->click();
    });
    form.ExploreItem->trigger();
    EXPECT_EQ(m_ui.TakeDeviceChecks().size(), 1u);
    EXPECT_TRUE(m_ui.TakeMessages().empty());
    again.reset();
    EXPECT_FALSE(QFileInfo::exists(m_folder.filePath(QStringLiteral("out"))));
}

} // namespace

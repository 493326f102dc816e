#include "explorer/CatalogList.h"

#include "platform/DisplayFormats.h"
#include "platform/FileTypes.h"
#include "store/CatalogSchema.h"
#include "store/StoreFixture.h"
#include "support/WindowFixture.h"
#include "ui/CatalogListModel.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

using namespace CatalogSchema;
using namespace Qt::StringLiterals;

namespace {

constexpr double kModified = 45000.25; // 15 March 2023, 06:00
constexpr double kDeleted = 45100.5;   // 23 June 2023, 12:00

class CatalogListTest : public StoreFixture
{
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        SetDisplayLocale(QLocale(QLocale::English, QLocale::UnitedStates));
        m_list = std::make_unique<TCatalogList>(*m_data);
        m_list->SetSettings(m_settings.get());
        m_tester = std::make_unique<QAbstractItemModelTester>(
            m_list->Model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    }

    void TearDown() override
    {
        m_tester.reset();
        m_list.reset();
        SetDisplayLocale(QLocale());
        StoreFixture::TearDown();
    }

    qint64 AddObjectRow(qint64 parent, const QString &name, int cls, qint64 size = 0,
                        const QString &comment = QString(), qint64 volumeSize = 0)
    {
        return AppendCatalogRow(m_data->Catalogs, name, QString(), parent, cls, false, kModified,
                                kModified, comment, QString(), size, volumeSize);
    }

    qint64 AddFileRow(qint64 owner, const QString &name, qint64 size,
                      const QString &comment = QString())
    {
        return InsertFileRow(*m_data, owner, name, size, comment, false, 32, kModified, kModified);
    }

    void MarkDeleted(qint64 id)
    {
        SqliteStatement &update =
            m_data->CatalogDatabase.Prepare(u"UPDATE Catalogs SET Deleted = ?1 WHERE ID = ?2"_s);
        update.Bind(1, kDeleted).Bind(2, id).Execute();
    }

    // The captions in their order, joined by "|".
    QString Captions() const { return CaptionsOf(m_list->Model()).join(u'|'); }

    // The texts of a row as the detail view shows them.
    QStringList RowTexts(int row) const
    {
        QStringList texts;
        const CatalogListModel *model = m_list->Model();
        for (int column = 0; column < model->columnCount(); ++column)
            texts.append(model->index(row, column).data().toString());
        return texts;
    }

    QTreeView *DetailView() const { return m_list->findChild<QTreeView *>(u"ListView1Details"_s); }

    QListView *IconView() const { return m_list->findChild<QListView *>(u"ListView1Icons"_s); }

    std::unique_ptr<TCatalogList> m_list;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

TEST_F(CatalogListTest, MainViewListsChildObjectsThenFilesWithTheirTexts)
{
    const qint64 disk = AddObjectRow(kCatalogsId, u"Disk 1"_s, kHardDiskClass, 1048576,
                                     u"first line\r\nsecond\nthird"_s);
    const qint64 folder = AddObjectRow(disk, u"Docs"_s, kFileFolderClass, 777);
    const qint64 text = AddFileRow(disk, u"notes.txt"_s, 1536, u"a\rb"_s);
    const qint64 program = AddFileRow(disk, u"SETUP.EXE"_s, 5000000000);
    AddFileRow(folder, u"elsewhere.txt"_s, 1);

    EXPECT_EQ(m_list->Fill(kCatalogsId), 1048576);
    EXPECT_TRUE(m_list->MainView());
    EXPECT_EQ(m_list->Model()->Columns(),
              (QStringList{u"Name"_s, u"Size"_s, u"Type"_s, u"Modified"_s, u"Comment"_s}));
    ASSERT_EQ(m_list->Count(), 1);
    EXPECT_EQ(RowTexts(0), (QStringList{u"Disk 1"_s, u"1,024KB"_s, u"Hard Disk"_s,
                                        u"3/15/23 6:00 AM"_s, u"first line  second third"_s}));

    // Every listed size adds to the total, a folder's too.
    EXPECT_EQ(m_list->Fill(disk), 777 + 1536 + 5000000000);
    ASSERT_EQ(m_list->Count(), 3);
    const ListEntry &docs = m_list->Model()->Entry(0);
    EXPECT_EQ(docs.data, folder);
    EXPECT_EQ(docs.imageIndex, kFileFolderClass);
    // Folders show no size and sort as size 0.
    EXPECT_EQ(docs.subItems, (QStringList{QString(), u"File Folder"_s, u"3/15/23 6:00 AM"_s,
                                          QString(), u"        0.000000"_s, u"202303150600"_s}));
    const ListEntry &notes = m_list->Model()->Entry(1);
    EXPECT_EQ(notes.data, text);
    EXPECT_EQ(notes.imageIndex, 32);
    EXPECT_EQ(notes.subItems,
              (QStringList{u"2KB"_s, FileTypeName(u"notes.txt"_s), u"3/15/23 6:00 AM"_s, u"a b"_s,
                           u"        2.000000"_s, u"202303150600"_s}));
    EXPECT_EQ(m_list->Model()->Entry(2).data, program);
    EXPECT_EQ(m_list->Model()->Entry(2).imageIndex, kFirstFileClass);
    EXPECT_EQ(RowTexts(2).at(1), u"4,882,813KB"_s);
    EXPECT_EQ(m_list->Model()->index(2, 1).data(Qt::TextAlignmentRole).toInt(),
              int(Qt::AlignRight | Qt::AlignVCenter));
    // Only objects that may take a new name in the list can be edited: not
    // a folder found on the medium, nor a file.
    EXPECT_FALSE(m_list->Model()->flags(m_list->Model()->index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_FALSE(m_list->Model()->flags(m_list->Model()->index(1, 0)) & Qt::ItemIsEditable);

    // A symbolic link reads as one, with its own few bytes.
    const qint64 link = AddFileRow(folder, u"current.txt"_s, 23);
    m_data->CatalogDatabase.ExecuteScript(
        u"UPDATE Files SET Class = %1 WHERE Key = %2"_s.arg(32 | kLinkAttribute).arg(link));
    m_list->Fill(folder);
    const int row = m_list->Model()->RowOfData(link);
    ASSERT_GE(row, 0);
    EXPECT_EQ(RowTexts(row).mid(1, 2), (QStringList{u"23 bytes"_s, u"Link"_s}));
}

TEST_F(CatalogListTest, FixedFoldersComeFirstThenFoldersThenTheRest)
{
    EXPECT_EQ(m_list->Fill(kDatabaseObjectId), 0);
    EXPECT_EQ(Captions(), u"Archives|Catalogs|Wastebasket"_s);
    // The fixed objects show no size.
    EXPECT_EQ(RowTexts(1).mid(1, 2), (QStringList{QString(), u"Catalog Folder"_s}));

    const qint64 mixed = AddObjectRow(kCatalogsId, u"Mixed"_s, kCatalogFolderClass);
    AddFileRow(mixed, u"b.txt"_s, 400);
    AddObjectRow(mixed, u"Zed"_s, kFileFolderClass);
    AddObjectRow(mixed, u"Mmm"_s, kHardDiskClass, 3000);
    AddFileRow(mixed, u"a.txt"_s, 100);
    AddObjectRow(mixed, u"packed"_s, kPackagedFolderClass);
    AddFileRow(mixed, u"C.txt"_s, 2048);
    m_list->Fill(mixed);
    EXPECT_EQ(Captions(), u"packed|Zed|a.txt|b.txt|C.txt|Mmm"_s);
    // By size: containers first, then whole kilobytes; equal keys (400 and
    // 100 bytes are both 0 KB) follow by name.
    m_list->ArrangeBy(ArrangeKind::Size);
    EXPECT_EQ(Captions(), u"packed|Zed|a.txt|b.txt|C.txt|Mmm"_s);
    m_list->ArrangeBy(ArrangeKind::Size);
    EXPECT_EQ(Captions(), u"Mmm|C.txt|b.txt|a.txt|Zed|packed"_s);
    // The order is kept for the next fill.
    m_list->Fill(mixed);
    EXPECT_TRUE(Captions().startsWith(u"Mmm|"_s)) << Captions().toStdString();
}

TEST_F(CatalogListTest, ColumnClicksAndArrangementsFollowTheViewsRules)
{
    const qint64 disk = AddObjectRow(kCatalogsId, u"Disk"_s, kHardDiskClass);
    const qint64 gone = AddObjectRow(kWastebasketId, u"Gone"_s, kRemovableDiskClass);
    MarkDeleted(gone);
    // A column click, or an arrangement where the column is -1, and the sort it leaves.
    using enum ArrangeKind;
    const struct
    {
        bool mainView;
        int column;
        ArrangeKind arrange;
        int sort;
        bool ascending;
    } rows[] = {
        {true, 0, Name, 0, false},   {true, 0, Name, 0, true},   {true, 2, Name, 2, true},
        {true, 2, Name, 2, false},   {true, -1, Size, 1, true},  {true, -1, Size, 1, false},
        {true, -1, Date, 3, true},   {true, -1, Type, 2, true},  {true, -1, Name, 0, true},
        {false, -1, Type, 3, true},  {false, -1, Size, 4, true}, {false, -1, Date, 2, true},
        {false, -1, Date, 2, false}, {false, 2, Name, 2, true},  {false, -1, Name, 0, true},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(testing::Message() << "row " << &row - rows);
        m_list->Fill(row.mainView ? disk : kWastebasketId);
        if (row.column >= 0)
            m_list->ColumnClick(row.column);
        else
            m_list->ArrangeBy(row.arrange);
        EXPECT_EQ(row.mainView ? m_list->CatalogSort() : m_list->WastebasketSort(), row.sort);
        EXPECT_EQ(row.mainView ? m_list->CatalogOrder() : m_list->WastebasketOrder(),
                  row.ascending);
        EXPECT_EQ(DetailView()->header()->sortIndicatorSection(), row.sort);
    }
    // Each view keeps its own sort.
    EXPECT_EQ(m_list->CatalogSort(), 0);
    EXPECT_TRUE(m_list->CatalogOrder());
}

TEST_F(CatalogListTest, ArchiveVolumeListsTheSetsStoredOnIt)
{
    const qint64 volume =
        AddObjectRow(kVolumePoolId, u"DVARC0001"_s, kEmptyArchiveVolumeClass + 2, 500, {}, 1440);
    const qint64 other =
        AddObjectRow(kVolumePoolId, u"DVARC0002"_s, kEmptyArchiveVolumeClass, 0, {}, 1440);
    const qint64 setB = AddObjectRow(kArchivesId, u"Set B"_s, kArchiveSetClass, 300, {}, volume);
    const qint64 setA = AddObjectRow(kArchivesId, u"Set A"_s, kArchiveSetClass, 250, {}, volume);
    AddObjectRow(kArchivesId, u"Elsewhere"_s, kArchiveSetClass, 50, {}, other);
    // A row of another class that happens to carry the volume's ID is no set.
    AddObjectRow(kCatalogsId, u"Big disk"_s, kHardDiskClass, 9, {}, volume);

    EXPECT_EQ(m_list->Fill(volume), 550);
    EXPECT_EQ(Captions(), u"Set A|Set B"_s);
    EXPECT_EQ(m_list->Model()->Entry(0).data, setA);
    EXPECT_EQ(m_list->Model()->Entry(1).data, setB);
    EXPECT_EQ(RowTexts(0).at(2), u"Archive Set"_s);

    // The pool itself lists its volumes as ordinary children.
    m_list->Fill(kVolumePoolId);
    EXPECT_EQ(Captions(), u"DVARC0001|DVARC0002"_s);
}

TEST_F(CatalogListTest, WastebasketViewListsDeletedCatalogsWithTheirFormerPlaces)
{
    const qint64 work = AddObjectRow(kWastebasketId, u"Work"_s, kCatalogFolderClass);
    const qint64 old = AddObjectRow(work, u"Old"_s, kCatalogFolderClass);
    const qint64 disk = AddObjectRow(work, u"Disk 1"_s, kHardDiskClass, 2048, u"kept\r\nfor now"_s);
    const qint64 nested = AddObjectRow(old, u"Floppy"_s, kRemovableDiskClass, 1024);
    const qint64 loose = AddObjectRow(kWastebasketId, u"CD"_s, kCdRomClass, 10);
    const qint64 set = AddObjectRow(kWastebasketId, u"Set"_s, kArchiveSetClass, 99);
    // What lies inside a disk catalog is not listed.
    const qint64 inside = AddObjectRow(disk, u"Folder on disk"_s, kFileFolderClass);
    AddFileRow(disk, u"file.txt"_s, 5);
    AddObjectRow(inside, u"Package.zip"_s, kPackageClass, 5);
    // Nor is anything outside the wastebasket.
    AddObjectRow(kCatalogsId, u"Alive"_s, kHardDiskClass);
    for (const qint64 id : {work, old, disk, nested, loose, set})
        MarkDeleted(id);

    EXPECT_EQ(m_list->Fill(kWastebasketId), -1);
    EXPECT_FALSE(m_list->MainView());
    EXPECT_EQ(m_list->Model()->Columns(),
              (QStringList{u"Name"_s, u"Original Location"_s, u"Date Deleted"_s, u"Type"_s,
                           u"Size"_s, u"Comment"_s}));
    EXPECT_EQ(Captions(), u"CD|Disk 1|Floppy|Set"_s);
    EXPECT_EQ(RowTexts(1), (QStringList{u"Disk 1"_s, u"Catalogs\\Work\\"_s, u"6/23/23 12:00 PM"_s,
                                        u"Hard Disk"_s, u"2KB"_s, u"kept  for now"_s}));
    EXPECT_EQ(m_list->Model()->Entry(1).subItems.mid(5),
              (QStringList{u"202306231200"_s, u"        2.000000"_s}));
    EXPECT_EQ(RowTexts(0).at(1), u"Catalogs\\"_s);
    EXPECT_EQ(RowTexts(2).at(1), u"Catalogs\\Work\\Old\\"_s);
    EXPECT_EQ(RowTexts(3).at(1), u"Archives\\"_s);
    EXPECT_EQ(m_list->Model()->Entry(3).data, set);
    EXPECT_EQ(m_list->Model()->index(0, 4).data(Qt::TextAlignmentRole).toInt(),
              int(Qt::AlignRight | Qt::AlignVCenter));
    EXPECT_FALSE(m_list->Model()->flags(m_list->Model()->index(0, 0)) & Qt::ItemIsEditable);

    // Any node inside the wastebasket shows the same flat list.
    EXPECT_EQ(m_list->Fill(old), -1);
    EXPECT_EQ(m_list->Count(), 4);
    // An empty wastebasket is still the wastebasket view.
    m_data->CatalogDatabase.ExecuteScript(u"DELETE FROM Catalogs WHERE ID > 5"_s);
    EXPECT_EQ(m_list->Fill(kWastebasketId), -1);
    EXPECT_EQ(m_list->Count(), 0);
    EXPECT_EQ(m_list->Model()->columnCount(), 6);
}

TEST_F(CatalogListTest, ColumnWidthsRoundTripThroughTheSettings)
{
    const QString wastebasketSection = TCatalogList::kWastebasketViewSection;
    m_settings->WriteInteger(wastebasketSection, u"1"_s, 150);
    m_settings->WriteInteger(wastebasketSection, u"2"_s, -1);
    QHeaderView *header = DetailView()->header();

    m_list->Fill(kCatalogsId);
    // Missing widths fit the header and a typical entry: the name column
    // takes far more than its header's text.
    for (int column = 0; column < 5; ++column)
        EXPECT_GE(header->sectionSize(column), header->sectionSizeHint(column)) << column;
    EXPECT_GE(header->sectionSize(0), 20 * header->fontMetrics().averageCharWidth());
    header->resizeSection(0, 234);

    // Switching to the wastebasket saves the main widths and reads its own.
    m_list->Fill(kWastebasketId);
    EXPECT_EQ(m_settings->ReadInteger(TCatalogList::kMainViewSection, u"0"_s, -1), 234);
    EXPECT_EQ(header->sectionSize(1), 150);
    EXPECT_GE(header->sectionSize(2), header->sectionSizeHint(2)); // -1: as if missing

    // Leaving the detail view saves the widths of the view on show.
    m_list->SetIconView(TCatalogList::kDetailView);
    header->resizeSection(3, 99);
    m_list->SetIconView(TCatalogList::kListView);
    EXPECT_EQ(m_settings->ReadInteger(wastebasketSection, u"3"_s, -1), 99);

    // Back in the main view the saved widths return; losing the focus saves them.
    m_list->Fill(kCatalogsId);
    EXPECT_EQ(header->sectionSize(0), 234);
    header->resizeSection(4, 321);
    QSignalSpy focusLeft(m_list.get(), &TCatalogList::FocusLeft);
    QFocusEvent focusOut(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(IconView(), &focusOut);
    EXPECT_EQ(focusLeft.count(), 1);
    EXPECT_EQ(m_settings->ReadInteger(TCatalogList::kMainViewSection, u"4"_s, -1), 321);
    // In the wastebasket view the focus leaving saves nothing.
    m_list->Fill(kWastebasketId);
    header->resizeSection(0, 77);
    QApplication::sendEvent(IconView(), &focusOut);
    EXPECT_EQ(focusLeft.count(), 2);
    EXPECT_NE(m_settings->ReadInteger(wastebasketSection, u"0"_s, -1), 77);
    m_list->SaveColumnWidths();
    EXPECT_EQ(m_settings->ReadInteger(wastebasketSection, u"0"_s, -1), 77);
}

TEST_F(CatalogListTest, TheDateColumnFitsAWholeDateAndTimeInEveryLocale)
{
    AddObjectRow(kCatalogsId, u"F"_s, kCatalogFolderClass);
    QHeaderView *header = DetailView()->header();
    for (const char *name : {"C", "en_US", "de_DE", "ja_JP", "ko_KR"}) {
        SetDisplayLocale(QLocale(QString::fromLatin1(name)));
        m_list->Fill(kWastebasketId);
        m_settings->EraseSection(TCatalogList::kMainViewSection);
        m_list->Fill(kCatalogsId);
        const QModelIndex date = m_list->Model()->index(0, 3);
        QStyleOptionViewItem option;
        option.initFrom(DetailView());
        option.font = DetailView()->font();
        const int needed = DetailView()->itemDelegate()->sizeHint(option, date).width();
        EXPECT_GE(header->sectionSize(3), needed)
            << name << ": " << date.data().toString().toStdString();
    }
}

TEST_F(CatalogListTest, SelectionFollowsItsEntriesThroughSortsAndViews)
{
    const qint64 folder = AddObjectRow(kCatalogsId, u"F"_s, kCatalogFolderClass);
    const qint64 sub = AddObjectRow(folder, u"Sub"_s, kCatalogFolderClass);
    const qint64 key = AddFileRow(folder, u"b.txt"_s, 10);
    // A file whose Key equals the folder's ID: objects are found first.
    while (AddFileRow(folder, u"a.txt"_s, 10) < sub) {
    }
    m_list->Fill(folder);
    QSignalSpy changed(m_list.get(), &TCatalogList::SelectionChanged);
    EXPECT_FALSE(m_list->CurrentEntry().has_value());

    ASSERT_TRUE(m_list->SelectEntryByData(sub));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(m_list->SelectedCount(), 1);
    EXPECT_EQ(m_list->CurrentEntry()->caption, u"Sub"_s);
    EXPECT_FALSE(m_list->CurrentEntry()->IsFile());
    EXPECT_FALSE(m_list->SelectEntryByData(999999));

    ASSERT_TRUE(m_list->SelectEntryByData(key));
    EXPECT_EQ(m_list->Model()->Entry(6).data, key);
    m_list->ColumnClick(0); // descending: Sub, b.txt, then the a.txt files
    EXPECT_EQ(m_list->CurrentEntry()->data, key);
    m_list->SetIconView(TCatalogList::kDetailView);
    EXPECT_EQ(m_list->SelectedEntries().size(), 1);
    EXPECT_TRUE(DetailView()->selectionModel()->isRowSelected(1, QModelIndex()));
    EXPECT_EQ(m_list->Model()->Entry(1).data, key);

    DetailView()->selectAll();
    EXPECT_EQ(m_list->SelectedCount(), m_list->Count());
    EXPECT_EQ(m_list->SelectedEntries().first().caption, u"Sub"_s);
}

// A double-click as the window system delivers it: press, release, double
// click, release. (QTest's own sends no release after the first press, which
// leaves a tree view in its drag-selecting state.)
void DoubleClick(QWidget *widget, QPoint position)
{
    QTest::mouseClick(widget, Qt::LeftButton, {}, position);
    QMouseEvent event(QEvent::MouseButtonDblClick, QPointF(position),
                      QPointF(widget->mapToGlobal(position)), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, position);
}

TEST_F(CatalogListTest, KeysClicksAndMenusBecomeRequests)
{
    const qint64 folder = AddObjectRow(kCatalogsId, u"F"_s, kCatalogFolderClass);
    AddFileRow(folder, u"a.txt"_s, 10);
    AddFileRow(folder, u"b.zip"_s, 10);
    m_list->SetIconView(TCatalogList::kDetailView);
    m_list->resize(600, 300);
    m_list->show();
    m_list->Fill(folder);
    QSignalSpy activated(m_list.get(), &TCatalogList::EntryActivated);
    QSignalSpy deleteRequested(m_list.get(), &TCatalogList::DeleteRequested);
    QSignalSpy menu(m_list.get(), &TCatalogList::ContextMenuRequested);

    QTreeView *view = DetailView();
    QTest::keyClick(view, Qt::Key_Return); // nothing selected yet
    EXPECT_EQ(activated.count(), 0);
    const QRect rect = view->visualRect(m_list->Model()->index(0, 0));
    DoubleClick(view->viewport(), rect.center());
    EXPECT_EQ(activated.count(), 1);
    QTest::keyClick(view, Qt::Key_Return);
    QTest::keyClick(view, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(activated.count(), 3);
    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_EQ(deleteRequested.count(), 1);

    QContextMenuEvent event(QContextMenuEvent::Mouse, rect.center(),
                            view->viewport()->mapToGlobal(rect.center()));
    QApplication::sendEvent(view->viewport(), &event);
    ASSERT_EQ(menu.count(), 1);
    EXPECT_EQ(menu.first().first().toPoint(), view->viewport()->mapToGlobal(rect.center()));

    // A header click sorts by its column; the same column again flips the order.
    QHeaderView *header = view->header();
    const QPoint typeSection(header->sectionViewportPosition(2) + 5, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, typeSection);
    EXPECT_EQ(m_list->CatalogSort(), 2);
    EXPECT_TRUE(m_list->CatalogOrder());
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, typeSection);
    EXPECT_FALSE(m_list->CatalogOrder());
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
}

TEST_F(CatalogListTest, IconViewsChooseTheViewAndItsLayout)
{
    const struct
    {
        int view;
        bool detail;
        QListView::ViewMode mode;
        int iconSize;
        QListView::Flow flow;
    } rows[] = {
        {TCatalogList::kLargeIcons, false, QListView::IconMode, 32, QListView::LeftToRight},
        {TCatalogList::kSmallIcons, false, QListView::ListMode, 16, QListView::LeftToRight},
        {TCatalogList::kListView, false, QListView::ListMode, 16, QListView::TopToBottom},
        {TCatalogList::kDetailView, true, QListView::ListMode, 16, QListView::TopToBottom},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.view);
        m_list->SetIconView(row.view);
        EXPECT_EQ(m_list->IconView(), row.view);
        if (row.detail) {
            EXPECT_EQ(m_list->CurrentView(), DetailView());
            continue;
        }
        EXPECT_EQ(m_list->CurrentView(), IconView());
        EXPECT_EQ(IconView()->viewMode(), row.mode);
        EXPECT_EQ(IconView()->iconSize(), QSize(row.iconSize, row.iconSize));
        EXPECT_EQ(IconView()->flow(), row.flow);
    }
    m_list->SetIconView(TCatalogList::kLargeIcons);
    EXPECT_EQ(IconView()->movement(), QListView::Static);
    m_list->SetAutoArrange(false);
    EXPECT_FALSE(m_list->AutoArrange());
    EXPECT_EQ(IconView()->movement(), QListView::Snap);
}

TEST_F(CatalogListTest, LabelsTakeTheRoomThereIsAndTheEditorTheWholeName)
{
    const qint64 parent = AddObjectRow(kCatalogsId, u"Parent"_s, kCatalogFolderClass);
    AddObjectRow(parent, u"a"_s, kCatalogFolderClass);
    const QString longName = u"Photographs of the summer 2026"_s;
    const qint64 named = AddObjectRow(parent, longName, kCatalogFolderClass);
    AddObjectRow(parent, QString(200, u'x'), kCatalogFolderClass);
    m_list->show();
    m_list->Fill(parent);
    const QFontMetrics metrics = IconView()->fontMetrics();

    // Small icons and list: the column fits the long name, and the longest
    // label only up to a limit.
    for (const int view : {TCatalogList::kSmallIcons, TCatalogList::kListView}) {
        m_list->SetIconView(view);
        const int column = IconView()->gridSize().width();
        EXPECT_GT(column, 16 + metrics.horizontalAdvance(longName)) << view;
        EXPECT_LT(column, 16 + metrics.horizontalAdvance(QString(200, u'x'))) << view;
    }

    // The rename editor of a large icon at the right edge shows the whole name.
    m_list->resize(260, 400);
    m_list->SetIconView(TCatalogList::kLargeIcons);
    QCoreApplication::processEvents();
    ASSERT_TRUE(m_list->EditEntry(named));
    const auto *editor = IconView()->viewport()->findChild<QLineEdit *>();
    ASSERT_NE(editor, nullptr);
    EXPECT_GT(editor->width(), metrics.horizontalAdvance(longName));
    EXPECT_GE(editor->geometry().left(), 0);
    EXPECT_LE(editor->geometry().right(), IconView()->viewport()->width());
}

} // namespace

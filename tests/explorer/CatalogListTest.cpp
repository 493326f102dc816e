#include "explorer/CatalogList.h"

#include "platform/DisplayFormats.h"
#include "platform/FileTypes.h"
#include "store/CatalogSchema.h"
#include "store/StoreFixture.h"
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
        SqliteStatement &insert = m_data->CatalogDatabase.Prepare(QStringLiteral(
            "INSERT INTO Files (ID, Class, Size, Name, Packaged, Comment, Created, Modified) "
            "VALUES (?1, 32, ?2, ?3, 0, ?4, ?5, ?5)"));
        insert.Bind(1, owner).Bind(2, size).Bind(3, name).Bind(4, comment).Bind(5, kModified);
        insert.Execute();
        return m_data->CatalogDatabase.LastInsertId();
    }

    void MarkDeleted(qint64 id)
    {
        SqliteStatement &update = m_data->CatalogDatabase.Prepare(
            QStringLiteral("UPDATE Catalogs SET Deleted = ?1 WHERE ID = ?2"));
        update.Bind(1, kDeleted).Bind(2, id).Execute();
    }

    QStringList Captions() const
    {
        QStringList captions;
        for (const ListEntry &entry : m_list->Model()->Entries())
            captions.append(entry.caption);
        return captions;
    }

    // The texts of a row as the detail view shows them.
    QStringList RowTexts(int row) const
    {
        QStringList texts;
        const CatalogListModel *model = m_list->Model();
        for (int column = 0; column < model->columnCount(); ++column)
            texts.append(model->index(row, column).data().toString());
        return texts;
    }

    QTreeView *DetailView() const
    {
        return m_list->findChild<QTreeView *>(QStringLiteral("ListView1Details"));
    }

    QListView *IconView() const
    {
        return m_list->findChild<QListView *>(QStringLiteral("ListView1Icons"));
    }

    std::unique_ptr<TCatalogList> m_list;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

TEST_F(CatalogListTest, MainViewListsChildObjectsThenFilesWithTheirTexts)
{
    const qint64 disk = AddObjectRow(CatalogSchema::kCatalogsId, QStringLiteral("Disk 1"),
                                     CatalogSchema::kHardDiskClass, 1048576,
                                     QStringLiteral("first line\r\nsecond\nthird"));
    const qint64 folder =
        AddObjectRow(disk, QStringLiteral("Docs"), CatalogSchema::kFileFolderClass, 777);
    const qint64 text = AddFileRow(disk, QStringLiteral("notes.txt"), 1536, QStringLiteral("a\rb"));
    const qint64 program = AddFileRow(disk, QStringLiteral("SETUP.EXE"), 5000000000);
    AddFileRow(folder, QStringLiteral("elsewhere.txt"), 1);

    EXPECT_EQ(m_list->Fill(CatalogSchema::kCatalogsId), 1048576);
    EXPECT_TRUE(m_list->MainView());
    EXPECT_EQ(m_list->Model()->Columns(),
              (QStringList{QStringLiteral("Name"), QStringLiteral("Size"), QStringLiteral("Type"),
                           QStringLiteral("Modified"), QStringLiteral("Comment")}));
    ASSERT_EQ(m_list->Count(), 1);
    EXPECT_EQ(RowTexts(0),
              (QStringList{QStringLiteral("Disk 1"), QStringLiteral("1,024KB"),
                           QStringLiteral("Hard Disk"), QStringLiteral("3/15/23 6:00 AM"),
                           QStringLiteral("first line  second third")}));

    // Every listed size adds to the total, a folder's too.
    EXPECT_EQ(m_list->Fill(disk), 777 + 1536 + 5000000000);
    ASSERT_EQ(m_list->Count(), 3);
    const ListEntry &docs = m_list->Model()->Entry(0);
    EXPECT_EQ(docs.data, folder);
    EXPECT_EQ(docs.imageIndex, CatalogSchema::kFileFolderClass);
    // Folders show no size and sort as size 0.
    EXPECT_EQ(docs.subItems,
              (QStringList{QString(), QStringLiteral("File Folder"),
                           QStringLiteral("3/15/23 6:00 AM"), QString(),
                           QStringLiteral("        0.000000"), QStringLiteral("202303150600")}));
    const ListEntry &notes = m_list->Model()->Entry(1);
    EXPECT_EQ(notes.data, text);
    EXPECT_EQ(notes.imageIndex, 32);
    EXPECT_EQ(notes.subItems,
              (QStringList{QStringLiteral("2KB"), FileTypeName(QStringLiteral("notes.txt")),
                           QStringLiteral("3/15/23 6:00 AM"), QStringLiteral("a b"),
                           QStringLiteral("        2.000000"), QStringLiteral("202303150600")}));
    EXPECT_EQ(m_list->Model()->Entry(2).data, program);
    EXPECT_EQ(m_list->Model()->Entry(2).imageIndex, CatalogSchema::kFirstFileClass);
    EXPECT_EQ(RowTexts(2).at(1), QStringLiteral("4,882,813KB"));
    EXPECT_EQ(m_list->Model()->index(2, 1).data(Qt::TextAlignmentRole).toInt(),
              int(Qt::AlignRight | Qt::AlignVCenter));
    // Only objects that may take a new name in the list can be edited: not
    // a folder found on the medium, nor a file.
    EXPECT_FALSE(m_list->Model()->flags(m_list->Model()->index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_FALSE(m_list->Model()->flags(m_list->Model()->index(1, 0)) & Qt::ItemIsEditable);

    // A symbolic link reads as one, with its own few bytes.
    const qint64 link = AddFileRow(folder, QStringLiteral("current.txt"), 23);
    m_data->CatalogDatabase.ExecuteScript(
        QStringLiteral("UPDATE Files SET Class = %1 WHERE Key = %2")
            .arg(32 | CatalogSchema::kLinkAttribute)
            .arg(link));
    m_list->Fill(folder);
    const int row = m_list->Model()->RowOfData(link);
    ASSERT_GE(row, 0);
    EXPECT_EQ(RowTexts(row).mid(1, 2),
              (QStringList{QStringLiteral("23 bytes"), QStringLiteral("Link")}));
}

TEST_F(CatalogListTest, FixedFoldersComeFirstThenFoldersThenTheRest)
{
    EXPECT_EQ(m_list->Fill(CatalogSchema::kDatabaseObjectId), 0);
    EXPECT_EQ(Captions(), (QStringList{QStringLiteral("Archives"), QStringLiteral("Catalogs"),
                                       QStringLiteral("Wastebasket")}));
    // The fixed objects show no size.
    EXPECT_EQ(RowTexts(1).mid(1, 2), (QStringList{QString(), QStringLiteral("Catalog Folder")}));

    const qint64 mixed = AddObjectRow(CatalogSchema::kCatalogsId, QStringLiteral("Mixed"),
                                      CatalogSchema::kCatalogFolderClass);
    AddFileRow(mixed, QStringLiteral("b.txt"), 400);
    AddObjectRow(mixed, QStringLiteral("Zed"), CatalogSchema::kFileFolderClass);
    AddObjectRow(mixed, QStringLiteral("Mmm"), CatalogSchema::kHardDiskClass, 3000);
    AddFileRow(mixed, QStringLiteral("a.txt"), 100);
    AddObjectRow(mixed, QStringLiteral("packed"), CatalogSchema::kPackagedFolderClass);
    AddFileRow(mixed, QStringLiteral("C.txt"), 2048);
    m_list->Fill(mixed);
    EXPECT_EQ(Captions(), (QStringList{QStringLiteral("packed"), QStringLiteral("Zed"),
                                       QStringLiteral("a.txt"), QStringLiteral("b.txt"),
                                       QStringLiteral("C.txt"), QStringLiteral("Mmm")}));
    // By size: containers first, then whole kilobytes; equal keys (400 and
    // 100 bytes are both 0 KB) follow by name, also in a fresh fill.
    m_list->ArrangeBy(ArrangeKind::Size);
    const QStringList bySize{QStringLiteral("packed"), QStringLiteral("Zed"),
                             QStringLiteral("a.txt"),  QStringLiteral("b.txt"),
                             QStringLiteral("C.txt"),  QStringLiteral("Mmm")};
    EXPECT_EQ(Captions(), bySize);
    m_list->Fill(mixed);
    EXPECT_EQ(Captions(), bySize);
    m_list->ArrangeBy(ArrangeKind::Size);
    EXPECT_EQ(Captions(), (QStringList{QStringLiteral("Mmm"), QStringLiteral("C.txt"),
                                       QStringLiteral("b.txt"), QStringLiteral("a.txt"),
                                       QStringLiteral("Zed"), QStringLiteral("packed")}));
    // The order is kept for the next fill.
    m_list->Fill(mixed);
    EXPECT_EQ(Captions().first(), QStringLiteral("Mmm"));
}

TEST_F(CatalogListTest, ColumnClicksAndArrangementsFollowTheViewsRules)
{
    const qint64 disk = AddObjectRow(CatalogSchema::kCatalogsId, QStringLiteral("Disk"),
                                     CatalogSchema::kHardDiskClass);
    const qint64 gone = AddObjectRow(CatalogSchema::kWastebasketId, QStringLiteral("Gone"),
                                     CatalogSchema::kRemovableDiskClass);
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
        m_list->Fill(row.mainView ? disk : CatalogSchema::kWastebasketId);
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
    const qint64 volume = AddObjectRow(CatalogSchema::kVolumePoolId, QStringLiteral("DVARC0001"),
                                       CatalogSchema::kEmptyArchiveVolumeClass + 2, 500, {}, 1440);
    const qint64 other = AddObjectRow(CatalogSchema::kVolumePoolId, QStringLiteral("DVARC0002"),
                                      CatalogSchema::kEmptyArchiveVolumeClass, 0, {}, 1440);
    const qint64 setB = AddObjectRow(CatalogSchema::kArchivesId, QStringLiteral("Set B"),
                                     CatalogSchema::kArchiveSetClass, 300, {}, volume);
    const qint64 setA = AddObjectRow(CatalogSchema::kArchivesId, QStringLiteral("Set A"),
                                     CatalogSchema::kArchiveSetClass, 250, {}, volume);
    AddObjectRow(CatalogSchema::kArchivesId, QStringLiteral("Elsewhere"),
                 CatalogSchema::kArchiveSetClass, 50, {}, other);
    // A row of another class that happens to carry the volume's ID is no set.
    AddObjectRow(CatalogSchema::kCatalogsId, QStringLiteral("Big disk"),
                 CatalogSchema::kHardDiskClass, 9, {}, volume);

    EXPECT_EQ(m_list->Fill(volume), 550);
    EXPECT_EQ(Captions(), (QStringList{QStringLiteral("Set A"), QStringLiteral("Set B")}));
    EXPECT_EQ(m_list->Model()->Entry(0).data, setA);
    EXPECT_EQ(m_list->Model()->Entry(1).data, setB);
    EXPECT_EQ(RowTexts(0).at(2), QStringLiteral("Archive Set"));

    // The pool itself lists its volumes as ordinary children.
    m_list->Fill(CatalogSchema::kVolumePoolId);
    EXPECT_EQ(Captions(), (QStringList{QStringLiteral("DVARC0001"), QStringLiteral("DVARC0002")}));
}

TEST_F(CatalogListTest, WastebasketViewListsDeletedCatalogsWithTheirFormerPlaces)
{
    const qint64 work = AddObjectRow(CatalogSchema::kWastebasketId, QStringLiteral("Work"),
                                     CatalogSchema::kCatalogFolderClass);
    const qint64 old =
        AddObjectRow(work, QStringLiteral("Old"), CatalogSchema::kCatalogFolderClass);
    const qint64 disk = AddObjectRow(work, QStringLiteral("Disk 1"), CatalogSchema::kHardDiskClass,
                                     2048, QStringLiteral("kept\r\nfor now"));
    const qint64 nested =
        AddObjectRow(old, QStringLiteral("Floppy"), CatalogSchema::kRemovableDiskClass, 1024);
    const qint64 loose = AddObjectRow(CatalogSchema::kWastebasketId, QStringLiteral("CD"),
                                      CatalogSchema::kCdRomClass, 10);
    const qint64 set = AddObjectRow(CatalogSchema::kWastebasketId, QStringLiteral("Set"),
                                    CatalogSchema::kArchiveSetClass, 99);
    // What lies inside a disk catalog is not listed.
    const qint64 inside =
        AddObjectRow(disk, QStringLiteral("Folder on disk"), CatalogSchema::kFileFolderClass);
    AddFileRow(disk, QStringLiteral("file.txt"), 5);
    AddObjectRow(inside, QStringLiteral("Package.zip"), CatalogSchema::kPackageClass, 5);
    // Nor is anything outside the wastebasket.
    AddObjectRow(CatalogSchema::kCatalogsId, QStringLiteral("Alive"),
                 CatalogSchema::kHardDiskClass);
    for (const qint64 id : {work, old, disk, nested, loose, set})
        MarkDeleted(id);

    EXPECT_EQ(m_list->Fill(CatalogSchema::kWastebasketId), -1);
    EXPECT_FALSE(m_list->MainView());
    EXPECT_EQ(m_list->Model()->Columns(),
              (QStringList{QStringLiteral("Name"), QStringLiteral("Original Location"),
                           QStringLiteral("Date Deleted"), QStringLiteral("Type"),
                           QStringLiteral("Size"), QStringLiteral("Comment")}));
    EXPECT_EQ(Captions(), (QStringList{QStringLiteral("CD"), QStringLiteral("Disk 1"),
                                       QStringLiteral("Floppy"), QStringLiteral("Set")}));
    EXPECT_EQ(RowTexts(1),
              (QStringList{QStringLiteral("Disk 1"), QStringLiteral("Catalogs\\Work\\"),
                           QStringLiteral("6/23/23 12:00 PM"), QStringLiteral("Hard Disk"),
                           QStringLiteral("2KB"), QStringLiteral("kept  for now")}));
    EXPECT_EQ(m_list->Model()->Entry(1).subItems.mid(5),
              (QStringList{QStringLiteral("202306231200"), QStringLiteral("        2.000000")}));
    EXPECT_EQ(RowTexts(0).at(1), QStringLiteral("Catalogs\\"));
    EXPECT_EQ(RowTexts(2).at(1), QStringLiteral("Catalogs\\Work\\Old\\"));
    EXPECT_EQ(RowTexts(3).at(1), QStringLiteral("Archives\\"));
    EXPECT_EQ(m_list->Model()->Entry(3).data, set);
    EXPECT_EQ(m_list->Model()->index(0, 4).data(Qt::TextAlignmentRole).toInt(),
              int(Qt::AlignRight | Qt::AlignVCenter));
    EXPECT_FALSE(m_list->Model()->flags(m_list->Model()->index(0, 0)) & Qt::ItemIsEditable);

    // Any node inside the wastebasket shows the same flat list.
    EXPECT_EQ(m_list->Fill(old), -1);
    EXPECT_EQ(m_list->Count(), 4);
    // An empty wastebasket is still the wastebasket view.
    m_data->CatalogDatabase.ExecuteScript(QStringLiteral("DELETE FROM Catalogs WHERE ID > 5"));
    EXPECT_EQ(m_list->Fill(CatalogSchema::kWastebasketId), -1);
    EXPECT_EQ(m_list->Count(), 0);
    EXPECT_EQ(m_list->Model()->columnCount(), 6);
}

TEST_F(CatalogListTest, ColumnWidthsRoundTripThroughTheSettings)
{
    const QString wastebasketSection = TCatalogList::kWastebasketViewSection;
    m_settings->WriteInteger(wastebasketSection, QStringLiteral("1"), 150);
    m_settings->WriteInteger(wastebasketSection, QStringLiteral("2"), -1);
    QHeaderView *header = DetailView()->header();

    m_list->Fill(CatalogSchema::kCatalogsId);
    // Missing widths fit the header and a typical entry: the name column
    // takes far more than its header's text.
    for (int column = 0; column < 5; ++column)
        EXPECT_GE(header->sectionSize(column), header->sectionSizeHint(column)) << column;
    EXPECT_GE(header->sectionSize(0), 20 * header->fontMetrics().averageCharWidth());
    header->resizeSection(0, 234);

    // Switching to the wastebasket saves the main widths and reads its own.
    m_list->Fill(CatalogSchema::kWastebasketId);
    EXPECT_EQ(m_settings->ReadInteger(TCatalogList::kMainViewSection, QStringLiteral("0"), -1),
              234);
    EXPECT_EQ(header->sectionSize(1), 150);
    EXPECT_GE(header->sectionSize(2), header->sectionSizeHint(2)); // -1: as if missing

    // Leaving the detail view saves the widths of the view on show.
    m_list->SetIconView(TCatalogList::kDetailView);
    header->resizeSection(3, 99);
    m_list->SetIconView(TCatalogList::kListView);
    EXPECT_EQ(m_settings->ReadInteger(wastebasketSection, QStringLiteral("3"), -1), 99);

    // Back in the main view the saved widths return; losing the focus saves them.
    m_list->Fill(CatalogSchema::kCatalogsId);
    EXPECT_EQ(header->sectionSize(0), 234);
    header->resizeSection(4, 321);
    QSignalSpy focusLeft(m_list.get(), &TCatalogList::FocusLeft);
    QFocusEvent focusOut(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(IconView(), &focusOut);
    EXPECT_EQ(focusLeft.count(), 1);
    EXPECT_EQ(m_settings->ReadInteger(TCatalogList::kMainViewSection, QStringLiteral("4"), -1),
              321);
    // In the wastebasket view the focus leaving saves nothing.
    m_list->Fill(CatalogSchema::kWastebasketId);
    header->resizeSection(0, 77);
    QApplication::sendEvent(IconView(), &focusOut);
    EXPECT_EQ(focusLeft.count(), 2);
    EXPECT_NE(m_settings->ReadInteger(wastebasketSection, QStringLiteral("0"), -1), 77);
    m_list->SaveColumnWidths();
    EXPECT_EQ(m_settings->ReadInteger(wastebasketSection, QStringLiteral("0"), -1), 77);
}

TEST_F(CatalogListTest, TheDateColumnFitsAWholeDateAndTimeInEveryLocale)
{
    AddObjectRow(CatalogSchema::kCatalogsId, QStringLiteral("F"),
                 CatalogSchema::kCatalogFolderClass);
    QHeaderView *header = DetailView()->header();
    for (const char *name : {"C", "en_US", "de_DE", "ja_JP", "ko_KR"}) {
        SetDisplayLocale(QLocale(QString::fromLatin1(name)));
        m_list->Fill(CatalogSchema::kWastebasketId);
        m_settings->EraseSection(TCatalogList::kMainViewSection);
        m_list->Fill(CatalogSchema::kCatalogsId);
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
    const qint64 folder = AddObjectRow(CatalogSchema::kCatalogsId, QStringLiteral("F"),
                                       CatalogSchema::kCatalogFolderClass);
    const qint64 sub =
        AddObjectRow(folder, QStringLiteral("Sub"), CatalogSchema::kCatalogFolderClass);
    const qint64 key = AddFileRow(folder, QStringLiteral("b.txt"), 10);
    // A file whose Key equals the folder's ID: objects are found first.
    while (AddFileRow(folder, QStringLiteral("a.txt"), 10) < sub) {
    }
    m_list->Fill(folder);
    QSignalSpy changed(m_list.get(), &TCatalogList::SelectionChanged);
    EXPECT_FALSE(m_list->CurrentEntry().has_value());

    ASSERT_TRUE(m_list->SelectEntryByData(sub));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(m_list->SelectedCount(), 1);
    EXPECT_EQ(m_list->CurrentEntry()->caption, QStringLiteral("Sub"));
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
    EXPECT_EQ(m_list->SelectedEntries().first().caption, QStringLiteral("Sub"));
    m_list->Clear();
    EXPECT_EQ(m_list->Count(), 0);
    EXPECT_EQ(m_list->SelectedCount(), 0);
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
    const qint64 folder = AddObjectRow(CatalogSchema::kCatalogsId, QStringLiteral("F"),
                                       CatalogSchema::kCatalogFolderClass);
    AddFileRow(folder, QStringLiteral("a.txt"), 10);
    AddFileRow(folder, QStringLiteral("b.zip"), 10);
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
    const qint64 parent = AddObjectRow(CatalogSchema::kCatalogsId, QStringLiteral("Parent"),
                                       CatalogSchema::kCatalogFolderClass);
    AddObjectRow(parent, QStringLiteral("a"), CatalogSchema::kCatalogFolderClass);
    const QString longName = QStringLiteral("Photographs of the summer 2026");
    const qint64 named = AddObjectRow(parent, longName, CatalogSchema::kCatalogFolderClass);
    AddObjectRow(parent, QString(200, u'x'), CatalogSchema::kCatalogFolderClass);
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

#include "explorer/MainWindowActions.h"

#include "ui/MenuBuilding.h"
#include "ui/ViewModeIcons.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>

namespace {

// A submenu whose item carries a name of its own ("Arrange1Item"), the key of
// its context-help text.
QMenu *Submenu(QMenu *parent, const char *name, const char *caption, const char *hint)
{
    QMenu *menu = AddSubmenu(parent, name, caption, hint);
    menu->menuAction()->setObjectName(QString::fromLatin1(name) + QStringLiteral("Item"));
    return menu;
}

QAction *Separator(QMenu *menu, const char *name = nullptr)
{
    QAction *separator = menu->addSeparator();
    if (name)
        separator->setObjectName(QString::fromLatin1(name));
    return separator;
}

QIcon Standard(QStyle::StandardPixmap icon)
{
    return QApplication::style()->standardIcon(icon);
}

// A command's caption and hint, the same in every menu that shows it.
struct CommandText
{
    const char *caption;
    const char *hint;
};

const CommandText kCatalogDisk{"&Catalog Disk...", "Create a New Disk Catalog"};
const CommandText kPopupNewFolder{"&New Folder", "Create a New Folder or Sub-Folder"};
const CommandText kRename{"&Rename", "Rename the Currently Selected Object"};
const CommandText kDelete{"&Delete", "Delete the Currently Selected Object"};
const CommandText kUpdate{"&Update", "Updates the Disk Catalog from the Source Disk"};
const CommandText kOpen{"&Open", "Opens the Selected Item using its associated Application"};
const CommandText kQuickView{"&Quick View", "Display a preview of the select item"};
const CommandText kExplore{"&Explore...", "Explore the Current Disk Catalog or Folder"};
const CommandText kFind{"&Find...", "Finds Catalog Entries"};
const CommandText kProperties{"&Properties...", "Displays the Properties of the Selected Object"};
const CommandText kPopupComments{"&Comments...",
                                 "Displays the Comments associated with the Catalog Entry"};

// A command's item in one of the three menus, named after the command and
// the menu's digit ("Delete2" in the tree popup).
QAction *Twin(QMenu *menu, const char *command, char digit, const CommandText &text,
              const QKeySequence &key = {})
{
    const QByteArray name = QByteArray(command) + digit;
    return MenuItem(menu, name.constData(), text.caption, text.hint, key);
}

// Catalog Disk and New Folder, as both popups start.
std::tuple<QAction *, QAction *> AddCreateItems(QMenu *popup, char digit)
{
    QAction *catalogDisk = Twin(popup, "DiskCatalog", digit, kCatalogDisk);
    return {catalogDisk, Twin(popup, "CatalogGroup", digit, kPopupNewFolder)};
}

// Rename, Delete, Update and the separator shown with Open, a run the File
// menu and both popups share.
std::tuple<QAction *, QAction *, QAction *, QAction *> AddChangeItems(QMenu *menu, char digit)
{
    QAction *rename = Twin(menu, "RenameCatalog", digit, kRename);
    QAction *remove = Twin(menu, "Delete", digit, kDelete);
    QAction *update = Twin(menu, "Update", digit, kUpdate);
    const QByteArray separator = QByteArray("OpenSep") + digit;
    return {rename, remove, update, Separator(menu, separator.constData())};
}

// Open and Quick View, the pair every menu shows together.
std::tuple<QAction *, QAction *> AddOpenItems(QMenu *menu, char digit)
{
    QAction *open = Twin(menu, "Open", digit, kOpen);
    return {open, Twin(menu, "QuickView", digit, kQuickView)};
}

// Explore and Find, in the order of both popups.
std::tuple<QAction *, QAction *> AddExploreItems(QMenu *popup, char digit)
{
    QAction *explore = Twin(popup, "Explore", digit, kExplore);
    return {explore, Twin(popup, "Find", digit, kFind)};
}

} // namespace

MainWindowActions::MainWindowActions(QWidget *window)
{
    File1 = TopMenu(window, "File1", "&File", "File Related Commands");
    DatabaseNew1 =
        MenuItem(File1, "DatabaseNew1", "&New Database...", "Create a new Catalog Database");
    DatabaseOpen1 = MenuItem(File1, "DatabaseOpen1", "Op&en Database",
                             "Opens another Catalog and loads it into the Catalog Explorer");
    CloseDatabase1 = MenuItem(File1, "CloseDatabase1", "C&lose Database",
                              "Closes the currently opened database");
    Separator(File1);
    Reopen1 = Submenu(File1, "Reopen1", "&Reopen",
                      "Displays the most recenty used Database list, allowing quick reopening of "
                      "any listed Database");
    for (int i = 1; i <= 5; ++i) {
        QAction *entry = MenuItem(Reopen1, "MRU", "", "Opens the listed Database");
        entry->setObjectName(QStringLiteral("MRU%1").arg(i));
        entry->setText(QStringLiteral("&%1").arg(i));
        entry->setData(i);
        MRU << entry;
    }
    Separator(File1);
    DiskCatalog1 = Twin(File1, "DiskCatalog", '1', kCatalogDisk);
    CatalogGroup1 =
        MenuItem(File1, "CatalogGroup1", "New &Folder", "Create a New Folder or Sub-Folder");
    Separator(File1);
    Import1 = Submenu(File1, "Import1", "&Import", "Import a Dirvanta export file");
    Dirvanta97File1 = MenuItem(Import1, "Dirvanta97File1", "Dirvanta &97 File...",
                               "Import a Dirvanta 97 Exported File");
    DirvantaVersion1File1 =
        MenuItem(Import1, "DirvantaVersion1File1", "Dirvanta Version &1 File",
                 "Import Dirvanta Version 1 Exported \"Files\" and \"Volumes\" Files");
    Export1 = MenuItem(File1, "Export1", "&Export...",
                       "Exports the contents of the selected folder or disk catalog");
    Separator(File1);
    std::tie(RenameCatalog1, Delete1, Update1, OpenSep1) = AddChangeItems(File1, '1');
    RenameCatalog1->setShortcut(QKeySequence(Qt::Key_F2));
    std::tie(Open1, QuickView1) = AddOpenItems(File1, '1');
    Separator(File1);
    Properties1 =
        Twin(File1, "Properties", '1', kProperties, QKeySequence(Qt::ALT | Qt::Key_Return));
    Separator(File1);
    Exit1 =
        MenuItem(File1, "Exit1", "E&xit", "Exit Application", QKeySequence(Qt::ALT | Qt::Key_F4));

    View1 = TopMenu(window, "View1", "&View", "Contains Commands for Customizing this Display");
    Toolbar1 = MenuItem(View1, "Toolbar1", "&Toolbar", "Shows or hides the Toolbar");
    StatusBar2 = MenuItem(View1, "StatusBar2", "Status &Bar", "Shows or hides the Status Bar");
    Toolbar1->setCheckable(true);
    StatusBar2->setCheckable(true);
    Separator(View1);
    std::tie(LargeIcons1, SmallIcons1, List1, Detail1) = AddViewModeItems(window, View1, '1');
    Separator(View1);
    Arrange1 = Submenu(View1, "Arrange1", "Arrange &Icons",
                       "Contains command for arranging items in the window");
    std::tie(byName1, byType1, bySize1, byDate1) =
        AddArrangeItems(Arrange1, '1', "Sorts items by type|");
    AutoArrange1 = AddAutoArrangeItem(Arrange1, '1');
    Separator(View1);
    Options1 =
        Submenu(View1, "Options1", "&Options...", "Changes the Display Options for this Window");
    FullName1 = MenuItem(Options1, "FullName1", "&Enable Full Name Display",
                         "Displays the full catalog name on the title bar");
    FullName1->setCheckable(true);

    Tools1 = TopMenu(window, "Tools1", "&Tools", "Commands related to Catalog tools");
    Comments1 = MenuItem(Tools1, "Comments1", "&Edit Comments...",
                         "Displays the Comments associated with the Catalog Entry",
                         QKeySequence(Qt::Key_F9));
    Separator(Tools1);
    Find1 = Twin(Tools1, "Find", '1', kFind);
    Explore1 = Twin(Tools1, "Explore", '1', kExplore);
    Separator(Tools1);
    Archive1 = MenuItem(Tools1, "Archive1", "&Archive...",
                        "Archive a Folder and it's subfolders to the Archive Pool");
    Separator(Tools1);
    Compress1 = MenuItem(Tools1, "Compress1", "&Compress Catalog",
                         "Recovers unused space in the Catalog, reducing the disk space used");
    VerifyDatabase1 = MenuItem(Tools1, "VerifyDatabase1", "&Verify Database...",
                               "Verifies the internal Structure of a Dirvanta Database");
    RepairDatabase1 = MenuItem(Tools1, "RepairDatabase1", "&Repair Database...",
                               "Attempts to repair a corrupt Dirvanta Database");

    Help1 = TopMenu(window, "Help1", "&Help", "Information and Help related commands");
    Contents1 = MenuItem(Help1, "Contents1", "&Need Help ?", "Access the Dirvanta on-line help",
                         QKeySequence(Qt::Key_F1));
    Separator(Help1);
    AboutDirvanta971 = MenuItem(Help1, "AboutDirvanta971", "&About Dirvanta 97...",
                                "Displays the Copyright, version and build details for Dirvanta");

    TreeView_Menu = new QMenu(window);
    TreeView_Menu->setObjectName(QStringLiteral("TreeView_Menu"));
    std::tie(DiskCatalog2, CatalogGroup2) = AddCreateItems(TreeView_Menu, '2');
    Separator(TreeView_Menu);
    std::tie(RenameCatalog2, Delete2, Update2, OpenSep2) = AddChangeItems(TreeView_Menu, '2');
    std::tie(Open2, QuickView2) = AddOpenItems(TreeView_Menu, '2');
    TreeView_Menu->setDefaultAction(Open2);
    std::tie(Explore2, Find2) = AddExploreItems(TreeView_Menu, '2');
    Separator(TreeView_Menu);
    Properties2 = Twin(TreeView_Menu, "Properties", '2', kProperties);
    Separator(TreeView_Menu);
    Comments2 = Twin(TreeView_Menu, "Comments", '2', kPopupComments);

    ListviewPopup = new QMenu(window);
    ListviewPopup->setObjectName(QStringLiteral("ListviewPopup"));
    std::tie(DiskCatalog3, CatalogGroup3) = AddCreateItems(ListviewPopup, '3');
    std::tie(Open3, QuickView3) = AddOpenItems(ListviewPopup, '3');
    ListviewPopup->setDefaultAction(Open3);
    N9 = Separator(ListviewPopup, "N9");
    QMenu *view =
        Submenu(ListviewPopup, "View3", "&View", "Contains commands for customizing this window");
    ViewMenu3 = view->menuAction();
    std::tie(LargeIcons3, SmallIcons3, List3, Detail3) = AddViewModeItems(window, view, '3');
    QMenu *arrange = Submenu(ListviewPopup, "Arrange3", "Arrange &Icons",
                             "Contains command for arranging items in the window");
    ArrangeMenu3 = arrange->menuAction();
    std::tie(byName3, byType3, bySize3, byDate3) =
        AddArrangeItems(arrange, '3', "Sorts items by type");
    AutoArrange3 = AddAutoArrangeItem(arrange, '3');
    AutoArrange3->setChecked(true);
    std::tie(RenameCatalog3, Delete3, Update3, OpenSep3) = AddChangeItems(ListviewPopup, '3');
    std::tie(Explore3, Find3) = AddExploreItems(ListviewPopup, '3');
    N7 = Separator(ListviewPopup, "N7");
    Properties3 = Twin(ListviewPopup, "Properties", '3', kProperties);
    N17 = Separator(ListviewPopup, "N17");
    Comments3 = Twin(ListviewPopup, "Comments", '3', kPopupComments);

    QuickCatalogBtn =
        ToolbarAction(window, "QuickCatalogBtn", Standard(QStyle::SP_DriveHDIcon), "Catalog Disk|");
    NewGroupBtn = ToolbarAction(window, "NewGroupBtn", Standard(QStyle::SP_FileDialogNewFolder),
                                "Create Folder|");
    FindBtn = ToolbarAction(window, "FindBtn", Standard(QStyle::SP_FileDialogContentsView),
                            "Find Entries|");
    PropertiesBtn = ToolbarAction(window, "PropertiesBtn", Standard(QStyle::SP_FileDialogInfoView),
                                  "Display Properties|");
    MoveUpBtn = ToolbarAction(window, "MoveUpBtn", Standard(QStyle::SP_FileDialogToParent),
                              "Move up a Level|");
    IconViewLargeBtn =
        ToolbarAction(window, "IconViewLargeBtn", ViewModeIcon(0), "Large Icon View|");
    IconViewSmallBtn =
        ToolbarAction(window, "IconViewSmallBtn", ViewModeIcon(1), "Small Icon View|");
    IconViewListBtn = ToolbarAction(window, "IconViewListBtn", ViewModeIcon(2), "List View|");
    IconViewDetailBtn = ToolbarAction(window, "IconViewDetailBtn", ViewModeIcon(3), "Detail View|");

    MakeExclusive(window, {IconViewLargeBtn, IconViewSmallBtn, IconViewListBtn, IconViewDetailBtn});
    IconViewLargeBtn->setChecked(true);
    HelpBtn = ToolbarAction(window, "HelpBtn", Standard(QStyle::SP_TitleBarContextHelpButton),
                            "Context Help|");
}

void MainWindowActions::AddMenusTo(QMenuBar *bar)
{
    for (QMenu *menu : {File1, View1, Tools1, Help1})
        bar->addMenu(menu);
}

QList<QAction *> MainWindowActions::IconViewActions(int view) const
{
    switch (view) {
    case 0:
        return {LargeIcons1, LargeIcons3, IconViewLargeBtn};
    case 1:
        return {SmallIcons1, SmallIcons3, IconViewSmallBtn};
    case 2:
        return {List1, List3, IconViewListBtn};
    default:
        return {Detail1, Detail3, IconViewDetailBtn};
    }
}

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

QMenu *Submenu(QMenu *parent, const char *name, const char *caption, const char *hint)
{
    auto *menu = new QMenu(QString::fromUtf8(caption), parent);
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setObjectName(QString::fromLatin1(name) + QStringLiteral("Item"));
    menu->menuAction()->setStatusTip(QString::fromUtf8(hint));
    parent->addMenu(menu);
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

const char *const kOpenCaption = "&Open";
const char *const kOpenHint = "Opens the Selected Item using its associated Application";
const char *const kQuickViewHint = "Display a preview of the select item";
const char *const kExploreHint = "Explore the Current Disk Catalog or Folder";

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
    DiskCatalog1 = MenuItem(File1, "DiskCatalog1", "&Catalog Disk...", "Create a New Disk Catalog");
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
    RenameCatalog1 = MenuItem(File1, "RenameCatalog1", "&Rename",
                              "Rename the Currently Selected Object", QKeySequence(Qt::Key_F2));
    Delete1 = MenuItem(File1, "Delete1", "&Delete", "Delete the Currently Selected Object");
    Update1 =
        MenuItem(File1, "Update1", "&Update", "Updates the Disk Catalog from the Source Disk");
    OpenSep1 = Separator(File1, "OpenSep1");
    Open1 = MenuItem(File1, "Open1", kOpenCaption, kOpenHint);
    QuickView1 = MenuItem(File1, "QuickView1", "&Quick View", kQuickViewHint);
    Separator(File1);
    Properties1 = MenuItem(File1, "Properties1", "&Properties...",
                           "Displays the Properties of the Selected Object",
                           QKeySequence(Qt::ALT | Qt::Key_Return));
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
    AutoArrange1 =
        MenuItem(Arrange1, "AutoArrange1", "&Auto Arrange", "Arranges the icons automatically");
    AutoArrange1->setCheckable(true);
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
    Find1 = MenuItem(Tools1, "Find1", "&Find...", "Finds Catalog Entries");
    Explore1 = MenuItem(Tools1, "Explore1", "&Explore...", kExploreHint);
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
    DiskCatalog2 =
        MenuItem(TreeView_Menu, "DiskCatalog2", "&Catalog Disk...", "Create a New Disk Catalog");
    CatalogGroup2 = MenuItem(TreeView_Menu, "CatalogGroup2", "&New Folder",
                             "Create a New Folder or Sub-Folder");
    Separator(TreeView_Menu);
    RenameCatalog2 = MenuItem(TreeView_Menu, "RenameCatalog2", "&Rename",
                              "Rename the Currently Selected Object");
    Delete2 = MenuItem(TreeView_Menu, "Delete2", "&Delete", "Delete the Currently Selected Object");
    Update2 = MenuItem(TreeView_Menu, "Update2", "&Update",
                       "Updates the Disk Catalog from the Source Disk");
    OpenSep2 = Separator(TreeView_Menu, "OpenSep2");
    Open2 = MenuItem(TreeView_Menu, "Open2", kOpenCaption, kOpenHint);
    TreeView_Menu->setDefaultAction(Open2);
    QuickView2 = MenuItem(TreeView_Menu, "QuickView2", "&Quick View", kQuickViewHint);
    Explore2 = MenuItem(TreeView_Menu, "Explore2", "&Explore...", kExploreHint);
    Find2 = MenuItem(TreeView_Menu, "Find2", "&Find...", "Finds Catalog Entries");
    Separator(TreeView_Menu);
    Properties2 = MenuItem(TreeView_Menu, "Properties2", "&Properties...",
                           "Displays the Properties of the Selected Object");
    Separator(TreeView_Menu);
    Comments2 = MenuItem(TreeView_Menu, "Comments2", "&Comments...",
                         "Displays the Comments associated with the Catalog Entry");

    ListviewPopup = new QMenu(window);
    ListviewPopup->setObjectName(QStringLiteral("ListviewPopup"));
    DiskCatalog3 =
        MenuItem(ListviewPopup, "DiskCatalog3", "&Catalog Disk...", "Create a New Disk Catalog");
    CatalogGroup3 = MenuItem(ListviewPopup, "CatalogGroup3", "&New Folder",
                             "Create a New Folder or Sub-Folder");
    Open3 = MenuItem(ListviewPopup, "Open3", kOpenCaption, kOpenHint);
    ListviewPopup->setDefaultAction(Open3);
    QuickView3 = MenuItem(ListviewPopup, "QuickView3", "&Quick View", kQuickViewHint);
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
    AutoArrange3 =
        MenuItem(arrange, "AutoArrange3", "&Auto Arrange", "Arranges the icons automatically");
    AutoArrange3->setCheckable(true);
    AutoArrange3->setChecked(true);
    RenameCatalog3 = MenuItem(ListviewPopup, "RenameCatalog3", "&Rename",
                              "Rename the Currently Selected Object");
    Delete3 = MenuItem(ListviewPopup, "Delete3", "&Delete", "Delete the Currently Selected Object");
    Update3 = MenuItem(ListviewPopup, "Update3", "&Update",
                       "Updates the Disk Catalog from the Source Disk");
    OpenSep3 = Separator(ListviewPopup, "OpenSep3");
    Explore3 = MenuItem(ListviewPopup, "Explore3", "&Explore...", kExploreHint);
    Find3 = MenuItem(ListviewPopup, "Find3", "&Find...", "Finds Catalog Entries");
    N7 = Separator(ListviewPopup, "N7");
    Properties3 = MenuItem(ListviewPopup, "Properties3", "&Properties...",
                           "Displays the Properties of the Selected Object");
    N17 = Separator(ListviewPopup, "N17");
    Comments3 = MenuItem(ListviewPopup, "Comments3", "&Comments...",
                         "Displays the Comments associated with the Catalog Entry");

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

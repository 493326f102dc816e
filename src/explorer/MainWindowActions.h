#pragma once

#include <QList>
#include <QObject>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

// Every menu item, popup item and toolbar button of the main window, named
// as the rest of the program and the tests know them. The window connects
// them; UpdateMenus sets their states. Twins of a main-menu item in the tree
// popup end in 2, in the list popup in 3.
struct MainWindowActions
{
    explicit MainWindowActions(QWidget *window);
    MainWindowActions(const MainWindowActions &) = delete;
    MainWindowActions &operator=(const MainWindowActions &) = delete;

    void AddMenusTo(QMenuBar *bar);

    // File
    QMenu *File1;
    QAction *DatabaseNew1, *DatabaseOpen1, *CloseDatabase1;
    QMenu *Reopen1;
    QList<QAction *> MRU; // MRU1 to MRU5
    QAction *DiskCatalog1, *CatalogGroup1;
    QMenu *Import1;
    QAction *Dirvanta97File1, *DirvantaVersion1File1, *Export1;
    QAction *RenameCatalog1, *Delete1, *Update1, *OpenSep1, *Open1, *QuickView1, *Properties1,
        *Exit1;
    // View
    QMenu *View1;
    QAction *Toolbar1, *StatusBar2, *LargeIcons1, *SmallIcons1, *List1, *Detail1;
    QMenu *Arrange1;
    QAction *byName1, *byType1, *bySize1, *byDate1, *AutoArrange1;
    QMenu *Options1;
    QAction *FullName1;
    // Tools
    QMenu *Tools1;
    QAction *Comments1, *Find1, *Explore1, *Archive1, *Compress1, *VerifyDatabase1,
        *RepairDatabase1;
    // Help
    QMenu *Help1;
    QAction *Contents1, *AboutDirvanta971;

    // Tree popup
    QMenu *TreeView_Menu;
    QAction *DiskCatalog2, *CatalogGroup2, *RenameCatalog2, *Delete2, *Update2, *OpenSep2, *Open2,
        *QuickView2, *Explore2, *Find2, *Properties2, *Comments2;

    // List popup
    QMenu *ListviewPopup;
    QAction *DiskCatalog3, *CatalogGroup3, *Open3, *QuickView3, *N9, *ViewMenu3, *ArrangeMenu3,
        *RenameCatalog3, *Delete3, *Update3, *OpenSep3, *Explore3, *Find3, *N7, *Properties3, *N17,
        *Comments3;
    QAction *LargeIcons3, *SmallIcons3, *List3, *Detail3;
    QAction *byName3, *byType3, *bySize3, *byDate3, *AutoArrange3;

    // Toolbar buttons
    QAction *QuickCatalogBtn, *NewGroupBtn, *FindBtn, *PropertiesBtn, *MoveUpBtn, *IconViewLargeBtn,
        *IconViewSmallBtn, *IconViewListBtn, *IconViewDetailBtn, *HelpBtn;

    // The icon-view commands of the View menu, the list popup and the toolbar, by view index.
    QList<QAction *> IconViewActions(int view) const;
};

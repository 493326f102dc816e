#pragma once

#include <QString>

#include <functional>

// What the main window's menus, popups and toolbar show for a selection.
// Pure rules, free of widgets: the window gathers the facts, these decide,
// and the window applies the result to its actions.

// Where the user's attention is when the menus open.
enum class MenuFocus
{
    ListWithoutSelection,
    ListWithSelection,
    Tree
};

struct MenuFacts
{
    bool databaseOpen = false;
    bool historyHasEntry = false;
    MenuFocus focus = MenuFocus::Tree;
    // The class (icon index) of the tree's selected node.
    int treeClass = 0;
    // The path of the tree's selected object ("Catalogs\...", "Wastebasket\...").
    QString selectedPath;
    // The list's selected item: its image index (a file from 31 up), caption
    // and, for a file, whether it lies inside a file package.
    int itemIndex = -1;
    QString itemCaption;
    bool itemPackaged = false;
    bool listAutoArrange = true;
    bool listDetailView = false;
    // Whether the desktop opens a file of this name without asking.
    std::function<bool(const QString &fileName)> hasOpenCommand;
};

struct MenuItemState
{
    bool enabled = false;
    bool visible = true;
    QString caption;
    QString hint;
};

struct MenuState
{
    bool reopenEnabled = false;
    // Close, Catalog Disk, New Folder, Import, Export, Rename, Delete, Open,
    // Update, Quick View, Properties, Comments, Find, Explore, Archive and
    // Compress are enabled exactly while a database is open.
    bool databaseItemsEnabled = false;
    // False when the database is closed: the rest then keeps what it had.
    bool selectionRulesApplied = false;

    MenuItemState exportItem;
    MenuItemState comments;
    MenuItemState explore;
    MenuItemState open; // Open and Quick View alike
    MenuItemState find; // the popup twins are visible exactly when enabled
    MenuItemState deleteItem;
    MenuItemState update;
    MenuItemState rename;
    MenuItemState newFolder; // the popup twins are visible exactly when enabled
    bool archiveEnabled = false;
    // The list popup: Catalog Disk, View and Arrange Icons show without a
    // selection; the items acting on a selection show with one.
    bool listPopupShowsNoSelectionItems = true;
    bool listPopupShowsSelectionItems = false;
    bool autoArrangeChecked = true;
    bool autoArrangeEnabled = true;
};

MenuState UpdateMenuState(const MenuFacts &facts);

struct ToolbarState
{
    bool catalogDisk = false;
    bool createFolder = false;
    bool find = false;
    bool properties = false;
    bool moveUp = false;
};

// The toolbar for the class of the selected node.
ToolbarState UpdateToolbarState(bool databaseOpen, int selectedClass);

// The window title for the database folder, or the closed state.
QString WindowTitle(bool databaseOpen, const QString &databaseFolder);

// Where a catalog path lies, as the commands of both windows ask.
bool PathIsInWastebasket(const QString &path);
bool PathIsArchived(const QString &path);

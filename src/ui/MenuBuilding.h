#pragma once

#include <QKeySequence>
#include <QString>

#include <initializer_list>
#include <tuple>

class QAction;
class QIcon;
class QMenu;
class QObject;
class QWidget;

// The pieces the windows build their menus and toolbars of: items with an
// object name, a caption, a hint and a shortcut.

// Splits a hint at its first vertical bar into the tooltip and the status
// text; a hint without a bar serves as both.
void ApplyHint(QAction *action, const QString &hint);

// A menu item added to the menu.
QAction *MenuItem(QMenu *menu, const char *name, const char *caption, const char *hint,
                  const QKeySequence &key = {});

// A menu of its own (for the menu bar or a popup); the caller adds it.
QMenu *TopMenu(QWidget *owner, const char *name, const char *caption, const char *hint);

// A submenu added to the menu.
QMenu *AddSubmenu(QMenu *parent, const char *name, const char *caption, const char *hint);

// An icon-only toolbar command.
QAction *ToolbarAction(QWidget *window, const char *name, const QIcon &icon, const char *hint);

// Makes the actions checkable and one radio group.
void MakeExclusive(QObject *owner, std::initializer_list<QAction *> actions);

// The four view-style items of a list's window ("&Large Icons", "S&mall
// Icons", "&List", "&Detail") added to a menu as one radio group; their
// object names end in the suffix ("LargeIcons1"). In that order.
std::tuple<QAction *, QAction *, QAction *, QAction *> AddViewModeItems(QObject *owner, QMenu *menu,
                                                                        char suffix);

// The four "Arrange Icons" items ("by &Name", "by &Type", "by Si&ze",
// "by &Date") added to a menu, their object names ending in the suffix
// ("byName1"). The menu bar's "by Type" hint differs from the popups', so it
// is given.
std::tuple<QAction *, QAction *, QAction *, QAction *> AddArrangeItems(QMenu *menu, char suffix,
                                                                       const char *typeHint);

// The checkable "&Auto Arrange" item of a list's window, its object name
// ending in the suffix ("AutoArrange1").
QAction *AddAutoArrangeItem(QMenu *menu, char suffix);

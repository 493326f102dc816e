#include "ui/MenuBuilding.h"

#include <QAction>
#include <QActionGroup>
#include <QIcon>
#include <QMenu>

void ApplyHint(QAction *action, const QString &hint)
{
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    if (bar < 0) {
        action->setToolTip(hint);
        action->setStatusTip(hint);
        return;
    }
    action->setToolTip(hint.left(bar));
    action->setStatusTip(hint.mid(bar + 1));
}

QAction *MenuItem(QMenu *menu, const char *name, const char *caption, const char *hint,
                  const QKeySequence &key)
{
    auto *action = new QAction(QString::fromUtf8(caption), menu);
    action->setObjectName(QString::fromLatin1(name));
    ApplyHint(action, QString::fromUtf8(hint));
    action->setShortcut(key);
    menu->addAction(action);
    return action;
}

QMenu *TopMenu(QWidget *owner, const char *name, const char *caption, const char *hint)
{
    auto *menu = new QMenu(QString::fromUtf8(caption), owner);
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setStatusTip(QString::fromUtf8(hint));
    return menu;
}

QAction *ToolbarAction(QWidget *window, const char *name, const QIcon &icon, const char *hint)
{
    auto *action = new QAction(window);
    action->setObjectName(QString::fromLatin1(name));
    action->setIcon(icon);
    ApplyHint(action, QString::fromUtf8(hint));
    return action;
}

std::tuple<QAction *, QAction *, QAction *, QAction *> AddViewModeItems(QObject *owner, QMenu *menu,
                                                                        char suffix)
{
    // The names live until the items are made.
    QByteArray names[4];
    const auto name = [&names, suffix](int slot, const char *base) {
        names[slot] = QByteArray(base) + suffix;
        return names[slot].constData();
    };
    QAction *items[] = {
        MenuItem(menu, name(0, "LargeIcons"), "&Large Icons", "Display Items by Using Large Icons"),
        MenuItem(menu, name(1, "SmallIcons"), "S&mall Icons", "Display Items by Using Small Icons"),
        MenuItem(menu, name(2, "List"), "&List", "Display Items in a List"),
        MenuItem(menu, name(3, "Detail"), "&Detail",
                 "Displays Information about each Item in the Window")};
    MakeExclusive(owner, {items[0], items[1], items[2], items[3]});
    return {items[0], items[1], items[2], items[3]};
}

void MakeExclusive(QObject *owner, std::initializer_list<QAction *> actions)
{
    auto *group = new QActionGroup(owner);
    group->setExclusive(true);
    for (QAction *action : actions) {
        action->setCheckable(true);
        group->addAction(action);
    }
}

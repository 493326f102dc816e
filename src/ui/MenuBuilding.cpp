#include "ui/MenuBuilding.h"

#include <QAction>
#include <QActionGroup>
#include <QIcon>
#include <QMenu>

#include <array>

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

QMenu *AddSubmenu(QMenu *parent, const char *name, const char *caption, const char *hint)
{
    QMenu *menu = TopMenu(parent, name, caption, hint);
    parent->addMenu(menu);
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

namespace {

// Four items named base + suffix, of the captions and hints given.
std::tuple<QAction *, QAction *, QAction *, QAction *>
AddFourItems(QMenu *menu, char suffix, const std::array<std::array<const char *, 3>, 4> &items)
{
    QAction *made[4];
    for (std::size_t i = 0; i < items.size(); ++i) {
        const QByteArray name = QByteArray(items[i][0]) + suffix;
        made[i] = MenuItem(menu, name.constData(), items[i][1], items[i][2]);
    }
    return {made[0], made[1], made[2], made[3]};
}

} // namespace

std::tuple<QAction *, QAction *, QAction *, QAction *> AddViewModeItems(QObject *owner, QMenu *menu,
                                                                        char suffix)
{
    const auto items = AddFourItems(
        menu, suffix,
        {{{"LargeIcons", "&Large Icons", "Display Items by Using Large Icons"},
          {"SmallIcons", "S&mall Icons", "Display Items by Using Small Icons"},
          {"List", "&List", "Display Items in a List"},
          {"Detail", "&Detail", "Displays Information about each Item in the Window"}}});
    const auto [large, small, list, detail] = items;
    MakeExclusive(owner, {large, small, list, detail});
    return items;
}

std::tuple<QAction *, QAction *, QAction *, QAction *> AddArrangeItems(QMenu *menu, char suffix,
                                                                       const char *typeHint)
{
    return AddFourItems(menu, suffix,
                        {{{"byName", "by &Name", "Sorts items alphabetically by name"},
                          {"byType", "by &Type", typeHint},
                          {"bySize", "by Si&ze", "Sorts items by size"},
                          {"byDate", "by &Date", "Sorts items by date"}}});
}

QAction *AddAutoArrangeItem(QMenu *menu, char suffix)
{
    const QByteArray name = QByteArrayLiteral("AutoArrange") + suffix;
    QAction *item =
        MenuItem(menu, name.constData(), "&Auto Arrange", "Arranges the icons automatically");
    item->setCheckable(true);
    return item;
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

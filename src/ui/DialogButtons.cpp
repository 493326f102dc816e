#include "ui/DialogButtons.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace {

QPushButton *NamedButton(QWidget *dialog, const QString &caption, const QString &name)
{
    auto *button = new QPushButton(caption, dialog);
    button->setObjectName(name);
    return button;
}

} // namespace

DialogButtons MakeDialogButtons(QWidget *dialog, const QString &acceptCaption,
                                const QString &acceptName)
{
    DialogButtons buttons;
    buttons.accept = NamedButton(dialog, acceptCaption, acceptName);
    buttons.accept->setDefault(true);
    buttons.cancel = NamedButton(dialog, QStringLiteral("Cancel"), QStringLiteral("CancelBtn"));
    buttons.help = NamedButton(dialog, QStringLiteral("Help"), QStringLiteral("HelpBtn"));
    buttons.row = new QHBoxLayout;
    buttons.row->addStretch(1);
    for (QPushButton *button : {buttons.accept, buttons.cancel, buttons.help})
        buttons.row->addWidget(button);
    return buttons;
}

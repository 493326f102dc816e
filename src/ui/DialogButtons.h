#pragma once

#include <QString>

class QHBoxLayout;
class QPushButton;
class QWidget;

// The row of buttons at the foot of a dialog: the accepting button (the
// default), Cancel and Help, right-aligned and named as the dialog's code and
// tests find them. What each button does is the dialog's own.
struct DialogButtons
{
    QPushButton *accept = nullptr;
    QPushButton *cancel = nullptr;
    QPushButton *help = nullptr;
    QHBoxLayout *row = nullptr;
};

DialogButtons MakeDialogButtons(QWidget *dialog,
                                const QString &acceptCaption = QStringLiteral("OK"),
                                const QString &acceptName = QStringLiteral("OKBtn"));

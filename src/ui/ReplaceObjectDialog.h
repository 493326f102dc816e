#pragma once

#include "platform/UserInterface.h"

#include <QDialog>

class QPushButton;

// The "Replace" question of a move or restore: the object that is there and
// the one that comes, side by side, each with its picture, name, type, size
// and date. Accept means replace, reject keep.
class ReplaceObjectDialog final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ReplaceObjectDialog)

public:
    ReplaceObjectDialog(const ReplaceObjectView &existing, const ReplaceObjectView &incoming,
                        QWidget *parent = nullptr);
    ~ReplaceObjectDialog() override;

    QPushButton *ReplaceButton() const { return m_replace; }
    QPushButton *KeepButton() const { return m_keep; }

private:
    QPushButton *m_replace;
    QPushButton *m_keep;
};

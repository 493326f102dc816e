#pragma once

#include "platform/UserInterface.h"

#include <QDialog>

// The "Adding Archive Volume" dialog: asks for a formatted disk in the
// pool's drive and shows the drive, name and label the new volume gets.
// OK (the default) lets the logic check the disk; Cancel gives up.
class AddingVolumeDialog final : public QDialog
{
    Q_OBJECT

public:
    AddingVolumeDialog(const AddingVolumeView &view, QWidget *parent = nullptr);
};

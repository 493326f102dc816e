#pragma once

#include "exchange/VersionOne.h"

#include <QDialog>

class QLineEdit;
class QPushButton;
class SettingsStore;
class TDataShare;

// The "Dirvanta (Version 1) Import" dialog: asks for the "Volumes" and the
// "Files" export files of the earlier version. OK runs the checks and stays
// open on the file that fails one; after OK the dialog holds the normalised
// copies of both files.
class TConvert_V1_Form final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TConvert_V1_Form)

public:
    explicit TConvert_V1_Form(SettingsStore *settings, QWidget *parent = nullptr);
    ~TConvert_V1_Form() override;

    // The normalised copies made by the checks; the caller removes them.
    V1TempFiles Temps;

    QLineEdit *VolumesFile = nullptr;
    QLineEdit *FilesFile = nullptr;
    QPushButton *VolumesBrowseBtn = nullptr;
    QPushButton *FilesBrowseBtn = nullptr;
    QPushButton *OKBtn = nullptr;
    QPushButton *CancelBtn = nullptr;
    QPushButton *HelpBtn = nullptr;

private slots:
    void OKBtnClick();
    void HelpBtnClick();

private:
    void Browse(QLineEdit *edit, const QString &which);

    SettingsStore *m_settings;
};

// Runs the dialog and, after OK, converts the files and imports the result
// inside the caller's transaction. False when the user cancelled or the
// conversion failed; raises as ImportFile does.
bool RunV1Dialog(TDataShare &data, SettingsStore *settings, QWidget *parent);

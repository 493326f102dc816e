#pragma once

#include "archive/ExtractRestore.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QToolButton;
class SettingsStore;
class TDataShare;

// The "Extract Selected Items" / "Restore Selected Items" dialog: the
// destination folder and the overwrite choice, loaded from "Extract
// Options". The dialog only asks; ExtractOrRestore runs the request.
class TExtractForm final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TExtractForm)

public:
    TExtractForm(bool extraction, SettingsStore *settings, QWidget *parent = nullptr);
    ~TExtractForm() override;

    // The folder and the overwrite choice as the user left them.
    ExtractOptions Options() const;

    QLineEdit *FolderEdit = nullptr;
    QToolButton *BrowseBtn = nullptr;
    QCheckBox *OverwriteBox = nullptr;
    QPushButton *OKBtn = nullptr;
    QPushButton *CancelBtn = nullptr;
    QPushButton *HelpBtn = nullptr;

private:
    void BrowseClick();

    const bool m_extraction;
};

// Extracts or restores the selected entries (list entries, or the tree's
// object as one entry): builds the request and shows the dialog. Its OK
// runs the request with the dialog hidden; a request that failed shows the
// dialog again so that another folder can be chosen.
void ExtractOrRestore(TDataShare &data, const QList<ListEntry> &entries, bool extraction,
                      QWidget *parent);

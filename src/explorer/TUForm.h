#pragma once

#include "store/DatabaseRepair.h"

#include <QDialog>

class ElidedLabel;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class TDataShare;

// The dialog of a verify or a repair: the database folder, the outcome for
// each of its two files, one progress bar per phase, and the backup's place
// after a repair. It runs a pass over both files when it first shows and
// again each time its second button is clicked.
class TTUForm final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TTUForm)

public:
    TTUForm(TDataShare &data, bool repair, const QString &folder, QWidget *parent = nullptr);
    ~TTUForm() override;

    // One pass: both files verified, or rebuilt, one after the other.
    void RunPass();
    // The same, with a failure reported rather than passed on: a database
    // held by another program in the "Catalog Locked" box.
    void RunGuardedPass();
    bool PassRunning() const { return m_running; }

    ElidedLabel *FolderName = nullptr;
    ElidedLabel *FolderLabel = nullptr;
    ElidedLabel *FilesLabel = nullptr;
    QLabel *StatusLabel = nullptr;
    QGroupBox *StatusGroup = nullptr;
    QGroupBox *ProgressGroup = nullptr;
    QProgressBar *PBHeader = nullptr;
    QProgressBar *PBIndexes = nullptr;
    QProgressBar *PBData = nullptr;
    QProgressBar *PBRebuild = nullptr;
    QLabel *BackupLabel = nullptr;
    QPushButton *Button1 = nullptr;
    QPushButton *Button2 = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    void reject() override;

private:
    // A length laid out at 120 pixels per inch, for this screen.
    int Scaled(int length) const;
    void ResizeFor(int height);
    void ResetBars();
    void ShowProgress(DatabaseRepair::Phase phase, int percent);
    // Verifies or rebuilds one file; the outcome is left in m_statusText.
    void ProcessFile(DatabaseRepair::DatabaseFile file);
    void Repaint();

    TDataShare &m_data;
    bool m_repair;
    QString m_folder;
    QString m_temporaryFolder;
    QString m_statusText;
    bool m_activated = false;
    bool m_running = false;
};

// Checks that the folder holds a database ("Invalid Database Folder" when
// not) and runs the dialog on it.
void RunTableUtility(TDataShare &data, bool repair, const QString &folder, QWidget *parent);

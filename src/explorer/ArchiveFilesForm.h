#pragma once

#include "archive/ArchiveCreation.h"

#include <QDialog>
#include <QString>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class TDataShare;

// The "Archive Files" dialog: the folder (or a selection list) to archive,
// the destination archive folder and the name of the set, its comment, and
// the archive options. OK runs the checks, then the archive; the dialog
// closes once the set is made and stays open after a failure.
class TArchiveFilesForm final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TArchiveFilesForm)

public:
    // selectionList: a selection list file, or empty to archive a folder.
    TArchiveFilesForm(TDataShare &data, const QString &selectionList, QWidget *parent = nullptr);
    ~TArchiveFilesForm() override;

    // The pages, in order.
    static constexpr int kSettingsPage = 0;
    static constexpr int kCommentPage = 1;
    static constexpr int kOptionsPage = 2;

    QTabWidget *PageControl1 = nullptr;
    QGroupBox *FolderGroup = nullptr;
    QLineEdit *FolderEdit = nullptr;
    QPushButton *FolderBrowseBtn = nullptr;
    QLineEdit *DestinationEdit = nullptr;
    QPushButton *DestinationBrowseBtn = nullptr;
    QLineEdit *NameEdit = nullptr;
    QPlainTextEdit *CommentEdit = nullptr;
    QLineEdit *WorkFolderEdit = nullptr;
    QPushButton *WorkFolderBrowseBtn = nullptr;
    QCheckBox *DeleteFilesBox = nullptr;
    QCheckBox *IncludeSubfoldersBox = nullptr;
    QCheckBox *CompressBox = nullptr;
    QCheckBox *UseHardDiskBox = nullptr;
    QCheckBox *MakeDefaultBox = nullptr;
    QPushButton *OkBtn = nullptr;
    QPushButton *CancelBtn = nullptr;
    QPushButton *HelpBtn = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void done(int result) override;

private:
    QWidget *BuildSettingsPage();
    QWidget *BuildCommentPage();
    QWidget *BuildOptionsPage();
    void LoadOptions();
    void SetDestination(qint64 id);
    void FolderChanged();
    void BrowseFolder();
    void BrowseDestination();
    void BrowseWorkFolder();
    void OkClick();
    // Shows the page of a failed check with the field in focus.
    void ShowProblem(ArchiveRequestProblem problem);
    ArchiveRequest RequestFromFields() const;
    ArchiveOptions OptionsFromFields() const;

    TDataShare &m_data;
    QString m_selectionList;
    qint64 m_destination = CatalogSchema::kArchivesId;
};

// Shows the dialog modally; true when a set was made.
bool ShowArchiveFiles(TDataShare &data, const QString &selectionList, QWidget *parent);

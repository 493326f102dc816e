#pragma once

#include "media/ObjectProperties.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class PoolVolumeList;
class QAction;
class QMenu;
class QTreeWidget;
class TDataShare;

// The "Properties" dialog of one catalog object or file: what the catalog
// knows of it, with its statistics counted while the dialog is on screen,
// and the comment, disk label and source that may be changed. On the
// Archives folder and the Volume Pool it shows the pool's volumes and the
// default archive options.
class TProperties_Form final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TProperties_Form)

public:
    explicit TProperties_Form(TDataShare &data, QWidget *parent = nullptr);
    ~TProperties_Form() override;

    // Fills the dialog for an object (ID) or a file (Key); false when the
    // subject does not exist. With openOnPool the pool classes open on the
    // "Archive Pool" tab.
    bool SetSubject(bool file, qint64 number, bool openOnPool = false);
    // Counts the statistics now (the dialog does so when first shown).
    void ComputeStatisticsNow();
    bool StatisticsRunning() const { return m_running; }

    QTabWidget *Tabs = nullptr;
    QPushButton *OKBtn = nullptr;
    QPushButton *CancelBtn = nullptr;
    QPushButton *HelpBtn = nullptr;
    QLabel *StatisticsTitle = nullptr;
    QLineEdit *SourceEdit = nullptr;
    QLineEdit *LabelEdit = nullptr;
    QPlainTextEdit *CommentsMemo = nullptr;
    PoolVolumeList *VolumeList = nullptr;
    // The view buttons above the pool list, and the pool list's pop-up with
    // its "&View" items; each group in the order large icons, small icons,
    // list, details.
    QList<QAction *> m_poolViewButtons;
    QList<QAction *> m_poolViewItems;
    QMenu *PoolPopup = nullptr;
    QPushButton *AddBtn = nullptr;
    QPushButton *FreeBtn = nullptr;
    QPushButton *RemoveBtn = nullptr;
    QPushButton *MergeBtn = nullptr;
    // The mounted media and, last, an entry to browse to any folder.
    QComboBox *DriveBox = nullptr;
    QTreeWidget *DatabaseFiles = nullptr;
    QLineEdit *WorkFolderEdit = nullptr;

    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QWidget *BuildPropertiesTab();
    QWidget *BuildDetailsTab();
    QWidget *BuildPoolTab();
    QWidget *BuildDefaultsTab();
    void FillStatisticsPage();
    void ShowStatistics();
    void FillVolumeList();
    void FillDriveBox(const QString &poolDrive);
    void SelectDrive(const QString &drive);
    void UpdatePoolButtons();
    qint64 SelectedVolumeId() const;
    QString ChosenDrive() const;
    void DriveChosen(int index);
    void BuildPoolPopup();
    void ShowPoolMenu(const QPoint &globalPosition);
    // Shows the pool list in a view (0 large icons to 3 details) and marks
    // its button and menu item.
    void SetPoolIconView(int view);
    void AddClick();
    void FreeClick();
    void RemoveClick();
    void MergeClick();
    // Runs a pool operation with the dialog disabled, then shows the pool
    // as it is now.
    void RunOnPool(const std::function<void()> &operation);
    void LoadArchiveOptions();
    bool SaveArchiveOptions();
    void OkClick();
    void CancelClick();
    void BrowseSource();
    void BrowseWorkFolder();

    TDataShare &m_data;
    PropertiesDetails m_details;
    PropertiesLayout m_layout;
    PropertiesStatistics m_statistics;
    QList<QLabel *> m_values;
    QFormLayout *m_statisticsForm = nullptr;
    QFormLayout *m_headerForm = nullptr;
    QLabel *m_type = nullptr;
    QLabel *m_location = nullptr;
    QLabel *m_image = nullptr;
    QLabel *m_sourceText = nullptr;
    QPushButton *m_sourceBrowse = nullptr;
    QWidget *m_sourceRow = nullptr;
    QLabel *m_detailsName = nullptr;
    QLabel *m_detailsImage = nullptr;
    QLabel *m_catalogCaption = nullptr;
    QLabel *m_catalogName = nullptr;
    QLabel *m_labelCaption = nullptr;
    QLabel *m_labelText = nullptr;
    QCheckBox *m_includeSubfolders = nullptr;
    QCheckBox *m_compressFiles = nullptr;
    QCheckBox *m_useHardDisk = nullptr;
    QCheckBox *m_deleteFiles = nullptr;
    QWidget *m_poolTab = nullptr;
    QWidget *m_defaultsTab = nullptr;
    QWidget *m_detailsTab = nullptr;
    bool m_started = false;
    bool m_running = false;
    bool m_okPending = false;
};

// Shows the Properties dialog of an object or file modally, placed at the
// main window's left + 40 and top + 60, with the cancel flag cleared before
// and after. True when it was closed with OK (the caller refreshes its
// views).
bool ShowProperties(TDataShare &data, bool file, qint64 number, QWidget *mainWindow,
                    bool openOnPool = false);

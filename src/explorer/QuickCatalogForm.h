#pragma once

#include "media/CatalogOptions.h"

#include <QDialog>
#include <QString>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class TDataShare;

// The Catalog Disk dialog: the source, the disk label, the description and
// comments of a new disk catalog and the cataloguing options. Everything it
// shows about the medium is read again whenever the source changes. The
// "Catalog" button runs the checks and the scan; the dialog closes with OK
// only when a catalog was built.
class TQuick_Catalog_Form final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TQuick_Catalog_Form)

public:
    // The new catalog goes into the folder parentFolderId; options are read
    // at the first showing and written back when the scan starts.
    TQuick_Catalog_Form(TDataShare &data, CatalogOptions &options, qint64 parentFolderId,
                        QWidget *parent = nullptr);
    ~TQuick_Catalog_Form() override;

    // Set before the dialog is shown.
    QString Source;
    QString ProposedDescription;
    // The ID of the catalog built, or -1.
    qint64 NewCatalogId() const { return m_newId; }

    QTabWidget *PageControl1 = nullptr;
    QLabel *DriveImage = nullptr;
    QLabel *Label_MediaType = nullptr;
    QLabel *Label_ArchiveOptions = nullptr;
    QLineEdit *Catalog_Source = nullptr;
    QPushButton *BrowseBtn = nullptr;
    QLineEdit *Label_MediaID = nullptr;
    QCheckBox *Catalog_UseSerialID = nullptr;
    QLineEdit *Catalog_Description = nullptr;
    QPlainTextEdit *Catalog_Comments = nullptr;
    QCheckBox *Catalog_ZIP = nullptr;
    QCheckBox *Catalog_EXE = nullptr;
    QCheckBox *Catalog_ArchiveComments = nullptr;
    QCheckBox *Catalog_Reuse = nullptr;
    QCheckBox *Catalog_Validate = nullptr;
    QPushButton *CatalogBtn = nullptr;
    QPushButton *CancelBtn = nullptr;
    QPushButton *HelpBtn = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void Catalog_SourceChange();
    void Label_MediaIDChange();
    void Catalog_UseSerialIDClick();
    void Catalog_CommentsChange();
    void PageControl1Change(int index);
    void BrowseBtnClick();
    void CatalogBtnClick();
    void HelpBtnClick();

private:
    QWidget *BuildCatalogPage();
    QWidget *BuildCommentsPage();
    QWidget *BuildOptionsPage();
    void FirstShow();
    void RefreshFromSource();
    void ApplyLabelRules();
    void TakeOptions();

    TDataShare &m_data;
    CatalogOptions &m_options;
    qint64 m_parentId;
    QString m_source;           // the trimmed source text
    QString m_currentLabel;     // the label read at the last refresh
    bool m_mediumReady = false; // the medium was in at the last refresh
    bool m_shown = false;
    qint64 m_newId = -1;
};

// Runs the Catalog Disk dialog for a new catalog under the folder, offering
// the proposed description and the source (the options' last source when
// empty). True when a catalog was built; newId then receives its ID.
bool ShowCatalogDiskDialog(TDataShare &data, CatalogOptions &options, qint64 parentFolderId,
                           const QString &proposedDescription, const QString &source,
                           QWidget *parent, qint64 *newId = nullptr);

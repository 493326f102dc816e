#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The Database Location dialog: asks for the folder of a catalog database
// and whether a new database is to be created there or an existing one
// opened. OK runs the location checks and stays open while one fails.
class TDatabase_Location_Form final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TDatabase_Location_Form)

public:
    enum Mode
    {
        SelectMode = 1, // create or open, the user chooses
        CreateMode = 2,
        OpenMode = 3
    };

    explicit TDatabase_Location_Form(QWidget *parent = nullptr);
    ~TDatabase_Location_Form() override;

    // Sets the caption, the explanation and the choice for a mode.
    void SetMode(int mode);

    // The folder of the database open while the dialog runs; empty when
    // none is open.
    QString InUseFolder;

    QLabel *TitleLabel = nullptr;
    QLabel *Explanation = nullptr;
    QLineEdit *DatabasePath = nullptr;
    QPushButton *BrowseBtn = nullptr;
    QRadioButton *Create1 = nullptr;
    QRadioButton *Open1 = nullptr;
    QPushButton *OKBtn = nullptr;
    QPushButton *CancelBtn = nullptr;
    QPushButton *HelpBtn = nullptr;

private slots:
    void DatabasePathChange(const QString &text);
    void BrowseBtnClick();
    void OKBtnClick();
    void HelpBtnClick();
};

// Runs the dialog in a mode (1 select, 2 create, 3 open) with the folder in
// use, the edit starting with databaseFolder. Returns -1 when cancelled, 1
// when a new database is to be created, 2 when an existing one is to be
// opened; on OK databaseFolder is the trimmed folder.
int ShowDatabaseLocation(int mode, const QString &inUseFolder, QString &databaseFolder,
                         QWidget *parent);

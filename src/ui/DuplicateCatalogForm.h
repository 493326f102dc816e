#pragma once

#include "platform/UserInterface.h"

#include <QDialog>

class QLabel;
class QPushButton;

// The "Duplicate Disk Catalog" question of an import: the folder already
// holds a disk catalog of the imported one's name. Four answers.
class TDuplicateCatalogForm final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TDuplicateCatalogForm)

public:
    TDuplicateCatalogForm(const QString &catalogName, const QString &folderPath,
                          QWidget *parent = nullptr);
    ~TDuplicateCatalogForm() override;

    // The answer given; Abort when the window was closed otherwise.
    DuplicateCatalogAnswer Answer() const { return m_answer; }

    QLabel *CatalogName = nullptr;
    QLabel *FolderName = nullptr;
    QLabel *Message = nullptr;
    QPushButton *YesBtn = nullptr;
    QPushButton *YesToAllBtn = nullptr;
    QPushButton *NoBtn = nullptr;
    QPushButton *AbortBtn = nullptr;

private:
    void Answered(DuplicateCatalogAnswer answer);

    DuplicateCatalogAnswer m_answer = DuplicateCatalogAnswer::Abort;
};

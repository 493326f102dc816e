#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class ListViewStack;
class TDataShare;
class TItemTree;

// The "Comments" dialog: the free-text comment of one catalog object or one
// cataloged file, with the entry's large picture and name. OK writes only a
// text the user changed; an object's comment stamps its Modified by the
// class rule of the date writes, a file's leaves the file's dates alone.
class TComments_Form final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TComments_Form)

public:
    explicit TComments_Form(TDataShare &data, QWidget *parent = nullptr);
    ~TComments_Form() override;

    // The entry: an image index below 31 is an object's class and number its
    // ID; 31 and up is a file and number its Key. False when it is gone.
    bool SetEntry(int imageIndex, qint64 number);
    // Writes the comment when the user changed it; true when it wrote.
    bool WriteComment();

    QPlainTextEdit *Comments = nullptr;
    QPushButton *Button1 = nullptr;
    QPushButton *Button2 = nullptr;
    QPushButton *HelpBtn = nullptr;

private:
    TDataShare &m_data;
    QLabel *FileIcon = nullptr;
    QLabel *FileName = nullptr;
    QLabel *CommentLabel = nullptr;
    int m_imageIndex = -1;
    qint64 m_number = -1;
};

// Runs the comments dialog for the list's selected entry (from-list set) or
// the tree's selected node. The caller holds the transaction. Returns
// whether a comment was written.
bool ShowComments(bool fromList, TItemTree *tree, ListViewStack *list, TDataShare &data,
                  QWidget *parent);

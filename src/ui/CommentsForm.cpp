#include "ui/CommentsForm.h"

#include "platform/ListSort.h"
#include "store/CatalogRows.h"
#include "store/DataShare.h"
#include "store/ObjectOperations.h"
#include "ui/ContextHelp.h"
#include "ui/ItemTree.h"
#include "ui/ListViewStack.h"
#include "ui/ObjectIcons.h"

#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

QString FileRowName(TDataShare &data, qint64 key, bool &found)
{
    SqliteStatement &query =
        data.CatalogDatabase.Prepare(QStringLiteral("SELECT Name FROM Files WHERE Key = ?1"));
    query.Bind(1, key);
    found = query.Step();
    const QString name = found ? query.Value(0).toString() : QString();
    query.Reset();
    return name;
}

} // namespace

TComments_Form::TComments_Form(TDataShare &data, QWidget *parent)
    : QDialog(parent)
    , m_data(data)
{
    setObjectName(QStringLiteral("Comments_Form"));
    setWindowTitle(QStringLiteral("Comments"));
    setFixedSize(475, 383);

    FileIcon = new QLabel(this);
    FileIcon->setObjectName(QStringLiteral("FileIcon"));
    FileIcon->setGeometry(12, 10, 32, 32);
    FileName = new QLabel(this);
    FileName->setObjectName(QStringLiteral("FileName"));
    FileName->setTextFormat(Qt::PlainText);
    FileName->setGeometry(60, 16, 400, 20);
    auto *bevel = new QFrame(this);
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    bevel->setGeometry(12, 50, 451, 2);
    CommentLabel = new QLabel(QStringLiteral("Comments:"), this);
    CommentLabel->setObjectName(QStringLiteral("CommentLabel"));
    QFont bold = CommentLabel->font();
    bold.setBold(true);
    CommentLabel->setFont(bold);
    CommentLabel->setGeometry(12, 58, 200, 18);
    Comments = new QPlainTextEdit(this);
    Comments->setObjectName(QStringLiteral("Comments"));
    Comments->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Comments->setGeometry(12, 78, 449, 262);

    const int buttonTop = 348;
    const int buttonWidth = 88;
    const int buttonHeight = 27;
    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("Cancel"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    HelpBtn = new QPushButton(QStringLiteral("Help"), this);
    HelpBtn->setObjectName(QStringLiteral("HelpBtn"));
    const int right = 463;
    HelpBtn->setGeometry(right - buttonWidth, buttonTop, buttonWidth, buttonHeight);
    Button2->setGeometry(right - 2 * buttonWidth - 8, buttonTop, buttonWidth, buttonHeight);
    Button1->setGeometry(right - 3 * buttonWidth - 16, buttonTop, buttonWidth, buttonHeight);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpBtn, &QPushButton::clicked, this, &EnterContextHelp);
    Comments->setWhatsThis(QStringLiteral("The comment of the entry: free text that is kept "
                                          "with the catalog and shown in the list."));
}

TComments_Form::~TComments_Form() = default;

bool TComments_Form::SetEntry(int imageIndex, qint64 number)
{
    QString name;
    QString comment;
    if (imageIndex >= kFirstFileImage) {
        bool found = false;
        name = FileRowName(m_data, number, found);
        if (!found)
            return false;
        comment = GetFileComment(m_data, number);
    } else {
        if (ObjectClass(m_data, number) < 0)
            return false;
        name = GetObjectName(m_data, number);
        comment = GetObjectComment(m_data, number);
    }
    m_imageIndex = imageIndex;
    m_number = number;
    FileName->setText(name);
    FileIcon->setPixmap(ObjectPixmap(imageIndex, 32));
    Comments->setPlainText(comment);
    Comments->document()->setModified(false);
    return true;
}

bool TComments_Form::WriteComment()
{
    if (m_number < 0 || !Comments->document()->isModified())
        return false;
    const QString text = Comments->toPlainText();
    return m_imageIndex >= kFirstFileImage ? WriteFileComment(m_data, m_number, text)
                                           : WriteObjectComment(m_data, m_number, text);
}

bool ShowComments(bool fromList, TItemTree *tree, ListViewStack *list, TDataShare &data,
                  QWidget *parent)
{
    int imageIndex = -1;
    qint64 number = -1;
    if (fromList) {
        const QList<ListEntry> selected = list->SelectedEntries();
        if (selected.isEmpty())
            return false;
        imageIndex = selected.first().imageIndex;
        number = selected.first().data;
    } else {
        imageIndex = tree->SelectedClass();
        number = tree->SelectedID();
    }
    if (number < 0)
        return false;
    TComments_Form dialog(data, parent);
    if (!dialog.SetEntry(imageIndex, number))
        return false;
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return dialog.WriteComment();
}

#include "ui/DuplicateCatalogForm.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

TDuplicateCatalogForm::TDuplicateCatalogForm(const QString &catalogName, const QString &folderPath,
                                             QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Duplicate_Catalog_Form"));
    setWindowTitle(QStringLiteral("Duplicate Disk Catalog"));

    auto *icon = new QLabel(this);
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(iconSize));
    icon->setAlignment(Qt::AlignTop);

    auto *names = new QGridLayout;
    names->addWidget(new QLabel(QStringLiteral("Catalog:"), this), 0, 0);
    CatalogName = new QLabel(catalogName, this);
    CatalogName->setObjectName(QStringLiteral("CatalogName"));
    names->addWidget(CatalogName, 0, 1);
    names->addWidget(new QLabel(QStringLiteral("Folder:"), this), 1, 0);
    FolderName = new QLabel(folderPath, this);
    FolderName->setObjectName(QStringLiteral("FolderName"));
    names->addWidget(FolderName, 1, 1);
    names->setColumnStretch(1, 1);
    for (QLabel *label : {CatalogName, FolderName}) {
        label->setTextFormat(Qt::PlainText);
        QFont bold = label->font();
        bold.setBold(true);
        label->setFont(bold);
    }

    Message = new QLabel(DuplicateCatalogText(catalogName), this);
    Message->setObjectName(QStringLiteral("Message"));
    Message->setTextFormat(Qt::PlainText);
    Message->setWordWrap(true);
    Message->setMinimumWidth(360);

    auto *text = new QVBoxLayout;
    text->addLayout(names);
    text->addSpacing(8);
    text->addWidget(Message);
    auto *top = new QHBoxLayout;
    top->addWidget(icon);
    top->addSpacing(8);
    top->addLayout(text, 1);

    YesBtn = new QPushButton(QStringLiteral("&Yes"), this);
    YesToAllBtn = new QPushButton(QStringLiteral("&Yes to All"), this);
    NoBtn = new QPushButton(QStringLiteral("&No"), this);
    AbortBtn = new QPushButton(QStringLiteral("&Abort"), this);
    YesBtn->setObjectName(QStringLiteral("YesBtn"));
    YesToAllBtn->setObjectName(QStringLiteral("YesToAllBtn"));
    NoBtn->setObjectName(QStringLiteral("NoBtn"));
    AbortBtn->setObjectName(QStringLiteral("AbortBtn"));
    YesBtn->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    const std::pair<QPushButton *, DuplicateCatalogAnswer> answers[] = {
        {YesBtn, DuplicateCatalogAnswer::Yes},
        {YesToAllBtn, DuplicateCatalogAnswer::YesToAll},
        {NoBtn, DuplicateCatalogAnswer::No},
        {AbortBtn, DuplicateCatalogAnswer::Abort}};
    for (const auto &[button, answer] : answers) {
        buttons->addWidget(button);
        connect(button, &QPushButton::clicked, this, [this, answer = answer] { Answered(answer); });
    }
    buttons->addStretch(1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(12);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

TDuplicateCatalogForm::~TDuplicateCatalogForm() = default;

void TDuplicateCatalogForm::Answered(DuplicateCatalogAnswer answer)
{
    m_answer = answer;
    accept();
}

#include "explorer/ExtractForm.h"

#include "platform/SettingsStore.h"
#include "platform/UserInterface.h"
#include "store/DataShare.h"
#include "ui/ContextHelp.h"
#include "ui/DialogButtons.h"

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

TExtractForm::TExtractForm(bool extraction, SettingsStore *settings, QWidget *parent)
    : QDialog(parent)
    , m_extraction(extraction)
{
    setObjectName(QStringLiteral("ExtractForm"));
    setWindowTitle(m_extraction ? QStringLiteral("Extract Selected Items")
                                : QStringLiteral("Restore Selected Items"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    auto *group = new QGroupBox(QStringLiteral("&Destination Folder"), this);
    FolderEdit = new QLineEdit(group);
    FolderEdit->setObjectName(QStringLiteral("FolderEdit"));
    FolderEdit->setMinimumWidth(320);
    FolderEdit->setWhatsThis(QStringLiteral("The folder the selected items are written to, with "
                                            "their folders below it."));
    BrowseBtn = new QToolButton(group);
    BrowseBtn->setObjectName(QStringLiteral("BrowseBtn"));
    BrowseBtn->setText(QStringLiteral("..."));
    auto *folderRow = new QHBoxLayout(group);
    folderRow->addWidget(FolderEdit);
    folderRow->addWidget(BrowseBtn);

    OverwriteBox =
        new QCheckBox(QStringLiteral("&Overwrite existing files without Confirmation"), this);
    OverwriteBox->setObjectName(QStringLiteral("OverwriteBox"));
    OverwriteBox->setWhatsThis(QStringLiteral("Replaces files of the same name in the destination "
                                              "folder without asking first."));

    const DialogButtons buttons = MakeDialogButtons(this);
    OKBtn = buttons.accept;
    CancelBtn = buttons.cancel;
    HelpBtn = buttons.help;

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(OverwriteBox);
    layout->addLayout(buttons.row);
    setFixedSize(sizeHint());

    if (settings) {
        const ExtractOptions options = ReadExtractOptions(*settings);
        FolderEdit->setText(options.folder);
        OverwriteBox->setChecked(options.overwrite);
    }
    connect(BrowseBtn, &QToolButton::clicked, this, &TExtractForm::BrowseClick);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpBtn, &QPushButton::clicked, this, &EnterContextHelp);
}

TExtractForm::~TExtractForm() = default;

ExtractOptions TExtractForm::Options() const
{
    return {FolderEdit->text(), OverwriteBox->isChecked()};
}

void TExtractForm::BrowseClick()
{
    const QString folder = UI().ChooseFolder(
        m_extraction ? QStringLiteral("Select Destination Folder for Extracted Files(s)")
                     : QStringLiteral("Select Destination Folder for Restored File(s)"),
        FolderEdit->text().trimmed());
    if (!folder.isEmpty())
        FolderEdit->setText(QDir::toNativeSeparators(folder));
}

void ExtractOrRestore(TDataShare &data, const QList<ListEntry> &entries, bool extraction,
                      QWidget *parent)
{
    const std::optional<ExtractRequest> request = BuildExtractRequest(data, entries, extraction);
    if (!request)
        return;
    TExtractForm dialog(extraction, data.Settings(), parent);
    while (dialog.exec() == QDialog::Accepted) {
        if (RunExtractRequest(data, *request, dialog.Options(), data.Settings()) !=
            ExtractOutcome::Failed)
            return;
    }
}

#include "explorer/ArchiveFilesForm.h"

#include "archive/ArchivePool.h"
#include "platform/SettingsStore.h"
#include "platform/UserInterface.h"
#include "store/DataShare.h"
#include "ui/ContextHelp.h"
#include "ui/DialogButtons.h"
#include "ui/NodeSelectionForm.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

constexpr int kMinimumWidth = 420;

QLabel *BuddyLabel(const QString &text, QWidget *buddy)
{
    auto *label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

QPushButton *BrowseButton(const QString &name, const QLineEdit *beside)
{
    auto *button = new QPushButton(QStringLiteral("..."));
    button->setObjectName(name);
    const int side = beside->sizeHint().height() + 1;
    button->setFixedSize(side, side);
    return button;
}

template<typename Widget>
Widget *Named(Widget *widget, const QString &name)
{
    widget->setObjectName(name);
    return widget;
}

} // namespace

TArchiveFilesForm::TArchiveFilesForm(TDataShare &data, const QString &selectionList,
                                     QWidget *parent)
    : QDialog(parent)
    , m_data(data)
    , m_selectionList(selectionList)
{
    setObjectName(QStringLiteral("ArchiveFiles_Form"));
    setWindowTitle(QStringLiteral("Archive Files"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setWhatsThis(QStringLiteral("Moves a folder onto a volume of the Archive Pool as one ZIP "
                                "file, and catalogs it under the chosen archive folder."));

    PageControl1 = Named(new QTabWidget, QStringLiteral("PageControl1"));
    PageControl1->addTab(BuildSettingsPage(), QStringLiteral("Archive Settings"));
    PageControl1->addTab(BuildCommentPage(), QStringLiteral("Comment"));
    PageControl1->addTab(BuildOptionsPage(), QStringLiteral("Options"));

    const DialogButtons buttons =
        MakeDialogButtons(this, QStringLiteral("OK"), QStringLiteral("OkBtn"));
    OkBtn = buttons.accept;
    CancelBtn = buttons.cancel;
    HelpBtn = buttons.help;
    auto *layout = new QVBoxLayout(this);
    setMinimumWidth(kMinimumWidth);
    layout->addWidget(PageControl1);
    layout->addLayout(buttons.row);

    NameEdit->installEventFilter(this);
    LoadOptions();
    NameEdit->setText(DefaultArchiveName());

    connect(FolderEdit, &QLineEdit::textChanged, this, &TArchiveFilesForm::FolderChanged);
    FolderChanged();
    // Every button that reaches the database runs guarded: a failure is
    // reported and the dialog carries on.
    const auto guarded = [this](void (TArchiveFilesForm::*slot)()) {
        return [this, slot] { m_data.RunGuarded([this, slot] { (this->*slot)(); }); };
    };
    connect(FolderBrowseBtn, &QPushButton::clicked, this, &TArchiveFilesForm::BrowseFolder);
    connect(DestinationBrowseBtn, &QPushButton::clicked, this,
            guarded(&TArchiveFilesForm::BrowseDestination));
    connect(WorkFolderBrowseBtn, &QPushButton::clicked, this, &TArchiveFilesForm::BrowseWorkFolder);
    connect(OkBtn, &QPushButton::clicked, this, guarded(&TArchiveFilesForm::OkClick));
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpBtn, &QPushButton::clicked, this, &EnterContextHelp);
}

TArchiveFilesForm::~TArchiveFilesForm() = default;

QWidget *TArchiveFilesForm::BuildSettingsPage()
{
    auto *page = new QWidget;
    FolderEdit = Named(new QLineEdit, QStringLiteral("FolderEdit"));
    FolderBrowseBtn = BrowseButton(QStringLiteral("FolderBrowseBtn"), FolderEdit);
    FolderGroup =
        Named(new QGroupBox(QStringLiteral("Folder to &Archive")), QStringLiteral("FolderGroup"));
    auto *folderRow = new QHBoxLayout(FolderGroup);
    folderRow->addWidget(FolderEdit, 1);
    folderRow->addWidget(FolderBrowseBtn);

    DestinationEdit = Named(new QLineEdit, QStringLiteral("DestinationEdit"));
    DestinationEdit->setReadOnly(true);
    DestinationBrowseBtn = BrowseButton(QStringLiteral("DestinationBrowseBtn"), DestinationEdit);
    NameEdit = Named(new QLineEdit, QStringLiteral("NameEdit"));
    auto *destination = new QGroupBox(QStringLiteral("&Archive Destination"));
    auto *grid = new QGridLayout(destination);
    grid->addWidget(BuddyLabel(QStringLiteral("&Folder:"), DestinationEdit), 0, 0);
    grid->addWidget(DestinationEdit, 0, 1);
    grid->addWidget(DestinationBrowseBtn, 0, 2);
    grid->addWidget(BuddyLabel(QStringLiteral("&Name:"), NameEdit), 1, 0);
    grid->addWidget(NameEdit, 1, 1, 1, 2);

    auto *layout = new QVBoxLayout(page);
    layout->addWidget(FolderGroup);
    layout->addWidget(destination);
    layout->addStretch(1);
    return page;
}

QWidget *TArchiveFilesForm::BuildCommentPage()
{
    auto *page = new QWidget;
    CommentEdit = Named(new QPlainTextEdit, QStringLiteral("CommentEdit"));
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(BuddyLabel(QStringLiteral("Archive Co&mment"), CommentEdit));
    layout->addWidget(CommentEdit, 1);
    return page;
}

QWidget *TArchiveFilesForm::BuildOptionsPage()
{
    auto *page = new QWidget;
    WorkFolderEdit = Named(new QLineEdit, QStringLiteral("WorkFolderEdit"));
    WorkFolderBrowseBtn = BrowseButton(QStringLiteral("WorkFolderBrowseBtn"), WorkFolderEdit);
    auto *workRow = new QHBoxLayout;
    workRow->addWidget(WorkFolderEdit, 1);
    workRow->addWidget(WorkFolderBrowseBtn);

    DeleteFilesBox = Named(new QCheckBox(QStringLiteral("&Delete Original Files after Archiving")),
                           QStringLiteral("DeleteFilesBox"));
    IncludeSubfoldersBox = Named(new QCheckBox(QStringLiteral("&Include Sub-Folders")),
                                 QStringLiteral("IncludeSubfoldersBox"));
    CompressBox = Named(new QCheckBox(QStringLiteral("&Compress Archived Files")),
                        QStringLiteral("CompressBox"));
    UseHardDiskBox = Named(new QCheckBox(QStringLiteral("&Use Hard Disk for Staging Archive")),
                           QStringLiteral("UseHardDiskBox"));
    auto *options = new QGroupBox(QStringLiteral("Archive Options"));
    auto *boxes = new QVBoxLayout(options);
    for (QCheckBox *box : {DeleteFilesBox, IncludeSubfoldersBox, CompressBox, UseHardDiskBox})
        boxes->addWidget(box);
    MakeDefaultBox = Named(new QCheckBox(QStringLiteral("&Make Options Default")),
                           QStringLiteral("MakeDefaultBox"));

    auto *layout = new QVBoxLayout(page);
    layout->addWidget(BuddyLabel(QStringLiteral("Archive &Work Folder:"), WorkFolderEdit));
    layout->addLayout(workRow);
    layout->addWidget(options);
    layout->addWidget(MakeDefaultBox);
    layout->addStretch(1);
    return page;
}

void TArchiveFilesForm::LoadOptions()
{
    const ArchiveOptions options = ArchiveOptions::Load(m_data.Settings());
    WorkFolderEdit->setText(options.workFolder);
    DeleteFilesBox->setChecked(options.deleteFiles);
    IncludeSubfoldersBox->setChecked(options.includeSubfolders);
    CompressBox->setChecked(options.compressFiles);
    UseHardDiskBox->setChecked(options.useHardDisk);
    if (m_selectionList.isEmpty()) {
        FolderEdit->setText(options.folder);
    } else {
        FolderGroup->setTitle(QStringLiteral("Folder Selection"));
        FolderEdit->setText(QStringLiteral("Explorer Generated"));
        FolderEdit->setEnabled(false);
        FolderBrowseBtn->setEnabled(false);
    }
    m_data.RunGuarded([&] { SetDestination(options.groupNode); });
}

// Anything but the Archives folder or an archive folder becomes "Archives".
void TArchiveFilesForm::SetDestination(qint64 id)
{
    m_destination = ArchiveDestinationOrDefault(m_data, id);
    DestinationEdit->setText(m_data.Catalogs.PathByID(m_destination, true));
}

// A folder on the pool's own disk is always staged on the local disk.
void TArchiveFilesForm::FolderChanged()
{
    if (!m_selectionList.isEmpty())
        return;
    bool onPoolDrive = false;
    m_data.RunGuarded([&] {
        onPoolDrive = FolderIsOnPoolDrive(FolderEdit->text().trimmed(),
                                          ArchiveFolderOf(ArchivePool(m_data).PoolDrive()));
    });
    if (onPoolDrive)
        UseHardDiskBox->setChecked(true);
    UseHardDiskBox->setEnabled(!onPoolDrive);
}

void TArchiveFilesForm::BrowseFolder()
{
    const QString folder =
        UI().ChooseFolder(QStringLiteral("Select Folder to be Archived"), FolderEdit->text());
    if (!folder.isEmpty())
        FolderEdit->setText(folder);
}

void TArchiveFilesForm::BrowseDestination()
{
    const qint64 id =
        SelectNode(m_data, TNodeSelectionForm::kArchiveDestination,
                   QStringLiteral("Select Archive Destination"),
                   QStringLiteral("Select the Destination Folder for the Archive"), this);
    if (id >= 0)
        SetDestination(id);
}

void TArchiveFilesForm::BrowseWorkFolder()
{
    const QString folder = UI().ChooseFolder(
        QStringLiteral("Select Folder for Temporary Work Files"), WorkFolderEdit->text());
    if (!folder.isEmpty())
        WorkFolderEdit->setText(folder);
}

bool TArchiveFilesForm::eventFilter(QObject *watched, QEvent *event)
{
    // Each keystroke of a refused character is dropped and told.
    if (watched == NameEdit && event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent *>(event)->text();
        if (!text.isEmpty() && !RefusedNameCharacterIn(text).isNull()) {
            ShowInvalidNameCharacter();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

ArchiveRequest TArchiveFilesForm::RequestFromFields() const
{
    ArchiveRequest request = ArchiveRequest::WithOptions(OptionsFromFields());
    request.name = NameEdit->text();
    request.destination = m_destination;
    request.comment = CommentEdit->toPlainText();
    return request;
}

ArchiveOptions TArchiveFilesForm::OptionsFromFields() const
{
    ArchiveOptions options;
    options.workFolder = WorkFolderEdit->text().trimmed();
    options.deleteFiles = DeleteFilesBox->isChecked();
    options.includeSubfolders = IncludeSubfoldersBox->isChecked();
    options.compressFiles = CompressBox->isChecked();
    options.useHardDisk = UseHardDiskBox->isChecked();
    options.folder = FolderEdit->text().trimmed();
    options.groupNode = m_destination;
    return options;
}

void TArchiveFilesForm::ShowProblem(ArchiveRequestProblem problem)
{
    const bool options = problem == ArchiveRequestProblem::WorkFolder;
    PageControl1->setCurrentIndex(options ? kOptionsPage : kSettingsPage);
    QLineEdit *field = options                                    ? WorkFolderEdit
                       : problem == ArchiveRequestProblem::Folder ? FolderEdit
                                                                  : NameEdit;
    field->setFocus();
    field->selectAll();
}

void TArchiveFilesForm::OkClick()
{
    ArchiveRequest request = RequestFromFields();
    QString folder = FolderEdit->text();
    const bool fromList = !m_selectionList.isEmpty();
    const ArchiveRequestProblem problem =
        CheckArchiveRequest(m_data, request, fromList ? nullptr : &folder);
    WorkFolderEdit->setText(request.workFolder);
    NameEdit->setText(request.name);
    SetDestination(request.destination);
    if (!fromList)
        FolderEdit->setText(folder);
    if (problem != ArchiveRequestProblem::None)
        return ShowProblem(problem);

    if (fromList) {
        if (!ReadSelectionList(m_selectionList, request.files, request.folders))
            return reject();
    } else {
        request.files = {folder};
    }
    // The dialog stays on screen but out of reach while the archive runs
    // (hiding a modal dialog would end it).
    setEnabled(false);
    const auto reachable = qScopeGuard([this] { setEnabled(true); });
    const ArchiveOutcome outcome = RunArchiveRequest(m_data, request);
    if (outcome == ArchiveOutcome::ListingCancelled)
        return reject();
    if (outcome != ArchiveOutcome::Archived)
        return;
    if (MakeDefaultBox->isChecked() && m_data.Settings())
        OptionsFromFields().SaveDefaults(*m_data.Settings());
    accept();
}

void TArchiveFilesForm::done(int result)
{
    if (m_selectionList.isEmpty() && m_data.Settings())
        OptionsFromFields().SaveLastChoice(*m_data.Settings());
    QDialog::done(result);
}

bool ShowArchiveFiles(TDataShare &data, const QString &selectionList, QWidget *parent)
{
    TArchiveFilesForm dialog(data, selectionList, parent);
    return dialog.exec() == QDialog::Accepted;
}

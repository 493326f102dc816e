#include "explorer/PropertiesForm.h"

#include "archive/ArchivePool.h"
#include "archive/ArchiveRequest.h"
#include "explorer/PoolVolumeList.h"
#include "media/MediaIdentification.h"
#include "platform/DisplayFormats.h"
#include "platform/FileTypes.h"
#include "platform/SettingsStore.h"
#include "platform/UserInterface.h"
#include "store/CatalogSchema.h"
#include "store/DataShare.h"
#include "ui/ContextHelp.h"
#include "ui/DialogButtons.h"
#include "ui/HandlerGuard.h"
#include "ui/MenuBuilding.h"
#include "ui/ObjectIcons.h"
#include "ui/ViewModeIcons.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStorageInfo>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace CatalogSchema;

namespace {

const QString kOptionsSection = QStringLiteral("Archive Options");
constexpr int kLargeImageSize = 32;
constexpr int kMaxLabelLength = 12;

QLabel *PlainLabel(QWidget *parent, const QString &text = {})
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLabel *BoldCaption(const QString &text, QWidget *parent)
{
    QLabel *label = PlainLabel(parent, text);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

// The four attribute boxes of the file page, disabled, set from the bits.
QWidget *AttributeBoxes(int bits, QWidget *parent)
{
    auto *boxes = new QWidget(parent);
    auto *row = new QHBoxLayout(boxes);
    row->setContentsMargins(0, 0, 0, 0);
    const std::pair<int, const char *> kBoxes[] = {{FileAttribute::ReadOnly, "Read-only"},
                                                   {FileAttribute::Hidden, "Hidden"},
                                                   {FileAttribute::System, "System"},
                                                   {FileAttribute::Archive, "Archive"}};
    for (const auto &[bit, caption] : kBoxes) {
        auto *box = new QCheckBox(QString::fromLatin1(caption), boxes);
        box->setObjectName(QString::fromLatin1(caption));
        box->setChecked(bits & bit);
        box->setEnabled(false);
        row->addWidget(box);
    }
    row->addStretch();
    return boxes;
}

} // namespace

TProperties_Form::TProperties_Form(TDataShare &data, QWidget *parent)
    : QDialog(parent)
    , m_data(data)
{
    setObjectName(QStringLiteral("Properties_Form"));
    setWindowTitle(QStringLiteral("Properties"));
    resize(500, 470);
    auto *layout = new QVBoxLayout(this);
    Tabs = new QTabWidget(this);
    Tabs->setObjectName(QStringLiteral("Tabs"));
    layout->addWidget(Tabs);
    Tabs->addTab(BuildPropertiesTab(), QStringLiteral("Properties"));
    m_detailsTab = BuildDetailsTab();
    Tabs->addTab(m_detailsTab, QStringLiteral("Details"));
    m_poolTab = BuildPoolTab();
    Tabs->addTab(m_poolTab, QStringLiteral("Archive Pool"));
    m_defaultsTab = BuildDefaultsTab();
    Tabs->addTab(m_defaultsTab, QStringLiteral("Default Settings"));

    const DialogButtons buttons = MakeDialogButtons(this);
    OKBtn = buttons.accept;
    CancelBtn = buttons.cancel;
    HelpBtn = buttons.help;
    layout->addLayout(buttons.row);
    connect(OKBtn, &QPushButton::clicked, this, Guarded(m_data, this, &TProperties_Form::OkClick));
    connect(CancelBtn, &QPushButton::clicked, this,
            Guarded(m_data, this, &TProperties_Form::CancelClick));
    connect(HelpBtn, &QPushButton::clicked, this, &EnterContextHelp);
}

TProperties_Form::~TProperties_Form() = default;

QWidget *TProperties_Form::BuildPropertiesTab()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    auto *header = new QFormLayout;
    m_headerForm = header;
    m_type = PlainLabel(page);
    m_location = PlainLabel(page);
    m_location->setWordWrap(true);
    header->addRow(BoldCaption(QStringLiteral("Type:"), page), m_type);
    header->addRow(BoldCaption(QStringLiteral("Location:"), page), m_location);
    m_sourceRow = new QWidget(page);
    auto *source = new QHBoxLayout(m_sourceRow);
    source->setContentsMargins(0, 0, 0, 0);
    SourceEdit = new QLineEdit(m_sourceRow);
    SourceEdit->setObjectName(QStringLiteral("SourceEdit"));
    m_sourceBrowse = new QPushButton(QStringLiteral("..."), m_sourceRow);
    m_sourceBrowse->setFixedWidth(28);
    m_sourceText = PlainLabel(m_sourceRow);
    source->addWidget(SourceEdit);
    source->addWidget(m_sourceBrowse);
    source->addWidget(m_sourceText, 1);
    header->addRow(BoldCaption(QStringLiteral("Source:"), page), m_sourceRow);
    auto *top = new QHBoxLayout;
    m_image = new QLabel(page);
    m_image->setFixedSize(kLargeImageSize, kLargeImageSize);
    top->addWidget(m_image, 0, Qt::AlignTop);
    top->addLayout(header, 1);
    layout->addLayout(top);
    auto *bevel = new QFrame(page);
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    layout->addWidget(bevel);
    StatisticsTitle = BoldCaption(QString(), page);
    StatisticsTitle->setObjectName(QStringLiteral("StatisticsTitle"));
    layout->addWidget(StatisticsTitle);
    m_statisticsForm = new QFormLayout;
    layout->addLayout(m_statisticsForm);
    DatabaseFiles = new QTreeWidget(page);
    DatabaseFiles->setObjectName(QStringLiteral("DatabaseFiles"));
    DatabaseFiles->setRootIsDecorated(false);
    DatabaseFiles->setHeaderLabels(
        {QStringLiteral("Database File"), QStringLiteral("Size"), QStringLiteral("Last Modified")});
    DatabaseFiles->hide();
    layout->addWidget(DatabaseFiles, 1);
    layout->addStretch();
    connect(m_sourceBrowse, &QPushButton::clicked, this, &TProperties_Form::BrowseSource);
    return page;
}

QWidget *TProperties_Form::BuildDetailsTab()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    auto *top = new QHBoxLayout;
    m_detailsImage = new QLabel(page);
    m_detailsImage->setFixedSize(kLargeImageSize, kLargeImageSize);
    m_detailsName = PlainLabel(page);
    top->addWidget(m_detailsImage);
    top->addWidget(m_detailsName, 1);
    layout->addLayout(top);
    layout->addWidget(BoldCaption(QStringLiteral("Comments:"), page));
    CommentsMemo = new QPlainTextEdit(page);
    CommentsMemo->setObjectName(QStringLiteral("CommentsMemo"));
    layout->addWidget(CommentsMemo, 1);
    auto *catalog = new QFormLayout;
    m_catalogCaption = BoldCaption(QStringLiteral("Stored in Catalog:"), page);
    m_catalogName = PlainLabel(page);
    catalog->addRow(m_catalogCaption, m_catalogName);
    m_labelCaption = BoldCaption(QStringLiteral("Disk Label:"), page);
    auto *label = new QWidget(page);
    auto *labelRow = new QHBoxLayout(label);
    labelRow->setContentsMargins(0, 0, 0, 0);
    LabelEdit = new QLineEdit(label);
    LabelEdit->setObjectName(QStringLiteral("LabelEdit"));
    LabelEdit->setMaxLength(kMaxLabelLength);
    m_labelText = PlainLabel(label);
    labelRow->addWidget(LabelEdit);
    labelRow->addWidget(m_labelText, 1);
    catalog->addRow(m_labelCaption, label);
    layout->addLayout(catalog);
    return page;
}

QWidget *TProperties_Form::BuildPoolTab()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    auto *poolCaption = new QLabel(QStringLiteral("&Volume Pool"), page);
    layout->addWidget(poolCaption);
    auto *views = new QToolBar(page);
    views->setIconSize(QSize(16, 16));
    m_poolViewButtons = {
        ToolbarAction(this, "IconViewLargeBtn", ViewModeIcon(0), "Large Icon View|"),
        ToolbarAction(this, "IconViewSmallBtn", ViewModeIcon(1), "Small Icon View|"),
        ToolbarAction(this, "IconViewListBtn", ViewModeIcon(2), "List View|"),
        ToolbarAction(this, "IconViewDetailBtn", ViewModeIcon(3), "Detail View|")};
    MakeExclusive(this, {m_poolViewButtons[0], m_poolViewButtons[1], m_poolViewButtons[2],
                         m_poolViewButtons[3]});
    views->addActions(m_poolViewButtons);
    layout->addWidget(views);
    VolumeList = new PoolVolumeList(page);
    poolCaption->setBuddy(VolumeList);
    layout->addWidget(VolumeList, 1);
    auto *buttons = new QHBoxLayout;
    AddBtn = new QPushButton(QStringLiteral("&Add "), page);
    FreeBtn = new QPushButton(QStringLiteral("&Free"), page);
    RemoveBtn = new QPushButton(QStringLiteral("&Remove "), page);
    MergeBtn = new QPushButton(QStringLiteral("&Merge"), page);
    for (QPushButton *button : {AddBtn, FreeBtn, RemoveBtn, MergeBtn})
        buttons->addWidget(button);
    layout->addLayout(buttons);
    auto *drive = new QFormLayout;
    DriveBox = new QComboBox(page);
    DriveBox->setObjectName(QStringLiteral("DriveBox"));
    drive->addRow(QStringLiteral("Destination Archive &Drive"), DriveBox);
    layout->addLayout(drive);
    connect(VolumeList, &PoolVolumeList::SelectionChanged, this,
            Guarded(m_data, this, &TProperties_Form::UpdatePoolButtons));
    connect(AddBtn, &QPushButton::clicked, this,
            Guarded(m_data, this, &TProperties_Form::AddClick));
    connect(FreeBtn, &QPushButton::clicked, this,
            Guarded(m_data, this, &TProperties_Form::FreeClick));
    connect(RemoveBtn, &QPushButton::clicked, this,
            Guarded(m_data, this, &TProperties_Form::RemoveClick));
    connect(MergeBtn, &QPushButton::clicked, this,
            Guarded(m_data, this, &TProperties_Form::MergeClick));
    BuildPoolPopup();
    connect(VolumeList, &PoolVolumeList::PopupRequested, this,
            Guarded(m_data, this, &TProperties_Form::ShowPoolMenu));
    for (int view = 0; view < m_poolViewButtons.size(); ++view) {
        for (QAction *action : {m_poolViewButtons[view], m_poolViewItems[view]})
            connect(action, &QAction::triggered, this, [this, view] { SetPoolIconView(view); });
    }
    // activated: only the user's choice, not the box being filled.
    connect(DriveBox, &QComboBox::activated, this,
            Guarded(m_data, this, &TProperties_Form::DriveChosen));
    return page;
}

QWidget *TProperties_Form::BuildDefaultsTab()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    auto *options = new QGroupBox(QStringLiteral("Archive Options"), page);
    auto *boxes = new QVBoxLayout(options);
    m_includeSubfolders = new QCheckBox(QStringLiteral("Select to &Include Sub-Folders"), options);
    m_compressFiles = new QCheckBox(QStringLiteral("Select to &Compress Archived Files"), options);
    m_useHardDisk =
        new QCheckBox(QStringLiteral("Select to &Use Hard Disk for Staging Archive"), options);
    m_deleteFiles =
        new QCheckBox(QStringLiteral("Select to &Delete Original Files after Archiving"), options);
    for (QCheckBox *box : {m_includeSubfolders, m_compressFiles, m_useHardDisk, m_deleteFiles})
        boxes->addWidget(box);
    layout->addWidget(options);
    auto *work = new QGroupBox(QStringLiteral("Archive &Work Folder:"), page);
    auto *row = new QHBoxLayout(work);
    WorkFolderEdit = new QLineEdit(work);
    WorkFolderEdit->setObjectName(QStringLiteral("WorkFolderEdit"));
    auto *browse = new QPushButton(QStringLiteral("..."), work);
    browse->setFixedWidth(28);
    row->addWidget(WorkFolderEdit);
    row->addWidget(browse);
    layout->addWidget(work);
    layout->addStretch();
    connect(browse, &QPushButton::clicked, this, &TProperties_Form::BrowseWorkFolder);
    return page;
}

bool TProperties_Form::SetSubject(bool file, qint64 number, bool openOnPool)
{
    if (!ReadPropertiesDetails(m_data, file, number, m_details))
        return false;
    m_layout = PropertiesLayoutOf(m_details.cls, file);
    const int image = file ? FileIconIndex(m_details.name) : m_details.cls;
    m_image->setPixmap(ObjectPixmap(image, kLargeImageSize));
    m_detailsImage->setPixmap(ObjectPixmap(image, kLargeImageSize));
    m_type->setText(m_details.typeName);
    m_location->setText(m_details.location);
    m_detailsName->setText(m_details.name);
    CommentsMemo->setPlainText(m_details.comment);

    SourceEdit->setText(m_details.source);
    m_sourceText->setText(m_details.source);
    SourceEdit->setVisible(m_details.sourceEditable);
    m_sourceBrowse->setVisible(m_details.sourceEditable);
    m_sourceText->setVisible(!m_details.sourceEditable);
    // A label longer than the edit allows, as some file systems write, stays whole.
    LabelEdit->setMaxLength(qMax(kMaxLabelLength, int(m_details.label.size())));
    LabelEdit->setText(m_details.label);
    m_labelText->setText(m_details.label);
    LabelEdit->setVisible(m_details.labelEditable);
    m_labelText->setVisible(!m_details.labelEditable);
    // Without a catalog the comment takes the room of the catalog lines.
    for (QWidget *line :
         {static_cast<QWidget *>(m_catalogCaption), static_cast<QWidget *>(m_catalogName),
          static_cast<QWidget *>(m_labelCaption), LabelEdit->parentWidget()})
        line->setVisible(m_details.inCatalog);
    m_headerForm->setRowVisible(m_sourceRow, m_details.inCatalog);
    m_catalogName->setText(m_details.catalogName);

    if (!m_layout.poolTabs) {
        Tabs->removeTab(Tabs->indexOf(m_defaultsTab));
        Tabs->removeTab(Tabs->indexOf(m_poolTab));
    } else {
        LoadArchiveOptions();
        FillVolumeList();
        FillDriveBox(ArchivePool(m_data).PoolDrive());
    }
    if (!m_layout.detailsTab)
        Tabs->removeTab(Tabs->indexOf(m_detailsTab));
    if (m_layout.viewOnly) {
        OKBtn->hide();
        CancelBtn->setText(QStringLiteral("OK"));
        CancelBtn->setDefault(true);
    }
    if (openOnPool && m_layout.poolTabs)
        Tabs->setCurrentWidget(m_poolTab);
    FillStatisticsPage();
    return true;
}

void TProperties_Form::FillStatisticsPage()
{
    m_statistics = InitialStatistics(m_details);
    StatisticsTitle->setText(m_layout.pageTitle);
    StatisticsTitle->setVisible(!m_layout.pageTitle.isEmpty());
    if (m_layout.page == StatisticsPageKind::File)
        m_statistics.lines.removeLast(); // the attributes show as boxes
    for (const StatisticsLine &line : m_statistics.lines) {
        QLabel *value = PlainLabel(this, line.value);
        value->setObjectName(line.caption);
        m_values.append(value);
        m_statisticsForm->addRow(BoldCaption(line.caption, this), value);
    }
    if (m_layout.page == StatisticsPageKind::File) {
        m_statisticsForm->addRow(BoldCaption(QStringLiteral("Attributes:"), this),
                                 AttributeBoxes(m_details.cls, this));
    }
    DatabaseFiles->setVisible(m_layout.page == StatisticsPageKind::Database);
}

void TProperties_Form::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_started)
        return;
    m_started = true;
    QTimer::singleShot(0, this, Guarded(m_data, this, &TProperties_Form::ComputeStatisticsNow));
}

void TProperties_Form::ComputeStatisticsNow()
{
    m_started = true;
    m_running = true;
    UI().SetCancelled(false);
    ComputeStatistics(m_data, m_details, m_statistics, [this] { ShowStatistics(); });
    m_running = false;
    ShowStatistics();
    if (m_okPending) {
        // The flag stopped the walk; the device check must not read it as a cancel.
        m_okPending = false;
        UI().SetCancelled(false);
        OkClick();
    }
}

void TProperties_Form::ShowStatistics()
{
    for (qsizetype i = 0; i < m_values.size() && i < m_statistics.lines.size(); ++i)
        m_values[i]->setText(m_statistics.lines[i].value);
    if (m_layout.page != StatisticsPageKind::Database || !DatabaseFiles->isVisible())
        return;
    DatabaseFiles->clear();
    for (const DatabaseFileEntry &file : m_statistics.databaseFiles) {
        DatabaseFiles->addTopLevelItem(new QTreeWidgetItem(
            {file.name, SizeText(file.size, false), DateTimeText(file.modified)}));
    }
    DatabaseFiles->resizeColumnToContents(0);
}

void TProperties_Form::FillVolumeList()
{
    VolumeList->SetVolumes(ArchivePool(m_data).Volumes());
    UpdatePoolButtons();
}

void TProperties_Form::FillDriveBox(const QString &poolDrive)
{
    DriveBox->clear();
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        // Archives are written there: read-only media and mounted files are no choice.
        if (!volume.isReadOnly() && QFileInfo(volume.rootPath()).isDir())
            DriveBox->addItem(volume.rootPath(), volume.rootPath());
    }
    DriveBox->addItem(QStringLiteral("Other Folder..."), QString());
    SelectDrive(poolDrive);
}

void TProperties_Form::SelectDrive(const QString &drive)
{
    if (drive.isEmpty()) {
        DriveBox->setCurrentIndex(0);
    } else {
        int index = DriveBox->findData(drive);
        if (index < 0) {
            index = DriveBox->count() - 1; // before the browse entry
            DriveBox->insertItem(index, drive, drive);
        }
        DriveBox->setCurrentIndex(index);
    }
    UpdatePoolButtons();
}

QString TProperties_Form::ChosenDrive() const
{
    return DriveBox->currentData().toString();
}

qint64 TProperties_Form::SelectedVolumeId() const
{
    return VolumeList->SelectedVolumeId();
}

void TProperties_Form::UpdatePoolButtons()
{
    const bool selected = SelectedVolumeId() != 0;
    const bool hasDrive = !ChosenDrive().isEmpty();
    AddBtn->setEnabled(hasDrive);
    MergeBtn->setEnabled(hasDrive);
    FreeBtn->setEnabled(selected && VolumeList->Count() > 1);
    RemoveBtn->setEnabled(selected);
}

void TProperties_Form::BuildPoolPopup()
{
    PoolPopup = new QMenu(this);
    PoolPopup->setObjectName(QStringLiteral("PoolPopup"));
    QMenu *views = PoolPopup->addMenu(QStringLiteral("&View"));
    const auto [large, small, list, detail] = AddViewModeItems(this, views, '1');
    m_poolViewItems = {large, small, list, detail};
    const std::pair<const char *, int> sorts[] = {
        {"by &Volume", PoolVolumeList::kVolumeColumn},
        {"by &Pecent Used", PoolVolumeList::kPercentColumn},
        {"by &Free Space", PoolVolumeList::kFreeColumn}};
    for (const auto &[caption, column] : sorts) {
        QAction *sort = PoolPopup->addAction(QString::fromLatin1(caption));
        connect(sort, &QAction::triggered, this,
                [this, column] { VolumeList->SortByColumn(column); });
    }
    PoolPopup->addSeparator();
    // The items do what the buttons do, and only when the buttons may.
    for (QPushButton *button : {FreeBtn, RemoveBtn}) {
        QAction *action = PoolPopup->addAction(button->text());
        connect(action, &QAction::triggered, button, &QPushButton::click);
        connect(PoolPopup, &QMenu::aboutToShow, action,
                [action, button] { action->setEnabled(button->isEnabled()); });
    }
}

void TProperties_Form::ShowPoolMenu(const QPoint &globalPosition)
{
    PoolPopup->exec(globalPosition);
}

void TProperties_Form::SetPoolIconView(int view)
{
    if (view < ListViewStack::kLargeIcons || view > ListViewStack::kDetailView)
        view = ListViewStack::kLargeIcons;
    VolumeList->SetIconView(view);
    m_poolViewButtons[view]->setChecked(true);
    m_poolViewItems[view]->setChecked(true);
}

void TProperties_Form::DriveChosen(int index)
{
    ArchivePool pool(m_data);
    const QString stored = pool.PoolDrive();
    QString drive = DriveBox->itemData(index).toString();
    if (drive.isEmpty()) {
        drive = UI().ChooseFolder(QStringLiteral("Select Archive Destination Folder"), stored);
        if (drive.isEmpty()) {
            SelectDrive(stored);
            return;
        }
    }
    drive = QDir::cleanPath(drive);
    if (drive != stored) {
        // Without volumes nothing can become unusable, so nothing is asked.
        m_data.RunUserCommand([&] { pool.ChangePoolDrive(drive); });
    }
    const QString now = pool.PoolDrive();
    SelectDrive(now.isEmpty() ? drive : now);
}

void TProperties_Form::RunOnPool(const std::function<void()> &operation)
{
    setEnabled(false);
    operation();
    setEnabled(true);
    FillVolumeList();
    SelectDrive(ArchivePool(m_data).PoolDrive());
}

void TProperties_Form::AddClick()
{
    const QString drive = ChosenDrive();
    RunOnPool([&] { m_data.RunUserCommand([&] { ArchivePool(m_data).AddVolume(drive); }); });
}

void TProperties_Form::FreeClick()
{
    const qint64 volume = SelectedVolumeId();
    QString workFolder = WorkFolderEdit->text().trimmed();
    if (workFolder.isEmpty())
        workFolder = QDir::tempPath();
    // Free commits each set as it moves, so it runs outside a transaction.
    RunOnPool([&] { ArchivePool(m_data).FreeVolume(volume, workFolder); });
}

void TProperties_Form::RemoveClick()
{
    const qint64 volume = SelectedVolumeId();
    RunOnPool([&] { m_data.RunUserCommand([&] { ArchivePool(m_data).RemoveVolume(volume); }); });
}

void TProperties_Form::MergeClick()
{
    const QString drive = ChosenDrive();
    RunOnPool([&] {
        m_data.RunUserCommand([&] {
            ArchivePool pool(m_data);
            if (pool.PoolDrive().isEmpty())
                pool.SetPoolDrive(drive);
            pool.MergeVolume(drive);
        });
    });
}

void TProperties_Form::LoadArchiveOptions()
{
    SettingsStore *settings = m_data.Settings();
    if (!settings)
        return;
    const ArchiveOptions options = ArchiveOptions::Load(settings);
    WorkFolderEdit->setText(options.workFolder);
    m_includeSubfolders->setChecked(options.includeSubfolders);
    m_compressFiles->setChecked(options.compressFiles);
    m_useHardDisk->setChecked(options.useHardDisk);
    m_deleteFiles->setChecked(options.deleteFiles);
    SetPoolIconView(int(settings->ReadInteger(kOptionsSection, QStringLiteral("Icon View"), 0)));
}

bool TProperties_Form::SaveArchiveOptions()
{
    ArchiveOptions options;
    options.workFolder = WorkFolderEdit->text();
    if (!CheckWorkFolder(options.workFolder)) {
        Tabs->setCurrentWidget(m_defaultsTab);
        WorkFolderEdit->setFocus();
        return false;
    }
    SettingsStore *settings = m_data.Settings();
    if (!settings)
        return true;
    options.includeSubfolders = m_includeSubfolders->isChecked();
    options.compressFiles = m_compressFiles->isChecked();
    options.useHardDisk = m_useHardDisk->isChecked();
    options.deleteFiles = m_deleteFiles->isChecked();
    options.SaveDefaults(*settings);
    settings->WriteInteger(kOptionsSection, QStringLiteral("Icon View"), VolumeList->IconView());
    return true;
}

void TProperties_Form::OkClick()
{
    // The walk lets events run: apply the changes once it has stopped.
    if (m_running) {
        UI().SetCancelled(true);
        m_okPending = true;
        return;
    }
    PropertiesEdits edits{CommentsMemo->toPlainText(), LabelEdit->text(), SourceEdit->text()};
    const PropertiesOutcome outcome = ApplyPropertiesEdits(m_data, m_details, edits);
    LabelEdit->setText(edits.label.isEmpty() ? kUnlabelled : edits.label);
    if (outcome == PropertiesOutcome::Saved)
        accept();
}

void TProperties_Form::CancelClick()
{
    if (m_layout.poolTabs && !SaveArchiveOptions())
        return;
    reject();
}

void TProperties_Form::done(int result)
{
    // However the dialog ends, a walk still running stops.
    if (m_running)
        UI().SetCancelled(true);
    QDialog::done(result);
}

void TProperties_Form::BrowseSource()
{
    const QString folder =
        UI().ChooseFolder(QStringLiteral("Select Catalog Source"), SourceEdit->text());
    if (!folder.isEmpty())
        SourceEdit->setText(folder);
}

void TProperties_Form::BrowseWorkFolder()
{
    const QString folder = UI().ChooseFolder(
        QStringLiteral("Select Folder for Temporary Work Files"), WorkFolderEdit->text());
    if (!folder.isEmpty())
        WorkFolderEdit->setText(folder);
}

bool ShowProperties(TDataShare &data, bool file, qint64 number, QWidget *mainWindow,
                    bool openOnPool)
{
    TProperties_Form dialog(data, mainWindow);
    if (!dialog.SetSubject(file, number, openOnPool))
        return false;
    if (mainWindow)
        dialog.move(mainWindow->geometry().left() + 40, mainWindow->geometry().top() + 60);
    UI().SetCancelled(false);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    UI().SetCancelled(false);
    return accepted;
}

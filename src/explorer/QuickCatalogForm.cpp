#include "explorer/QuickCatalogForm.h"

#include "media/CatalogMedia.h"
#include "media/CatalogNameRules.h"
#include "media/MediaIdentification.h"
#include "platform/SettingsStore.h"
#include "platform/UserInterface.h"
#include "store/DataShare.h"
#include "ui/BusyCursor.h"
#include "ui/ContextHelp.h"
#include "ui/DialogButtons.h"
#include "ui/ObjectIcons.h"

#include <QCheckBox>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTextCursor>
#include <QVBoxLayout>

namespace {

constexpr int kMaxNameLength = 255;
constexpr int kMaxCommentLength = 255;
constexpr int kCatalogPage = 0;

QLabel *BoldLabel(const QString &text)
{
    auto *label = new QLabel(text);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QLabel *BuddyLabel(const QString &text, QWidget *buddy)
{
    auto *label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

QCheckBox *NamedCheckBox(const QString &name, const QString &text)
{
    auto *box = new QCheckBox(text);
    box->setObjectName(name);
    return box;
}

} // namespace

TQuick_Catalog_Form::TQuick_Catalog_Form(TDataShare &data, CatalogOptions &options,
                                         qint64 parentFolderId, QWidget *parent)
    : QDialog(parent)
    , m_data(data)
    , m_options(options)
    , m_parentId(parentFolderId)
{
    setObjectName(QStringLiteral("Quick_Catalog_Form"));
    setWindowTitle(QStringLiteral("Catalog Disk"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setWhatsThis(QStringLiteral("Names the medium to catalog, its label and the description and "
                                "comments of the new disk catalog."));

    PageControl1 = new QTabWidget;
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->addTab(BuildCatalogPage(), QStringLiteral("Catalog"));
    PageControl1->addTab(BuildCommentsPage(), QStringLiteral("Comments"));
    PageControl1->addTab(BuildOptionsPage(), QStringLiteral("Options"));

    const DialogButtons buttons =
        MakeDialogButtons(this, QStringLiteral("Catalog"), QStringLiteral("CatalogBtn"));
    CatalogBtn = buttons.accept;
    CancelBtn = buttons.cancel;
    HelpBtn = buttons.help;

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1);
    layout->addLayout(buttons.row);

    // The browse button is square, as high as the source edit plus one.
    const int side = Catalog_Source->sizeHint().height() + 1;
    BrowseBtn->setFixedSize(side, side);
    DriveImage->setPixmap(ObjectPixmap(DriveClass::Removable, 32));

    Label_MediaID->installEventFilter(this);
    Catalog_Description->installEventFilter(this);

    connect(Catalog_Source, &QLineEdit::textChanged, this,
            &TQuick_Catalog_Form::Catalog_SourceChange);
    connect(Label_MediaID, &QLineEdit::textChanged, this,
            &TQuick_Catalog_Form::Label_MediaIDChange);
    connect(Catalog_UseSerialID, &QCheckBox::clicked, this,
            &TQuick_Catalog_Form::Catalog_UseSerialIDClick);
    connect(Catalog_Comments, &QPlainTextEdit::textChanged, this,
            &TQuick_Catalog_Form::Catalog_CommentsChange);
    connect(PageControl1, &QTabWidget::currentChanged, this,
            &TQuick_Catalog_Form::PageControl1Change);
    connect(BrowseBtn, &QPushButton::clicked, this, &TQuick_Catalog_Form::BrowseBtnClick);
    // The dialog runs inside the caller's command: a failure of the
    // cataloguing is reported and ends the dialog, and the command rolls back.
    connect(CatalogBtn, &QPushButton::clicked, this, [this] {
        if (m_data.RunGuarded([this] { CatalogBtnClick(); }))
            return;
        m_newId = -1;
        reject();
    });
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpBtn, &QPushButton::clicked, this, &TQuick_Catalog_Form::HelpBtnClick);
}

TQuick_Catalog_Form::~TQuick_Catalog_Form() = default;

QWidget *TQuick_Catalog_Form::BuildCatalogPage()
{
    auto *page = new QWidget;

    DriveImage = new QLabel;
    DriveImage->setObjectName(QStringLiteral("DriveImage"));
    DriveImage->setFixedSize(32, 32);
    Label_MediaType = new QLabel;
    Label_MediaType->setObjectName(QStringLiteral("Label_MediaType"));
    Label_ArchiveOptions = new QLabel;
    Label_ArchiveOptions->setObjectName(QStringLiteral("Label_ArchiveOptions"));

    Catalog_Source = new QLineEdit;
    Catalog_Source->setObjectName(QStringLiteral("Catalog_Source"));
    Catalog_Source->setMaxLength(kMaxNameLength);
    BrowseBtn = new QPushButton(QStringLiteral("..."));
    BrowseBtn->setObjectName(QStringLiteral("BrowseBtn"));
    Label_MediaID = new QLineEdit;
    Label_MediaID->setObjectName(QStringLiteral("Label_MediaID"));
    Catalog_UseSerialID = NamedCheckBox(QStringLiteral("Catalog_UseSerialID"),
                                        QStringLiteral("&Use Label for Description"));
    Catalog_Description = new QLineEdit;
    Catalog_Description->setObjectName(QStringLiteral("Catalog_Description"));
    Catalog_Description->setMaxLength(kMaxNameLength);

    auto *media = new QGridLayout;
    media->addWidget(BoldLabel(QStringLiteral("Catalog Media")), 0, 0);
    media->addWidget(Label_MediaType, 0, 1);
    media->addWidget(BoldLabel(QStringLiteral("File Packages:")), 1, 0);
    media->addWidget(Label_ArchiveOptions, 1, 1);
    media->setColumnStretch(1, 1);
    auto *top = new QHBoxLayout;
    top->addWidget(DriveImage, 0, Qt::AlignTop);
    top->addSpacing(8);
    top->addLayout(media, 1);

    auto *source = new QHBoxLayout;
    source->addWidget(Catalog_Source, 1);
    source->addWidget(BrowseBtn);

    auto *layout = new QVBoxLayout(page);
    layout->addLayout(top);
    layout->addSpacing(6);
    layout->addWidget(BuddyLabel(QStringLiteral("Catalog &What:"), Catalog_Source));
    layout->addLayout(source);
    layout->addWidget(BuddyLabel(QStringLiteral("Disk &Label:"), Label_MediaID));
    auto *label = new QHBoxLayout;
    label->addWidget(Label_MediaID);
    label->addSpacing(12);
    label->addWidget(Catalog_UseSerialID);
    label->addStretch(1);
    layout->addLayout(label);
    layout->addWidget(BuddyLabel(QStringLiteral("Catalog &Description:"), Catalog_Description));
    layout->addWidget(Catalog_Description);
    layout->addStretch(1);
    return page;
}

QWidget *TQuick_Catalog_Form::BuildCommentsPage()
{
    auto *page = new QWidget;
    Catalog_Comments = new QPlainTextEdit;
    Catalog_Comments->setObjectName(QStringLiteral("Catalog_Comments"));
    Catalog_Comments->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(BuddyLabel(QStringLiteral("Catalog &Comments:"), Catalog_Comments));
    layout->addWidget(Catalog_Comments, 1);
    return page;
}

QWidget *TQuick_Catalog_Form::BuildOptionsPage()
{
    auto *page = new QWidget;
    Catalog_ZIP =
        NamedCheckBox(QStringLiteral("Catalog_ZIP"), QStringLiteral("Analyse &ZIP (*.ZIP) Files"));
    Catalog_EXE = NamedCheckBox(QStringLiteral("Catalog_EXE"),
                                QStringLiteral("Analyse Self-&Extract ZIP (*.EXE) Files"));
    Catalog_ArchiveComments = NamedCheckBox(QStringLiteral("Catalog_ArchiveComments"),
                                            QStringLiteral("E&xtract Comments from File Packages"));
    Catalog_Reuse = NamedCheckBox(QStringLiteral("Catalog_Reuse"),
                                  QStringLiteral("Re-use Comments from &Matching Cataloged Files"));
    Catalog_Validate =
        NamedCheckBox(QStringLiteral("Catalog_Validate"),
                      QStringLiteral("Pre-&validate Catalog Media for Full Progress Status"));

    auto *packages = new QGroupBox(QStringLiteral("&File Packages"));
    auto *packageLayout = new QVBoxLayout(packages);
    packageLayout->addWidget(Catalog_ZIP);
    packageLayout->addWidget(Catalog_EXE);
    packageLayout->addWidget(Catalog_ArchiveComments);
    auto *options = new QGroupBox(QStringLiteral("Catalog &Options"));
    auto *optionLayout = new QVBoxLayout(options);
    optionLayout->addWidget(Catalog_Reuse);
    optionLayout->addWidget(Catalog_Validate);

    auto *layout = new QVBoxLayout(page);
    layout->addWidget(packages);
    layout->addWidget(options);
    layout->addStretch(1);
    return page;
}

void TQuick_Catalog_Form::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FirstShow();
    }
}

void TQuick_Catalog_Form::FirstShow()
{
    BusyCursor busy;
    Catalog_Description->setText(ProposedDescription);
    Catalog_UseSerialID->setChecked(m_options.useLabelForDescription);
    Catalog_ZIP->setChecked(m_options.zipFiles);
    Catalog_EXE->setChecked(m_options.exeFiles);
    Catalog_ArchiveComments->setChecked(m_options.archiveComments);
    Catalog_Validate->setChecked(m_options.validateMedia);
    Catalog_Reuse->setChecked(m_options.reuseComments);
    // Setting the text refreshes through the change signal; an unchanged
    // (empty) text does not, hence the explicit refresh.
    const bool changes = Catalog_Source->text() != Source;
    Catalog_Source->setText(Source);
    if (!changes)
        RefreshFromSource();
    Catalog_Comments->clear();
}

void TQuick_Catalog_Form::RefreshFromSource()
{
    BusyCursor busy;
    m_source = Catalog_Source->text().trimmed();
    if (m_source.isEmpty()) {
        Label_MediaType->clear();
        Label_MediaID->clear();
        Label_ArchiveOptions->clear();
        m_currentLabel.clear();
        m_mediumReady = false;
        CatalogBtn->setEnabled(false);
    } else {
        CatalogBtn->setEnabled(true);
        QString description;
        const int cls = GetDriveClass(m_source, description);
        DriveImage->setPixmap(ObjectPixmap(cls, 32));
        Label_MediaType->setText(description);
        Label_ArchiveOptions->setText(Catalog_ZIP->isChecked() || Catalog_EXE->isChecked()
                                          ? QStringLiteral("Analyse")
                                          : QStringLiteral("Don't Analyse"));
        // Looking never writes: whether the label can be changed is asked,
        // and a new label is written only at Catalog time.
        const LabelEditState label = LabelEditStateOf(m_source);
        m_currentLabel = label.label;
        m_mediumReady = label.ready;
        Label_MediaID->setMaxLength(label.maxLength);
        Label_MediaID->setText(label.label);
        Label_MediaID->setEnabled(label.writable);
    }
    ApplyLabelRules();
}

void TQuick_Catalog_Form::ApplyLabelRules()
{
    Catalog_Description->setEnabled(true);
    if (Label_MediaID->text().isEmpty()) {
        Catalog_UseSerialID->setChecked(false);
        Catalog_UseSerialID->setEnabled(false);
        return;
    }
    Catalog_UseSerialID->setEnabled(true);
    if (Catalog_UseSerialID->isChecked()) {
        Catalog_Description->setText(Label_MediaID->text());
        Catalog_Description->setEnabled(false);
    }
}

void TQuick_Catalog_Form::Catalog_SourceChange()
{
    RefreshFromSource();
}

void TQuick_Catalog_Form::Label_MediaIDChange()
{
    ApplyLabelRules();
}

void TQuick_Catalog_Form::Catalog_UseSerialIDClick()
{
    if (m_shown)
        ApplyLabelRules();
}

void TQuick_Catalog_Form::Catalog_CommentsChange()
{
    const QString text = Catalog_Comments->toPlainText();
    if (text.size() <= kMaxCommentLength)
        return;
    QSignalBlocker blocker(Catalog_Comments);
    Catalog_Comments->setPlainText(text.left(kMaxCommentLength));
    Catalog_Comments->moveCursor(QTextCursor::End);
}

void TQuick_Catalog_Form::PageControl1Change(int index)
{
    if (index == kCatalogPage && m_shown)
        RefreshFromSource();
}

bool TQuick_Catalog_Form::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress &&
        (watched == Label_MediaID || watched == Catalog_Description)) {
        // Control characters (backspace and the like) are never refused.
        if (HasRefusedNameCharacter(static_cast<QKeyEvent *>(event)->text())) {
            UI().ShowError(QStringLiteral("Invalid Character"), InvalidCharacterText());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TQuick_Catalog_Form::BrowseBtnClick()
{
    const QString folder = UI().ChooseFolder(QStringLiteral("Select Catalog Source"), m_source);
    if (!folder.isEmpty())
        Catalog_Source->setText(folder);
}

void TQuick_Catalog_Form::TakeOptions()
{
    m_options.source = m_source;
    m_options.useLabelForDescription = Catalog_UseSerialID->isChecked();
    m_options.zipFiles = Catalog_ZIP->isChecked();
    m_options.exeFiles = Catalog_EXE->isChecked();
    m_options.archiveComments = Catalog_ArchiveComments->isChecked();
    m_options.reuseComments = Catalog_Reuse->isChecked();
    m_options.validateMedia = Catalog_Validate->isChecked();
    if (SettingsStore *settings = m_data.Settings())
        m_options.Save(*settings);
}

void TQuick_Catalog_Form::CatalogBtnClick()
{
    // The refresh reads the label from the medium again; a label typed for
    // a medium that takes one is kept, as it is the one to write.
    const QString typedLabel = Label_MediaID->text();
    RefreshFromSource();
    if (Label_MediaID->isEnabled())
        Label_MediaID->setText(typedLabel);
    QString driveDescription;
    if (GetDriveClass(m_source, driveDescription) == DriveClass::NotSupported) {
        UI().ShowError(QStringLiteral("Unsupported Device"), UnsupportedDeviceText());
        return;
    }
    const QString description = Catalog_Description->text();
    if (!CatalogNamesAcceptable(description, Label_MediaID->text().trimmed(), m_currentLabel))
        return;
    QString label;
    if (!ValidateCatalogSource(description, m_source, label) ||
        !ValidateCatalogDescription(m_data, description, m_parentId))
        return;
    // A medium put in during the source check was not there to be read:
    // its label is the current one, and there was none to edit.
    if (!m_mediumReady)
        RefreshFromSource();

    CatalogRequest request;
    request.source = m_source;
    request.description = description;
    request.parentId = m_parentId;
    request.currentLabel = m_currentLabel;
    request.newLabel = Label_MediaID->text().trimmed();
    request.comment = Catalog_Comments->toPlainText();
    hide();
    TakeOptions();

    UI().ShowProgress(0);
    if (!CatalogMedia(m_data, m_options, request, &m_newId)) {
        UI().CloseProgress();
        UI().ShowError(
            QStringLiteral("Catalog Failed"),
            QStringLiteral(
                "The request to Catalog the selected media failed or was cancelled by the user."));
        m_newId = -1;
        reject();
        return;
    }
    accept();
}

void TQuick_Catalog_Form::HelpBtnClick()
{
    EnterContextHelp();
}

bool ShowCatalogDiskDialog(TDataShare &data, CatalogOptions &options, qint64 parentFolderId,
                           const QString &proposedDescription, const QString &source,
                           QWidget *parent, qint64 *newId)
{
    TQuick_Catalog_Form form(data, options, parentFolderId, parent);
    form.ProposedDescription = proposedDescription;
    form.Source = source.isEmpty() ? options.source : source;
    const bool built = form.exec() == QDialog::Accepted;
    if (newId)
        *newId = form.NewCatalogId();
    return built;
}

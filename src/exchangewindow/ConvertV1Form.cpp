#include "exchangewindow/ConvertV1Form.h"

#include "platform/SettingsStore.h"
#include "platform/UserInterface.h"
#include "store/DataShare.h"
#include "ui/BusyCursor.h"
#include "ui/ContextHelp.h"
#include "ui/DialogButtons.h"

#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kExportOptions = QStringLiteral("Export Options");
const QString kPath = QStringLiteral("Path");

} // namespace

TConvert_V1_Form::TConvert_V1_Form(SettingsStore *settings, QWidget *parent)
    : QDialog(parent)
    , m_settings(settings)
{
    setObjectName(QStringLiteral("Convert_V1_Form"));
    setWindowTitle(QStringLiteral("Dirvanta (Version 1) Import"));
    setWhatsThis(QStringLiteral("Takes over the catalogs of Dirvanta Version 1: give the "
                                "\"Volumes\" and the \"Files\" files that version exported. "
                                "Every old disk becomes a disk catalog in the folder "
                                "\"Dirvanta Version 1\" below \"Catalogs\"."));

    auto group = [&](const QString &title, const QString &text, QLineEdit *&edit,
                     QPushButton *&browse, const QString &which) {
        auto *box = new QGroupBox(title, this);
        auto *label = new QLabel(text, box);
        label->setWordWrap(true);
        edit = new QLineEdit(box);
        edit->setObjectName(which + QStringLiteral("File"));
        edit->setMinimumWidth(320);
        browse = new QPushButton(QStringLiteral("Browse..."), box);
        browse->setObjectName(which + QStringLiteral("BrowseBtn"));
        auto *row = new QHBoxLayout;
        row->addWidget(edit, 1);
        row->addWidget(browse);
        auto *layout = new QVBoxLayout(box);
        layout->addWidget(label);
        layout->addLayout(row);
        QLineEdit *target = edit;
        connect(browse, &QPushButton::clicked, this,
                [this, target, which] { Browse(target, which); });
        return box;
    };
    QGroupBox *volumes = group(
        QStringLiteral("Version 1 -- &Volumes Export File"),
        QStringLiteral("Please specify the file exported from Dirvanta (Version 1), that contains "
                       "the Volume Details."),
        VolumesFile, VolumesBrowseBtn, QStringLiteral("Volumes"));
    QGroupBox *files = group(
        QStringLiteral("Version 1 -- &Files Export File"),
        QStringLiteral("Please specify the file exported from Dirvanta (Version 1), that contains "
                       "the File Details."),
        FilesFile, FilesBrowseBtn, QStringLiteral("Files"));

    const DialogButtons buttons = MakeDialogButtons(this);
    OKBtn = buttons.accept;
    CancelBtn = buttons.cancel;
    HelpBtn = buttons.help;

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(volumes);
    layout->addWidget(files);
    layout->addLayout(buttons.row);

    connect(OKBtn, &QPushButton::clicked, this, &TConvert_V1_Form::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpBtn, &QPushButton::clicked, this, &TConvert_V1_Form::HelpBtnClick);
}

TConvert_V1_Form::~TConvert_V1_Form() = default;

void TConvert_V1_Form::Browse(QLineEdit *edit, const QString &which)
{
    const QString start = m_settings ? m_settings->ReadText(kExportOptions, kPath) : QString();
    const QString file = UI().ChooseOpenFile(
        QStringLiteral("Select Version 1 \"") + which + QStringLiteral("\" File"), start,
        QStringLiteral("Dirvanta (Version 1) Export Files (*.CXP *.cxp);;All Files (*)"));
    if (file.isEmpty())
        return;
    if (m_settings)
        m_settings->WriteText(kExportOptions, kPath, QFileInfo(file).absolutePath());
    edit->setText(file);
}

void TConvert_V1_Form::OKBtnClick()
{
    QString volumes = VolumesFile->text();
    QString files = FilesFile->text();
    V1Check check = V1Check::Ok;
    {
        BusyCursor busy;
        check = CheckV1Files(volumes, files, Temps);
    }
    VolumesFile->setText(volumes);
    FilesFile->setText(files);
    switch (check) {
    case V1Check::Ok:
        accept();
        break;
    case V1Check::VolumesFile:
        VolumesFile->setFocus();
        break;
    case V1Check::FilesFile:
        FilesFile->setFocus();
        break;
    }
}

void TConvert_V1_Form::HelpBtnClick()
{
    EnterContextHelp();
}

bool RunV1Dialog(TDataShare &data, SettingsStore *settings, QWidget *parent)
{
    TConvert_V1_Form form(settings, parent);
    struct RemoveTemps
    {
        V1TempFiles &temps;
        ~RemoveTemps() { temps.Remove(); }
    } removeTemps{form.Temps};
    if (form.exec() != QDialog::Accepted)
        return false;
    BusyCursor busy;
    return ConvertAndImportV1(data, form.Temps);
}

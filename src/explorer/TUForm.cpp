#include "explorer/TUForm.h"

#include "platform/UserInterface.h"
#include "store/DataShare.h"
#include "store/DatabaseError.h"
#include "ui/BusyCursor.h"
#include "ui/ElidedLabel.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTimer>

namespace {

// The layout, at 120 pixels per inch.
constexpr int kDialogWidth = 560;
constexpr int kRepairHeight = 320;
constexpr int kVerifyHeight = 290;
constexpr int kFinishedHeight = 250;
constexpr int kRepairGroupHeight = 145;
constexpr int kVerifyGroupHeight = 112;
constexpr int kLineHeight = 22;
constexpr int kCaptionWidth = 90;
constexpr int kMargin = 10;
constexpr int kLowerTop = 128;
constexpr int kButtonWidth = 100;
constexpr int kButtonHeight = 30;
constexpr int kPumpIntervalMs = 50;

} // namespace

TTUForm::TTUForm(TDataShare &data, bool repair, const QString &folder, QWidget *parent)
    : QDialog(parent)
    , m_data(data)
    , m_repair(repair)
    , m_folder(folder)
    , m_temporaryFolder(QDir::tempPath())
{
    setObjectName(QStringLiteral("TUForm"));
    setWindowTitle(repair ? QStringLiteral("Repairing Database")
                          : QStringLiteral("Verifying Database"));
    const int innerWidth = Scaled(kDialogWidth - 2 * kMargin);

    StatusGroup = new QGroupBox(
        repair ? QStringLiteral("Repair Status") : QStringLiteral("Verify Status"), this);
    StatusGroup->setGeometry(Scaled(kMargin), Scaled(8), innerWidth, Scaled(112));
    const auto line = [&](int row, const QString &caption, QWidget *value) {
        auto *label = new QLabel(caption, StatusGroup);
        label->setGeometry(Scaled(10), Scaled(22 + row * kLineHeight), Scaled(kCaptionWidth),
                           Scaled(kLineHeight));
        value->setParent(StatusGroup);
        value->setGeometry(Scaled(10 + kCaptionWidth), Scaled(22 + row * kLineHeight),
                           innerWidth - Scaled(20 + kCaptionWidth), Scaled(kLineHeight));
    };
    FolderName = new ElidedLabel(Qt::ElideLeft);
    FolderName->setObjectName(QStringLiteral("FolderName"));
    FolderName->setText(folder);
    // A long outcome is cut at its end; the whole of it is the line's tip.
    FolderLabel = new ElidedLabel(Qt::ElideRight);
    FolderLabel->setObjectName(QStringLiteral("FolderLabel"));
    FilesLabel = new ElidedLabel(Qt::ElideRight);
    FilesLabel->setObjectName(QStringLiteral("FilesLabel"));
    StatusLabel = new QLabel(QStringLiteral("Processing..."));
    StatusLabel->setObjectName(QStringLiteral("StatusLabel"));
    line(0, QStringLiteral("Database:"), FolderName);
    line(1, QStringLiteral("Folders:"), FolderLabel);
    line(2, QStringLiteral("Files:"), FilesLabel);
    line(3, QStringLiteral("Status:"), StatusLabel);

    ProgressGroup = new QGroupBox(QStringLiteral("Progress:"), this);
    ProgressGroup->setObjectName(QStringLiteral("ProgressGroup"));
    const auto bar = [&](int row, const QString &caption, const char *name) {
        auto *progress = new QProgressBar;
        progress->setObjectName(QLatin1String(name));
        progress->setRange(0, 100);
        auto *label = new QLabel(caption, ProgressGroup);
        label->setGeometry(Scaled(10), Scaled(22 + row * 32), Scaled(kCaptionWidth),
                           Scaled(kLineHeight));
        progress->setParent(ProgressGroup);
        progress->setGeometry(Scaled(10 + kCaptionWidth), Scaled(22 + row * 32),
                              innerWidth - Scaled(20 + kCaptionWidth), Scaled(kLineHeight));
        return progress;
    };
    PBHeader = bar(0, QStringLiteral("Header:"), "PBHeader");
    PBIndexes = bar(1, QStringLiteral("Indexes:"), "PBIndexes");
    PBData = bar(2, QStringLiteral("Data:"), "PBData");
    PBRebuild = bar(3, QStringLiteral("Repair:"), "PBRebuild");

    BackupLabel = new QLabel(this);
    BackupLabel->setObjectName(QStringLiteral("BackupLabel"));
    BackupLabel->setWordWrap(true);
    BackupLabel->setGeometry(Scaled(kMargin), Scaled(kLowerTop), innerWidth, Scaled(60));
    BackupLabel->hide();

    Button1 = new QPushButton(QStringLiteral("Exit"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button2 = new QPushButton(
        repair ? QStringLiteral("&Repair Again") : QStringLiteral("&Verify Again"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    const int buttonTop = Scaled(kFinishedHeight - kButtonHeight - kMargin);
    const int right = Scaled(kDialogWidth - kMargin);
    Button1->setGeometry(right - Scaled(kButtonWidth), buttonTop, Scaled(kButtonWidth),
                         Scaled(kButtonHeight));
    Button2->setGeometry(right - Scaled(2 * kButtonWidth + 8), buttonTop, Scaled(kButtonWidth),
                         Scaled(kButtonHeight));
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &TTUForm::RunGuardedPass);
    ResizeFor(kFinishedHeight);
}

TTUForm::~TTUForm() = default;

int TTUForm::Scaled(int length) const
{
    const QScreen *shown = screen();
    const double dpi = shown ? shown->logicalDotsPerInch() : 120.0;
    return qRound(length * dpi / 120.0);
}

void TTUForm::ResizeFor(int height)
{
    setFixedSize(Scaled(kDialogWidth), Scaled(height));
}

void TTUForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_activated)
        return;
    m_activated = true;
    QTimer::singleShot(0, this, &TTUForm::RunGuardedPass);
}

void TTUForm::reject()
{
    // The window stays until the pass has finished with both files.
    if (!m_running)
        QDialog::reject();
}

void TTUForm::ResetBars()
{
    for (QProgressBar *bar : {PBHeader, PBIndexes, PBData, PBRebuild})
        bar->setValue(0);
}

void TTUForm::Repaint()
{
    repaint();
    UI().PumpMessages(0);
}

void TTUForm::ShowProgress(DatabaseRepair::Phase phase, int percent)
{
    QProgressBar *bar = phase == DatabaseRepair::Phase::Header    ? PBHeader
                        : phase == DatabaseRepair::Phase::Indexes ? PBIndexes
                        : phase == DatabaseRepair::Phase::Data    ? PBData
                                                                  : PBRebuild;
    bar->setValue(percent);
    UI().PumpMessages(kPumpIntervalMs);
}

void TTUForm::RunPass()
{
    struct Running
    {
        bool &flag;
        explicit Running(bool &running)
            : flag(running)
        {
            flag = true;
        }
        ~Running() { flag = false; }
    } running(m_running);

    // However the pass ends, the dialog is left with its buttons.
    const auto finish = qScopeGuard([this] {
        ProgressGroup->hide();
        Button2->show();
        Button1->show();
        ResizeFor(kFinishedHeight);
    });
    BackupLabel->hide();
    Button1->hide();
    Button2->hide();
    // The "Repair:" bar is out of view in a verify.
    const int groupHeight = m_repair ? kRepairGroupHeight : kVerifyGroupHeight;
    ProgressGroup->setGeometry(Scaled(kMargin), Scaled(kLowerTop),
                               Scaled(kDialogWidth - 2 * kMargin), Scaled(groupHeight));
    ResizeFor(m_repair ? kRepairHeight : kVerifyHeight);
    ResetBars();
    ProgressGroup->show();
    FolderLabel->setText(QStringLiteral("Processing..."));
    FilesLabel->setText(QStringLiteral("Waiting"));
    FolderLabel->setToolTip(QString());
    FilesLabel->setToolTip(QString());
    StatusLabel->setText(QStringLiteral("Processing Folders"));
    Repaint();

    ProcessFile(DatabaseRepair::DatabaseFile::Catalogs);
    FolderLabel->setText(m_statusText);
    FolderLabel->setToolTip(m_statusText);
    Repaint();
    ResetBars();

    FilesLabel->setText(QStringLiteral("Processing..."));
    StatusLabel->setText(QStringLiteral("Processing Files"));
    Repaint();
    ProcessFile(DatabaseRepair::DatabaseFile::Files);
    if (m_repair) {
        BackupLabel->setText(QStringLiteral("Database Backed-up to: \n") +
                             DatabaseRepair::BackupPattern(m_temporaryFolder));
        BackupLabel->show();
    }
    FilesLabel->setText(m_statusText);
    FilesLabel->setToolTip(m_statusText);
    Repaint();
    StatusLabel->setText(QStringLiteral("Complete"));
}

void TTUForm::RunGuardedPass()
{
    if (m_running)
        return;
    m_data.RunGuarded([this] {
        try {
            RunPass();
        } catch (const EDatabaseError &error) {
            if (!error.IsLocked())
                throw;
            TDataShare::ReportLocked(m_folder);
        }
    });
}

void TTUForm::ProcessFile(DatabaseRepair::DatabaseFile file)
{
    const BusyCursor busy;
    ResetBars();
    const DatabaseRepair::ProgressSink progress = [this](DatabaseRepair::Phase phase, int percent) {
        ShowProgress(phase, percent);
    };
    if (m_repair) {
        // The check runs first so that its bars move as in a verify.
        DatabaseRepair::VerifyFile(m_folder, file, progress);
        m_statusText = DatabaseRepair::RepairStatusText(
            DatabaseRepair::RepairFile(m_folder, file, m_temporaryFolder, progress));
    } else {
        m_statusText = DatabaseRepair::VerifyStatusText(
            DatabaseRepair::VerifyFile(m_folder, file, progress).level);
    }
}

void RunTableUtility(TDataShare &data, bool repair, const QString &folder, QWidget *parent)
{
    if (!DatabaseRepair::CheckDatabaseFolder(folder))
        return;
    TTUForm dialog(data, repair, folder, parent);
    dialog.exec();
}

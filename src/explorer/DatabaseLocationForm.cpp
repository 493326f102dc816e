#include "explorer/DatabaseLocationForm.h"

#include "explorer/DatabaseLocationCheck.h"
#include "platform/UserInterface.h"
#include "store/DataShare.h"
#include "ui/ContextHelp.h"

#include <QBoxLayout>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>

namespace {

constexpr int kMaxFolderLength = 255;
constexpr int kLogoWidth = 112;
constexpr int kTextWidth = 340;

// The picture on the left: a disk drive on the program's colours, with its name.
class DatabaseLogoPanel final : public QWidget
{
public:
    explicit DatabaseLogoPanel(QWidget *parent)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("LogoPanel"));
        setFixedWidth(kLogoWidth);
        setMinimumHeight(200);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);

        QLinearGradient background(0, 0, 0, height());
        background.setColorAt(0, QColor(0x1d, 0x35, 0x57));
        background.setColorAt(1, QColor(0x2a, 0x7f, 0x8f));
        painter.fillRect(rect(), background);

        // A drive drawn as a cylinder of three platters.
        const qreal width = kLogoWidth * 0.56;
        const qreal ellipse = width * 0.32;
        const qreal depth = width * 0.95;
        const qreal left = (kLogoWidth - width) / 2;
        const qreal top = height() * 0.14;

        QLinearGradient side(left, 0, left + width, 0);
        side.setColorAt(0, QColor(0xc9, 0xd6, 0xe3));
        side.setColorAt(0.45, QColor(0xf4, 0xf7, 0xfa));
        side.setColorAt(1, QColor(0x9f, 0xb3, 0xc8));
        painter.setPen(QPen(QColor(0x0f, 0x1f, 0x33), 1.2));

        QPainterPath body;
        body.moveTo(left, top + ellipse / 2);
        body.lineTo(left, top + depth);
        body.arcTo(QRectF(left, top + depth - ellipse / 2, width, ellipse), 180, 180);
        body.lineTo(left + width, top + ellipse / 2);
        body.closeSubpath();
        painter.setBrush(side);
        painter.drawPath(body);

        painter.setBrush(Qt::NoBrush);
        for (int band = 1; band <= 2; ++band) {
            const qreal y = top + ellipse / 2 + (depth - ellipse / 2) * band / 3;
            painter.drawArc(QRectF(left, y - ellipse / 2, width, ellipse), 180 * 16, 180 * 16);
        }
        painter.setBrush(QColor(0xe8, 0xee, 0xf4));
        painter.drawEllipse(QRectF(left, top, width, ellipse));
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x5c, 0xd6, 0x7a));
        painter.drawEllipse(QPointF(left + width * 0.8, top + depth + ellipse * 0.05), 2.5, 2.5);

        QFont nameFont = font();
        nameFont.setBold(true);
        nameFont.setPointSizeF(nameFont.pointSizeF() * 1.15);
        painter.setFont(nameFont);
        painter.setPen(Qt::white);
        const qreal textTop = top + depth + ellipse + 16;
        painter.drawText(QRectF(0, textTop, kLogoWidth, 24), Qt::AlignHCenter | Qt::AlignTop,
                         QStringLiteral("Dirvanta"));
        nameFont.setPointSizeF(nameFont.pointSizeF() * 1.6);
        painter.setFont(nameFont);
        painter.setPen(QColor(0xa8, 0xe6, 0xe0));
        painter.drawText(QRectF(0, textTop + 20, kLogoWidth, 40), Qt::AlignHCenter | Qt::AlignTop,
                         QStringLiteral("97"));
    }
};

} // namespace

TDatabase_Location_Form::TDatabase_Location_Form(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Database_Location_Form"));
    setWindowTitle(QStringLiteral("Catalog Folder"));
    setWhatsThis(QStringLiteral(
        "The catalog database is the pair of files \"Dirvanta Catalogs.db\" and \"Dirvanta "
        "Files.db\" in one folder. Type the folder or choose it with the browse button. The "
        "folder must lie on a local hard disk; a folder that does not exist yet can be created "
        "for a new database."));

    TitleLabel = new QLabel(QStringLiteral("Dirvanta Database Folder"), this);
    TitleLabel->setObjectName(QStringLiteral("TitleLabel"));
    QFont bold = TitleLabel->font();
    bold.setBold(true);
    TitleLabel->setFont(bold);

    Explanation = new QLabel(this);
    Explanation->setObjectName(QStringLiteral("Explanation"));
    Explanation->setWordWrap(true);
    Explanation->setFixedWidth(kTextWidth);

    DatabasePath = new QLineEdit(this);
    DatabasePath->setObjectName(QStringLiteral("DatabasePath"));
    DatabasePath->setMaxLength(kMaxFolderLength);
    BrowseBtn = new QPushButton(QStringLiteral("..."), this);
    BrowseBtn->setObjectName(QStringLiteral("BrowseBtn"));
    BrowseBtn->setAccessibleName(QStringLiteral("Browse"));
    BrowseBtn->setToolTip(QStringLiteral("Select Database Folder"));
    BrowseBtn->setAutoDefault(false);
    BrowseBtn->setFixedWidth(BrowseBtn->fontMetrics().horizontalAdvance(QStringLiteral("...")) +
                             20);

    Create1 = new QRadioButton(QStringLiteral("&Create New Database in Folder"), this);
    Create1->setObjectName(QStringLiteral("Create1"));
    Create1->setChecked(true);
    Open1 = new QRadioButton(QStringLiteral("&Open Existing Database in Folder"), this);
    Open1->setObjectName(QStringLiteral("Open1"));

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    OKBtn->setEnabled(false);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setAutoDefault(false);
    HelpBtn = new QPushButton(QStringLiteral("Help"), this);
    HelpBtn->setObjectName(QStringLiteral("HelpBtn"));
    HelpBtn->setAutoDefault(false);

    auto *folderRow = new QHBoxLayout;
    folderRow->addWidget(DatabasePath, 1);
    folderRow->addWidget(BrowseBtn);

    auto *buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(OKBtn);
    buttonRow->addWidget(CancelBtn);
    buttonRow->addWidget(HelpBtn);

    auto *content = new QVBoxLayout;
    content->setContentsMargins(14, 12, 14, 12);
    content->addWidget(TitleLabel);
    content->addWidget(Explanation);
    content->addSpacing(6);
    content->addLayout(folderRow);
    content->addWidget(Create1);
    content->addWidget(Open1);
    content->addStretch(1);
    content->addSpacing(8);
    content->addLayout(buttonRow);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(new DatabaseLogoPanel(this));
    layout->addLayout(content);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(DatabasePath, &QLineEdit::textChanged, this,
            &TDatabase_Location_Form::DatabasePathChange);
    connect(BrowseBtn, &QPushButton::clicked, this, &TDatabase_Location_Form::BrowseBtnClick);
    connect(OKBtn, &QPushButton::clicked, this, &TDatabase_Location_Form::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TDatabase_Location_Form::reject);
    connect(HelpBtn, &QPushButton::clicked, this, &TDatabase_Location_Form::HelpBtnClick);
}

TDatabase_Location_Form::~TDatabase_Location_Form() = default;

void TDatabase_Location_Form::SetMode(int mode)
{
    switch (mode) {
    case SelectMode:
        setWindowTitle(QStringLiteral("Select Database"));
        Explanation->setText(QStringLiteral("Please specify the Folder that contains, or is to "
                                            "contain, the Dirvanta Database."));
        Create1->setVisible(true);
        Open1->setVisible(true);
        break;
    case CreateMode:
        setWindowTitle(QStringLiteral("Create Database"));
        Explanation->setText(QStringLiteral(
            "Please specify the Folder that is to contain the new Dirvanta Database."));
        Create1->setChecked(true);
        Create1->setVisible(false);
        Open1->setVisible(false);
        break;
    case OpenMode:
        setWindowTitle(QStringLiteral("Open Database"));
        Explanation->setText(QStringLiteral("Please specify the Folder that contains the Dirvanta "
                                            "Database that you wish to open."));
        Open1->setChecked(true);
        Create1->setVisible(false);
        Open1->setVisible(false);
        break;
    default:
        break;
    }
}

void TDatabase_Location_Form::DatabasePathChange(const QString &text)
{
    OKBtn->setEnabled(!text.trimmed().isEmpty());
}

void TDatabase_Location_Form::BrowseBtnClick()
{
    const QString folder =
        UI().ChooseFolder(QStringLiteral("Select Database Folder"), DatabasePath->text().trimmed());
    if (!folder.isEmpty())
        DatabasePath->setText(folder);
}

void TDatabase_Location_Form::OKBtnClick()
{
    // The trimmed text is what the user sees while any box of the checks is up.
    QString folder = DatabasePath->text().trimmed();
    DatabasePath->setText(folder);
    const bool accepted =
        DatabaseLocationCheck::Run(folder, InUseFolder,
                                   Create1->isChecked() ? DatabaseLocationCheck::Choice::Create
                                                        : DatabaseLocationCheck::Choice::Open);
    if (accepted)
        accept();
}

void TDatabase_Location_Form::HelpBtnClick()
{
    EnterContextHelp();
}

int ShowDatabaseLocation(int mode, const QString &inUseFolder, QString &databaseFolder,
                         QWidget *parent)
{
    TDatabase_Location_Form form(parent);
    form.InUseFolder = inUseFolder;
    form.SetMode(mode);
    form.DatabasePath->setText(databaseFolder);
    if (form.exec() != QDialog::Accepted)
        return TDataShare::LocationCancelled;
    databaseFolder = form.DatabasePath->text();
    return form.Create1->isChecked() ? TDataShare::LocationCreate : TDataShare::LocationOpen;
}

#include "ui/DeviceCheckWindow.h"

#include "platform/UserInterface.h"
#include "ui/ElidedLabel.h"
#include "ui/ObjectIcons.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kWindowWidth = 420;
constexpr int kImageSize = 32;

QLabel *TextLabel(const QString &objectName, const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(objectName);
    // Labels and names come from media and users; never read them as markup.
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLabel *BoldLabel(const QString &objectName, const QString &text, QWidget *parent)
{
    QLabel *label = TextLabel(objectName, text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

ElidedLabel *DriveLabel(const QString &objectName, QWidget *parent)
{
    // A long mount point keeps its end, where the medium's own name is.
    auto *label = new ElidedLabel(Qt::ElideLeft, parent);
    label->setObjectName(objectName);
    return label;
}

} // namespace

DeviceCheckWindow::DeviceCheckWindow(QWidget *parent)
    : QDialog(parent)
    , m_driveImage(new QLabel(this))
    , m_heading(BoldLabel(QStringLiteral("Heading"), tr("Insert Cataloged Disk in Drive."), this))
    , m_message(TextLabel(QStringLiteral("Message"), QString(), this))
    , m_currentDiskCaption(
          BoldLabel(QStringLiteral("CurrentDiskCaption"), tr("Current Disk in Drive:"), this))
    , m_currentDrive(DriveLabel(QStringLiteral("CurrentDrive"), this))
    , m_currentLabelCaption(
          TextLabel(QStringLiteral("CurrentLabelCaption"), tr("Disk Label:"), this))
    , m_currentLabel(TextLabel(QStringLiteral("CurrentLabel"), QString(), this))
    , m_requiredDrive(DriveLabel(QStringLiteral("RequiredDrive"), this))
    , m_requiredLabel(TextLabel(QStringLiteral("RequiredLabel"), QString(), this))
    , m_nameCaption(BoldLabel(QStringLiteral("NameCaption"), tr("Catalog Name:"), this))
    , m_name(TextLabel(QStringLiteral("CatalogName"), QString(), this))
    , m_okButton(new QPushButton(tr("OK"), this))
    , m_cancelButton(new QPushButton(tr("Cancel"), this))
{
    setObjectName(QStringLiteral("DeviceCheckWindow"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    m_driveImage->setObjectName(QStringLiteral("DriveImage"));
    m_driveImage->setFixedSize(kImageSize, kImageSize);
    m_message->setWordWrap(true);
    m_okButton->setObjectName(QStringLiteral("OKButton"));
    m_okButton->setDefault(true);
    m_cancelButton->setObjectName(QStringLiteral("CancelButton"));

    auto *top = new QHBoxLayout;
    top->addWidget(m_driveImage, 0, Qt::AlignTop);
    top->addSpacing(8);
    top->addWidget(m_heading, 1, Qt::AlignVCenter);

    // Two blocks of the same shape: the disk now in the drive and the one
    // asked for, each with its drive and its label.
    auto *disks = new QGridLayout;
    disks->setColumnStretch(2, 1);
    disks->setColumnMinimumWidth(0, 12);
    disks->addWidget(m_currentDiskCaption, 0, 0, 1, 3);
    disks->addWidget(TextLabel(QStringLiteral("CurrentDriveCaption"), tr("Drive:"), this), 1, 1);
    disks->addWidget(m_currentDrive, 1, 2);
    disks->addWidget(m_currentLabelCaption, 2, 1);
    disks->addWidget(m_currentLabel, 2, 2);
    disks->setRowMinimumHeight(3, 8);
    disks->addWidget(BoldLabel(QStringLiteral("RequiredDiskCaption"), tr("Required Disk:"), this),
                     4, 0, 1, 3);
    disks->addWidget(TextLabel(QStringLiteral("RequiredDriveCaption"), tr("Drive:"), this), 5, 1);
    disks->addWidget(m_requiredDrive, 5, 2);
    disks->addWidget(TextLabel(QStringLiteral("RequiredLabelCaption"), tr("Disk Label:"), this), 6,
                     1);
    disks->addWidget(m_requiredLabel, 6, 2);

    auto *name = new QHBoxLayout;
    name->addWidget(m_nameCaption);
    name->addWidget(m_name, 1);

    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(m_okButton, QDialogButtonBox::AcceptRole);
    buttons->addButton(m_cancelButton, QDialogButtonBox::RejectRole);
    buttons->setCenterButtons(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_message);
    layout->addSpacing(6);
    layout->addLayout(disks);
    layout->addSpacing(6);
    layout->addLayout(name);
    layout->addSpacing(6);
    layout->addWidget(buttons);
    setFixedWidth(kWindowWidth);
}

DeviceCheckWindow::~DeviceCheckWindow() = default;

void DeviceCheckWindow::SetView(const DeviceCheckView &view)
{
    setWindowTitle(view.caption);
    m_driveImage->setPixmap(ObjectPixmap(view.driveClass, kImageSize));
    m_heading->setText(view.heading);
    m_message->setText(view.message);
    m_message->setVisible(!view.message.isEmpty());
    m_currentDiskCaption->setText(view.currentDiskCaption);
    m_currentDrive->setText(view.currentDrive);
    m_currentLabelCaption->setVisible(view.currentLabelShown);
    m_currentLabel->setVisible(view.currentLabelShown);
    m_currentLabel->setText(view.currentLabel);
    m_requiredDrive->setText(view.requiredDrive);
    m_requiredLabel->setText(view.requiredLabel);
    m_nameCaption->setText(view.nameCaption);
    m_name->setText(view.name);
    adjustSize();
}

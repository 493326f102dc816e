#include "ui/AddingVolumeDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel *ValueLabel(const QString &text, const char *objectName)
{
    auto *label = new QLabel(text);
    label->setObjectName(QString::fromLatin1(objectName));
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

AddingVolumeDialog::AddingVolumeDialog(const AddingVolumeView &view, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("AddingVolumeDialog"));
    setWindowTitle(view.caption.trimmed());

    QLabel *heading = ValueLabel(view.heading, "Heading");
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    QLabel *instructions = ValueLabel(view.instructions, "Instructions");
    instructions->setWordWrap(true);

    auto *details = new QGroupBox(QStringLiteral("Volume Details:"));
    auto *form = new QFormLayout(details);
    form->addRow(QStringLiteral("Drive:"), ValueLabel(view.drive, "Drive"));
    form->addRow(QStringLiteral("Archive Volume:"), ValueLabel(view.volumeName, "VolumeName"));
    form->addRow(QStringLiteral("Disk Label:"), ValueLabel(view.diskLabel, "DiskLabel"));

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(instructions);
    layout->addWidget(details);
    layout->addWidget(buttons);
    setMinimumWidth(380);
}

#include "ui/ProgressWindow.h"

#include "platform/ProgressOperations.h"
#include "platform/UserInterface.h"
#include "ui/ElidedLabel.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace {
constexpr int kWindowWidth = 440;
constexpr qint64 kBarLimit = std::numeric_limits<int>::max();
} // namespace

ProgressWindow::ProgressWindow(UserInterface &userInterface, QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_userInterface(userInterface)
    , m_pathLine(new ElidedLabel(Qt::ElideLeft, this))
    , m_fileNameLine(new ElidedLabel(Qt::ElideLeft, this))
    , m_statusLine(new QLabel(this))
    , m_progressBar(new QProgressBar(this))
    , m_cancelButton(new QPushButton(tr("Cancel"), this))
{
    setObjectName(QStringLiteral("ProgressWindow"));
    m_pathLine->setObjectName(QStringLiteral("PathLine"));
    m_fileNameLine->setObjectName(QStringLiteral("FileNameLine"));
    m_statusLine->setObjectName(QStringLiteral("StatusLine"));
    m_statusLine->setTextFormat(Qt::PlainText);
    m_progressBar->setObjectName(QStringLiteral("ProgressBar"));
    m_cancelButton->setObjectName(QStringLiteral("CancelButton"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancelButton);
    buttons->addStretch();

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pathLine);
    layout->addWidget(m_fileNameLine);
    layout->addWidget(m_statusLine);
    layout->addWidget(m_progressBar);
    layout->addLayout(buttons);

    setFixedWidth(kWindowWidth);
    connect(m_cancelButton, &QPushButton::clicked, this, &ProgressWindow::CancelButtonClick);
}

ProgressWindow::~ProgressWindow() = default;

void ProgressWindow::Begin(const ProgressLayout &layout)
{
    setWindowTitle(layout.caption.toString());
    if (layout.pathLine)
        m_pathLine->setText(layout.pathLine->toString());
    m_animation = layout.animation;

    m_fileNameLine->setVisible(layout.showFileNameLine);
    if (layout.showFileNameLine)
        m_fileNameLine->setText(layout.fileNameLine.toString());
    m_statusLine->setVisible(layout.showStatusLine);
    m_statusLine->clear();
    m_progressBar->setVisible(layout.showProgressBar);
    SetRange(100);
    SetPosition(0);
    m_cancelButton->setVisible(!layout.hideCancel);
    m_cancelButton->setEnabled(true);
    adjustSize();
}

void ProgressWindow::Finish()
{
    m_closing = true;
    close();
    m_closing = false;
}

void ProgressWindow::SetPath(const QString &text)
{
    m_pathLine->setText(text);
}

void ProgressWindow::SetFileName(const QString &text)
{
    m_fileNameLine->setText(text);
}

void ProgressWindow::SetStatus(const QString &text)
{
    m_statusLine->setText(text);
}

void ProgressWindow::SetRange(qint64 maximum)
{
    // QProgressBar counts in int; larger totals (bytes) are divided down.
    // A maximum of 0 would turn the bar into a busy indicator.
    m_maximum = std::max<qint64>(maximum, 1);
    m_divisor = (m_maximum - 1) / kBarLimit + 1;
    m_progressBar->setRange(0, static_cast<int>(m_maximum / m_divisor));
}

void ProgressWindow::SetPosition(qint64 position)
{
    const qint64 clamped = std::clamp<qint64>(position, 0, m_maximum);
    m_progressBar->setValue(static_cast<int>(clamped / m_divisor));
}

void ProgressWindow::closeEvent(QCloseEvent *event)
{
    if (m_closing)
        event->accept();
    else
        event->ignore();
}

void ProgressWindow::CancelButtonClick()
{
    m_cancelButton->setEnabled(false);
    // The tidy-up after a cancel can take a while; say so even for
    // operations that normally hide the file-name line.
    m_fileNameLine->setText(tr("Please Wait...."));
    m_fileNameLine->show();
    m_pathLine->setText(tr("Performing Tidy-up"));
    m_progressBar->hide();
    m_statusLine->hide();
    m_userInterface.SetCancelled(true);
}

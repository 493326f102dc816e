#include "ui/ProgressWindow.h"

#include "platform/ProgressOperations.h"
#include "platform/UserInterface.h"
#include "ui/ElidedLabel.h"
#include "ui/ProgressAnimation.h"
#include "ui/SegmentedMeter.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// Wide enough for the animation panel's picture at its natural size.
constexpr int kWindowWidth = 471;
} // namespace

ProgressWindow::ProgressWindow(UserInterface &userInterface, QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_userInterface(userInterface)
    , m_pathLine(new ElidedLabel(Qt::ElideLeft, this))
    , m_fileNameLine(new ElidedLabel(Qt::ElideLeft, this))
    , m_statusLine(new QLabel(this))
    , m_animationPanel(new ProgressAnimation(this))
    , m_progressBar(new SegmentedMeter(this))
    , m_cancelButton(new QPushButton(tr("Cancel"), this))
{
    setObjectName(QStringLiteral("ProgressWindow"));
    m_pathLine->setObjectName(QStringLiteral("PathLine"));
    m_fileNameLine->setObjectName(QStringLiteral("FileNameLine"));
    m_statusLine->setObjectName(QStringLiteral("StatusLine"));
    m_statusLine->setTextFormat(Qt::PlainText);
    m_animationPanel->setObjectName(QStringLiteral("AnimationPanel"));
    m_progressBar->setObjectName(QStringLiteral("ProgressBar"));
    m_cancelButton->setObjectName(QStringLiteral("CancelButton"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancelButton);
    buttons->addStretch();

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_animationPanel);
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
    m_animationPanel->show();
    m_animationPanel->Play(m_animation);

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
    m_animationPanel->Stop();
    m_animationPanel->hide();
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

void ProgressWindow::ShowParts(bool statusLine, bool fileNameLine, bool progressBar)
{
    if (statusLine)
        m_statusLine->show();
    if (fileNameLine)
        m_fileNameLine->show();
    if (progressBar)
        m_progressBar->show();
    adjustSize();
}

void ProgressWindow::SetRange(qint64 maximum)
{
    m_progressBar->SetRange(maximum);
}

void ProgressWindow::SetPosition(qint64 position)
{
    m_progressBar->SetPosition(position);
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
    m_animationPanel->Stop();
    m_animationPanel->hide();
    m_progressBar->hide();
    m_statusLine->hide();
    m_userInterface.SetCancelled(true);
}

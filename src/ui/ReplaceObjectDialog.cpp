#include "ui/ReplaceObjectDialog.h"

#include "ui/ObjectIcons.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// One object: a heading, its large picture and its facts beside it.
QFrame *ObjectPanel(const QString &heading, const ReplaceObjectView &view, const char *name)
{
    auto *panel = new QFrame;
    panel->setObjectName(QString::fromLatin1(name));
    panel->setFrameShape(QFrame::StyledPanel);
    auto *layout = new QGridLayout(panel);
    auto *title = new QLabel(heading);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    layout->addWidget(title, 0, 0, 1, 2);
    auto *icon = new QLabel;
    icon->setPixmap(ObjectPixmap(view.imageIndex, 32));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    layout->addWidget(icon, 1, 0, 4, 1);
    const QString lines[] = {view.name, view.typeName, view.sizeText, view.modifiedText};
    for (int i = 0; i < 4; ++i) {
        auto *line = new QLabel(lines[i]);
        line->setTextFormat(Qt::PlainText);
        line->setObjectName(QString::fromLatin1(name) + QString::number(i));
        layout->addWidget(line, i + 1, 1);
    }
    layout->setColumnStretch(1, 1);
    return panel;
}

} // namespace

ReplaceObjectDialog::ReplaceObjectDialog(const ReplaceObjectView &existing,
                                         const ReplaceObjectView &incoming, QWidget *parent)
    : QDialog(parent)
    , m_replace(new QPushButton(QStringLiteral("&Replace")))
    , m_keep(new QPushButton(QStringLiteral("&Keep")))
{
    setObjectName(QStringLiteral("ReplaceObjectDialog"));
    setWindowTitle(kReplaceObjectCaption);
    auto *layout = new QVBoxLayout(this);
    auto *question = new QLabel(ReplaceObjectQuestion(existing.name));
    question->setObjectName(QStringLiteral("Question"));
    question->setTextFormat(Qt::PlainText);
    question->setWordWrap(true);
    layout->addWidget(question);
    auto *sides = new QHBoxLayout;
    sides->addWidget(ObjectPanel(QStringLiteral("Existing Object"), existing, "Existing"));
    sides->addWidget(ObjectPanel(QStringLiteral("Replace with"), incoming, "Incoming"));
    layout->addLayout(sides);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_replace->setObjectName(QStringLiteral("ReplaceButton"));
    m_keep->setObjectName(QStringLiteral("KeepButton"));
    buttons->addWidget(m_replace);
    buttons->addWidget(m_keep);
    layout->addLayout(buttons);
    // Enter replaces, as the question's Yes does; Escape keeps.
    m_replace->setDefault(true);
    connect(m_replace, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_keep, &QPushButton::clicked, this, &QDialog::reject);
    setMinimumWidth(460);
}

ReplaceObjectDialog::~ReplaceObjectDialog() = default;

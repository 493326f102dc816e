#include "ui/NodeSelectionForm.h"

#include "store/CatalogSchema.h"
#include "store/DataShare.h"
#include "ui/ContextHelp.h"
#include "ui/ObjectIcons.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

namespace {

constexpr int kIdRole = Qt::UserRole;
constexpr int kClassRole = Qt::UserRole + 1;

} // namespace

TNodeSelectionForm::TNodeSelectionForm(TDataShare &data, int mode, const QString &caption,
                                       const QString &message, QWidget *parent)
    : QDialog(parent)
    , m_data(data)
    , m_mode(mode)
{
    setObjectName(QStringLiteral("NodeSelectionForm"));
    setWindowTitle(caption);
    setFixedSize(419, 375);

    MsgText = new QLabel(message, this);
    MsgText->setObjectName(QStringLiteral("MsgText"));
    MsgText->setWordWrap(true);
    MsgText->setTextFormat(Qt::PlainText);
    MsgText->setGeometry(10, 8, 399, 36);
    TreeView1 = new QTreeWidget(this);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView1->setIconSize(QSize(16, 16));
    TreeView1->setGeometry(10, 48, 399, 282);
    TreeView1->installEventFilter(this);
    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button1->setEnabled(false);
    Button2 = new QPushButton(QStringLiteral("Cancel"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Helpbtn = new QPushButton(QStringLiteral("Help"), this);
    Helpbtn->setObjectName(QStringLiteral("Helpbtn"));
    Helpbtn->setGeometry(321, 338, 88, 27);
    Button2->setGeometry(225, 338, 88, 27);
    Button1->setGeometry(129, 338, 88, 27);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(Helpbtn, &QPushButton::clicked, this, &EnterContextHelp);
    connect(TreeView1, &QTreeWidget::itemExpanded, this, &TNodeSelectionForm::NodeExpanded);
    connect(TreeView1, &QTreeWidget::itemCollapsed, this, &TNodeSelectionForm::NodeCollapsed);
    connect(TreeView1, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *current) { NodeChanged(current); });

    // The database object is the single top node, expanded.
    TreeView1->setUpdatesEnabled(false);
    TableCursor *row = m_data.Catalogs.LookupCursor();
    if (row->Active() && row->Locate(CatalogSchema::kDatabaseObjectId)) {
        QTreeWidgetItem *top =
            MakeNode(CatalogSchema::kDatabaseObjectId, m_data.Catalogs.ItemName(row),
                     m_data.Catalogs.ItemClass(row), true);
        TreeView1->addTopLevelItem(top);
        TreeView1->setCurrentItem(top);
        top->setExpanded(true);
    }
    TreeView1->setUpdatesEnabled(true);
}

TNodeSelectionForm::~TNodeSelectionForm() = default;

bool TNodeSelectionForm::ModeAllows(int mode, int cls)
{
    switch (mode) {
    case kAnyObject:
        return true;
    case kArchiveDestination:
        return cls == CatalogSchema::kArchivesClass || cls == CatalogSchema::kArchiveFolderClass;
    case kSearchStart:
        return !CatalogSchema::IsWastebasketClass(cls);
    default:
        return false;
    }
}

QTreeWidgetItem *TNodeSelectionForm::MakeNode(qint64 id, const QString &name, int cls,
                                              bool expandable)
{
    auto *node = new QTreeWidgetItem;
    node->setText(0, name);
    node->setData(0, kIdRole, id);
    node->setData(0, kClassRole, cls);
    node->setIcon(0, ObjectIcon(cls));
    node->setChildIndicatorPolicy(expandable ? QTreeWidgetItem::ShowIndicator
                                             : QTreeWidgetItem::DontShowIndicator);
    return node;
}

void TNodeSelectionForm::NodeExpanded(QTreeWidgetItem *node)
{
    // Read afresh at every expansion: objects added meanwhile show.
    qDeleteAll(node->takeChildren());
    TDBItemTree &tree = m_data.Catalogs;
    QList<QTreeWidgetItem *> children;
    tree.SetChildRange(node->data(0, kIdRole).toLongLong());
    for (bool more = tree.FirstChild(); more; more = tree.NextChild()) {
        const qint64 id = tree.ChildID();
        const int cls = tree.ChildClass();
        children << MakeNode(id, tree.ChildName(), cls,
                             !CatalogSchema::IsWastebasketClass(cls) && tree.HasChildren(id));
    }
    node->addChildren(children);
}

void TNodeSelectionForm::NodeCollapsed(QTreeWidgetItem *node)
{
    qDeleteAll(node->takeChildren());
    const bool expandable = !CatalogSchema::IsWastebasketClass(node->data(0, kClassRole).toInt()) &&
                            m_data.Catalogs.HasChildren(node->data(0, kIdRole).toLongLong());
    node->setChildIndicatorPolicy(expandable ? QTreeWidgetItem::ShowIndicator
                                             : QTreeWidgetItem::DontShowIndicator);
}

void TNodeSelectionForm::NodeChanged(QTreeWidgetItem *node)
{
    Button1->setEnabled(false);
    if (!node)
        return;
    Button1->setEnabled(ModeAllows(m_mode, node->data(0, kClassRole).toInt()));
    m_selectedId = node->data(0, kIdRole).toLongLong();
}

bool TNodeSelectionForm::eventFilter(QObject *watched, QEvent *event)
{
    // Enter toggles the selected node rather than pressing OK.
    if (watched == TreeView1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (QTreeWidgetItem *node = TreeView1->currentItem())
                node->setExpanded(!node->isExpanded());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

qint64 SelectNode(TDataShare &data, int mode, const QString &caption, const QString &message,
                  QWidget *parent)
{
    TNodeSelectionForm dialog(data, mode, caption, message, parent);
    return dialog.exec() == QDialog::Accepted ? dialog.SelectedID() : -1;
}

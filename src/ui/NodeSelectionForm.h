#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class TDataShare;

// The node selection dialog: the user picks one object of the catalog tree
// under a rule that depends on what it is for. Its tree is a plain tree of
// its own that reads each level afresh whenever a node is expanded.
class TNodeSelectionForm final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TNodeSelectionForm)

public:
    // The selection modes.
    static constexpr int kAnyObject = 0;
    static constexpr int kArchiveDestination = 1; // the Archives folder or an archive folder
    static constexpr int kSearchStart = 2;        // anything but the Wastebasket

    TNodeSelectionForm(TDataShare &data, int mode, const QString &caption, const QString &message,
                       QWidget *parent = nullptr);
    ~TNodeSelectionForm() override;

    // Whether OK may be pressed on an object of the class in a mode.
    static bool ModeAllows(int mode, int cls);

    // The ID of the selected node; -1 before a node was selected.
    qint64 SelectedID() const { return m_selectedId; }

    QLabel *MsgText = nullptr;
    QTreeWidget *TreeView1 = nullptr;
    QPushButton *Button1 = nullptr;
    QPushButton *Button2 = nullptr;
    QPushButton *Helpbtn = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QTreeWidgetItem *MakeNode(qint64 id, const QString &name, int cls, bool expandable);
    void NodeExpanded(QTreeWidgetItem *node);
    void NodeCollapsed(QTreeWidgetItem *node);
    void NodeChanged(QTreeWidgetItem *node);

    TDataShare &m_data;
    int m_mode;
    qint64 m_selectedId = -1;
};

// Runs the dialog; the chosen object's ID, or -1 when the user cancels.
qint64 SelectNode(TDataShare &data, int mode, const QString &caption, const QString &message,
                  QWidget *parent = nullptr);

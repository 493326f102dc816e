#pragma once

#include "archive/ArchiveSetFileKeeper.h"
#include "explorer/MainWindowActions.h"
#include "find/SearchEngine.h"
#include "media/CatalogFileAccess.h"
#include "media/CatalogOptions.h"
#include "platform/TemporaryFiles.h"
#include "store/DataShare.h"

#include <QMainWindow>

#include <memory>

class QLabel;
class QSplitter;
class QToolBar;
class QTreeWidgetItem;
class PathLabel;
class SettingsStore;
class TCatalogList;
class TItemTree;

// The catalog explorer: the object tree on the left, the contents of the
// selected object on the right, menus, toolbar and status bar. It runs the
// database commands and shows what the data module opens and closes.
class TCatalogueForm final : public QMainWindow, public DatabaseObserver
{
    Q_OBJECT

public:
    TCatalogueForm(TDataShare &data, SettingsStore &settings, QWidget *parent = nullptr);
    ~TCatalogueForm() override;

    // Set before the window is first shown when the program was started to
    // serve a request from the file manager.
    void SetCommandLineRequest(const QString &commandLineSwitch);
    bool CommandLineRequest() const { return !m_commandLineSwitch.isEmpty(); }

    MainWindowActions &Actions() { return *m_actions; }
    TItemTree *Tree() const { return TreeView1; }
    TCatalogList *List() const { return ListView1; }

    // Sets every menu item, popup item and separator for the selection.
    void UpdateMenus();
    // Refills the list for the tree's selected node and sets the status bar.
    void RefreshList();
    // Rebuilds the tree, selects the object and refills the list once.
    void ReselectNode(qint64 id, bool refresh);
    // Says in the status bar, for a few seconds and without a box, what a
    // long or invisible command did.
    void ShowDoneMessage(const QString &text);

    // Database commands.
    void NewDatabase();
    void OpenOtherDatabase();
    void CloseDatabaseCommand();
    void SwitchDatabase(const QString &fallbackFolder);
    void ReopenEntry(int entry);
    void CompressCommand();
    // Archives a folder onto the pool, setting the pool up first when it
    // has no volume.
    void ArchiveCommand();
    // Catalogs a medium into a new disk catalog in the folder nearest the
    // tree's selection; source empty offers the last source.
    void CatalogDiskCommand(const QString &source = QString());
    // Rebuilds the selected disk catalog from its medium.
    void UpdateCommand();

    // Object commands. A command that changes rows runs in one transaction;
    // the tree and the list show the catalog afterwards, also after a failure.
    // Where the command finds its objects: the control with the focus, or one named.
    enum class CommandSource
    {
        Focus,
        Tree,
        List
    };
    // Makes a folder under the selected node and opens its name for editing
    // where the focus is.
    void NewFolderCommand();
    // Renames in place, or restores the selected wastebasket entries.
    void RenameCommand(CommandSource source = CommandSource::Focus);
    // Delete, Shift+Delete (shift set) and Empty Wastebasket.
    void DeleteCommand(CommandSource source, bool shift);
    void RestoreCommand();
    void CommentsCommand(CommandSource source = CommandSource::Focus);
    // The Properties dialog of the selected list item, else the selected node.
    void PropertiesCommand(CommandSource source = CommandSource::Focus);
    // Moves the objects of a drag list onto the object of the target ID.
    void DropObjectsOn(qint64 targetId, const QList<qint64> &ids);

    void SetIconView(int view);
    int IconView() const { return m_iconView; }

    // The choices of the last cataloguing, offered by the next one.
    CatalogOptions &LastCatalogOptions() { return m_catalogOptions; }

    // Reads and writes the window's settings.
    void LoadExplorerSettings();
    void SaveExplorerSettings();

signals:
    // A request of the file manager: message 2029 (archive) or 2030 (catalog)
    // with parameter 1 or 2.
    void RequestReceived(int message, int parameter);

public slots:
    // Runs a request passed on by another copy of the program.
    void ServeRequest(int message, int parameter);
    void BringForward();

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

    // DatabaseObserver
    void LoadViews() override;
    void DatabaseOpened() override;
    void ClearViews() override;
    void DatabaseClosed() override;
    void SelectDatabaseObject() override;
    void ForgetSelectedNode() override;

private slots:
    void TreeView1Change();
    void TreeView1Enter();
    void TreeView1ContextMenu(const QPoint &globalPosition);
    void ListView1SelectionChange();
    void ListView1DblClick();
    void ListView1ContextMenu(const QPoint &globalPosition);
    void ListView1Exit();
    void ListView1Edited(qint64 id, const QString &text);
    void MoveUpClick();
    void FindClick();
    void FullNameClick();
    void ToolbarClick();
    void StatusBarClick();
    void AutoArrangeClick();
    void ReopenPopup();
    void VerifyClick();
    void RepairClick();
    // Verify or repair: refused while a database is open, else on a folder
    // the user picks.
    void RunTableUtilityCommand(bool repair);
    void AboutClick();
    // Open and Quick View of the files selected in the list; Explore.
    void OpenCommand(bool quickView);
    void ExploreCommand();

private:
    // Whether a command from the source acts on the list's selection rather
    // than on the tree's node: the list when it holds a selection and the
    // tree has no focus, unless a source names one.
    bool ActsOnList(CommandSource source) const;

    void BuildLayout();
    void ConnectActions();
    void FirstShow();
    void FirstActivation();
    // The requests of the file manager (2029 archive, 2030 catalog) and
    // their refusals.
    void ArchiveRequestMessage(int parameter);
    void CatalogRequestMessage();
    bool RequestDatabaseActive(const QString &requestWord);
    bool RefuseWhileBusy(const QString &requestFile);
    static QString TakeRequestPath();
    void RestoreHistory(const QStringList &history);
    void UpdateTitle();
    void UpdateToolbar();
    void UpdatePathLabel();
    void ShowStatus(const QString &first, const QString &second);
    void ShowSinglePanel();
    // The size of the two files of the open database.
    qint64 DatabaseFileBytes() const;
    bool OpenFolderWithFallback(const QString &fallbackFolder);
    void SelectFirstNodeAndFill();
    int RunLocationDialog(int mode, const QString &inUseFolder);
    void RefuseWhileOpen(const QString &task);
    void TreeView1Edited(QTreeWidgetItem *node, const QString &text);
    // Runs a command in one transaction; a failure is shown and rolled back.
    bool RunCommand(const std::function<void()> &command);
    void RewriteListComment(qint64 id, bool file);

    TDataShare &m_data;
    SettingsStore &m_settings;
    std::unique_ptr<MainWindowActions> m_actions;
    // Copies extracted from packages to be opened; deleted when the window closes.
    TemporaryFileList m_temporaryFiles;
    TCatalogFileAccess m_fileAccess;
    // Renames and deletes of archive sets reach their ZIP files through it.
    ArchiveSetFileKeeper m_setFiles;
    // The Find window's sort outlives each Find window: the next one starts
    // with the sort the last one ended with.
    FindSortState m_findSort;

    QToolBar *Toolbar_Panel = nullptr;
    QSplitter *Splitter = nullptr;
    QLabel *Panel2 = nullptr;
    QLabel *Panel1 = nullptr;
    PathLabel *ListViewCaption = nullptr;
    TItemTree *TreeView1 = nullptr;
    TCatalogList *ListView1 = nullptr;
    // The status bar's two panels: the list's object or selection count,
    // and the size of its contents.
    QLabel *m_countPanel = nullptr;
    QLabel *m_sizePanel = nullptr;

    QString m_commandLineSwitch;
    QStringList m_historyAtStart; // of a copy started for a request
    bool m_shownOnce = false;
    bool m_activatedOnce = false;
    bool m_closing = false;
    bool m_listRefreshGate = true;
    bool m_filling = false;
    bool m_fullPath = false;
    int m_iconView = 0;
    qint64 m_selectedNode = 1;
    CatalogOptions m_catalogOptions;
};

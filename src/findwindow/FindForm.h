#pragma once

#include "find/SearchSettings.h"
#include "platform/ListSort.h"

#include <QDialog>
#include <QList>

class FindHitActions;
struct FindSortState;
class PathLabel;
class ProgressAnimation;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTabWidget;
class QToolBar;
class QToolButton;
class SettingsStore;
class TDataShare;
class TFindList;

// The Find window: criteria on four pages, the search, the hits in an
// Explorer-style list, browsing into a hit's contents, and the actions on
// hits. Opened modally from the main window's Find commands. Whatever
// belongs to the main window (selecting a hit in its tree, refreshing it after
// a change, the commands on hits) goes through the FindHitActions it hands
// over, so this window knows nothing of the main window.
class TFind_Form final : public QDialog
{
    Q_OBJECT

public:
    // The registry sections of the window.
    static inline const QString kFindOptionsSection = QStringLiteral("Find Options");
    static inline const QString kPlacementSection = QStringLiteral("Archive Options");

    TFind_Form(TDataShare &data, SettingsStore &settings, qint64 startId, FindHitActions *actions,
               QWidget *parent = nullptr);
    ~TFind_Form() override;

    // Opens the window for a start object, shows it modally and frees it.
    // The list starts with sort and hands back the sort it ended with, so the
    // caller can keep it for its next Find window.
    static void ShowFind(TDataShare &data, SettingsStore &settings, qint64 startId,
                         FindHitActions *actions, FindSortState &sort, QWidget *parent);

    // Reads or writes the criteria: with a file name the saved search file,
    // without one the "Search Settings" section. False when a file failed.
    bool TransferSettings(bool save, const QString &fileName = QString());
    // The criteria as the controls hold them, and back.
    SearchSettings Criteria() const;
    void SetCriteria(const SearchSettings &criteria);

    qint64 StartId() const { return m_startId; }
    void SetStartId(qint64 id);
    bool Searching() const { return m_searching; }
    bool BrowseMode() const { return !m_history.isEmpty(); }
    const QList<qint64> &History() const { return m_history; }
    TFindList *List() const { return ListView1; }

public slots:
    void FindNowClick();
    void StopOrCloseClick();
    void NewSearchClick();
    void FindBtnClick();
    void MoveUpBtnClick();
    void LoadSearchClick();
    void SaveSearchClick();
    void SetIconView(int view);
    void UpdateMenus();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;
    bool event(QEvent *event) override;

private slots:
    void ListView1SelectionChange();
    void ListView1DblClick();
    void ListView1ContextMenu(const QPoint &globalPosition);
    void ListView1LabelEdited(int row, const QString &text);
    void DateRadioClick();
    void LookInBrowseClick();
    void SourceBrowseClick();
    void RenameClick();
    void DeleteClick();
    void OpenClick();
    void QuickViewClick();
    void PropertiesClick();
    void CommentsClick();
    void ExploreClick();
    void ToolbarClick();
    void StatusBarClick();
    void AboutClick();

private:
    void BuildMenus();
    void BuildToolbar();
    void BuildCriteria();
    void ConnectActions();
    void FormShow();
    void FormClose();
    // False while a search runs (a close request stops it instead); the
    // first close that may go saves the window's state.
    bool ReadyToClose();
    void ShowStatus(const QString &first, const QString &second);
    void Browse(qint64 id);
    void LeaveBrowseMode();
    void ShowCriteriaPanel(bool shown);
    QString HitPathOf(const ListEntry &entry);
    // Reads the entry of a row again from its stored row; false when gone.
    bool RefillRow(int row);
    void ArrangeBy(int column);

    TDataShare &m_data;
    SettingsStore &m_settings;
    FindHitActions *m_actions;
    std::unique_ptr<FindHitActions> m_noActions;
    qint64 m_startId;

    bool m_searching = false;
    bool m_shownOnce = false;
    bool m_closing = false;
    QList<qint64> m_history;
    int m_iconView = 0;
    qint64 m_sortOrder = 0;
    QString m_mask;

public:
    // Widgets and actions. A menu item is named after its command; the list
    // popup's own items start with Popup. The object names keep the form's
    // designer names ("Rename1", "Rename2"): the help texts are found by them.
    QMenuBar *MainMenu = nullptr;
    QMenu *FileMenu = nullptr, *ViewMenu = nullptr, *ToolsMenu = nullptr, *HelpMenu = nullptr;
    QMenu *ArrangeMenu = nullptr, *OptionsMenu = nullptr, *ListPopup = nullptr;
    QAction *LoadSearchItem = nullptr, *SaveSearchItem = nullptr, *RenameItem = nullptr,
            *DeleteItem = nullptr, *OpenSeparator = nullptr, *OpenItem = nullptr,
            *QuickViewItem = nullptr, *PropertiesItem = nullptr, *ExitFindItem = nullptr;
    QAction *ToolbarItem = nullptr, *StatusBarItem = nullptr, *LargeIconsItem = nullptr,
            *SmallIconsItem = nullptr, *ListItem = nullptr, *DetailItem = nullptr;
    QAction *ByNameItem = nullptr, *ByTypeItem = nullptr, *BySizeItem = nullptr,
            *ByDateItem = nullptr, *AutoArrangeItem = nullptr, *PreserveItem = nullptr;
    QAction *CommentsItem = nullptr, *ExploreItem = nullptr, *ContentsItem = nullptr,
            *AboutItem = nullptr;
    QAction *PopupLargeIcons = nullptr, *PopupSmallIcons = nullptr, *PopupList = nullptr,
            *PopupDetail = nullptr;
    QAction *PopupByName = nullptr, *PopupByType = nullptr, *PopupBySize = nullptr,
            *PopupByDate = nullptr, *PopupAutoArrange = nullptr;
    // The list popup's own entries; Delete, Open, Quick View and Explore
    // appear there as the File and Tools menus' actions.
    QAction *PopupRename = nullptr, *PopupOpenSeparator = nullptr, *PopupProperties = nullptr,
            *PopupComments = nullptr;
    QToolBar *ToolbarPanel = nullptr;
    QAction *FindBtn = nullptr, *PropertiesBtn = nullptr, *MoveUpBtn = nullptr,
            *IconViewLargeBtn = nullptr, *IconViewSmallBtn = nullptr, *IconViewListBtn = nullptr,
            *IconViewDetailBtn = nullptr, *HelpBtn = nullptr;

    QWidget *CriteriaPanel = nullptr;
    QTabWidget *PageControl1 = nullptr;
    QLineEdit *NameEdit = nullptr;
    QComboBox *TypeCombo = nullptr;
    QLineEdit *LookInEdit = nullptr;
    QToolButton *LookInBrowse = nullptr;
    QCheckBox *IncludeSubsCheck = nullptr;
    QRadioButton *AllEntriesRadio = nullptr, *DateRadio = nullptr;
    QLabel *BetweenLabel = nullptr, *AndLabel = nullptr;
    QLineEdit *BetweenEdit = nullptr, *AndEdit = nullptr;
    QLineEdit *CommentEdit = nullptr;
    QCheckBox *WholeWordsCheck = nullptr, *MatchCaseCheck = nullptr;
    QLineEdit *LabelEdit = nullptr, *SourceEdit = nullptr;
    QToolButton *SourceBrowse = nullptr;
    QPushButton *FindNowBtn = nullptr, *CloseBtn = nullptr, *NewSearchBtn = nullptr;
    QWidget *AnimationPanel = nullptr;
    ProgressAnimation *Animation = nullptr;
    TFindList *ListView1 = nullptr;
    PathLabel *LocationLine = nullptr;
    QStatusBar *StatusBar = nullptr;
    QLabel *StatusItems = nullptr, *StatusText = nullptr;
};

#include "findwindow/FindForm.h"

#include "find/CatalogSnapshot.h"
#include "find/SearchEngine.h"
#include "findwindow/FindHitActions.h"
#include "findwindow/FindList.h"
#include "findwindow/FindMenuRules.h"
#include "platform/DisplayFormats.h"
#include "platform/FileTypes.h"
#include "platform/SettingsStore.h"
#include "platform/UserInterface.h"
#include "store/CatalogRows.h"
#include "store/DataShare.h"
#include "ui/AboutBox.h"
#include "ui/BusyCursor.h"
#include "ui/CatalogListFill.h"
#include "ui/CatalogListModel.h"
#include "ui/ContextHelp.h"
#include "ui/HandlerGuard.h"
#include "ui/MenuBuilding.h"
#include "ui/PathLabel.h"
#include "ui/ProgressAnimation.h"
#include "ui/ViewModeIcons.h"
#include "ui/WindowPlacement.h"

#include <QAbstractItemView>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kSearchSection = kSearchSettingsSection;
const QString kSavedSearchFilter = QStringLiteral("Dirvanta Saved Searches (*.dvs);;All Files (*)");
constexpr int kSearchAnimation = 179;
constexpr int kMaxDateLength = 20;

// Sizes are given for 120 dots per inch.
int Scaled(const QWidget *widget, int size)
{
    return qRound(size * widget->logicalDpiY() / 120.0);
}

// A new widget of the object name, made of the other arguments.
template<typename Widget, typename... Args>
Widget *NewNamed(const char *name, Args &&...args)
{
    auto *widget = new Widget(std::forward<Args>(args)...);
    widget->setObjectName(QLatin1String(name));
    return widget;
}

void ApplyItem(QAction *action, const FindMenuItem &item, bool available)
{
    action->setText(item.caption);
    ApplyHint(action, item.hint);
    action->setEnabled(item.enabled && available);
    action->setVisible(item.visible);
}

} // namespace

TFind_Form::TFind_Form(TDataShare &data, SettingsStore &settings, qint64 startId,
                       FindHitActions *actions, QWidget *parent)
    : QDialog(parent)
    , m_data(data)
    , m_settings(settings)
    , m_actions(actions)
    , m_startId(startId)
{
    setObjectName(QStringLiteral("Find_Form"));
    setWindowTitle(QStringLiteral("Find"));
    setSizeGripEnabled(true);
    if (!m_actions) {
        m_noActions = std::make_unique<FindHitActions>();
        m_actions = m_noActions.get();
    }
    BuildMenus();
    BuildToolbar();
    BuildCriteria();

    ListView1 = new TFindList(this);
    LocationLine = new PathLabel(this);
    LocationLine->setObjectName(QStringLiteral("LocationLine"));
    LocationLine->hide();
    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar->setSizeGripEnabled(false);
    StatusItems = new QLabel(StatusBar);
    StatusItems->setObjectName(QStringLiteral("StatusItems"));
    StatusItems->setMinimumWidth(Scaled(this, 100));
    StatusText = new QLabel(StatusBar);
    StatusText->setObjectName(QStringLiteral("StatusText"));
    StatusBar->addWidget(StatusItems);
    StatusBar->addWidget(StatusText, 1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->setMenuBar(MainMenu);
    layout->addWidget(ToolbarPanel);
    layout->addWidget(CriteriaPanel);
    layout->addWidget(ListView1, 1);
    layout->addWidget(LocationLine);
    layout->addWidget(StatusBar);
    resize(Scaled(this, 560), Scaled(this, 460));

    ConnectActions();
    SetStartId(startId);
}

TFind_Form::~TFind_Form() = default;

void TFind_Form::ShowFind(TDataShare &data, SettingsStore &settings, qint64 startId,
                          FindHitActions *actions, FindSortState &sort, QWidget *parent)
{
    TFind_Form form(data, settings, startId, actions, parent);
    form.ListView1->SetSort(sort);
    form.exec();
    sort = form.ListView1->Sort();
}

void TFind_Form::BuildMenus()
{
    MainMenu = new QMenuBar(this);
    MainMenu->setObjectName(QStringLiteral("MainMenu"));
    FileMenu = TopMenu(this, "File1", "&File", "File Related Commands");
    LoadSearchItem =
        MenuItem(FileMenu, "LoadSearch1", "&Load Search...", "Loads a previously saved search");
    SaveSearchItem = MenuItem(FileMenu, "SaveSearch1", "Save Search...",
                              "Saves the current search parameters for use another time");
    FileMenu->addSeparator();
    RenameItem = MenuItem(FileMenu, "Rename1", "&Rename", "Rename the Currently Selected Object",
                          QKeySequence(Qt::Key_F2));
    DeleteItem = MenuItem(FileMenu, "Delete1", "&Delete", "Delete the Currently Selected Object");
    OpenSeparator = FileMenu->addSeparator();
    OpenItem = MenuItem(FileMenu, "Open1", "&Open",
                        "Opens the Selected Item using its associated Application");
    QuickViewItem =
        MenuItem(FileMenu, "QuickView1", "&Quick View", "Display a preview of the select item");
    FileMenu->addSeparator();
    PropertiesItem = MenuItem(FileMenu, "Properties1", "&Properties...",
                              "Displays the Properties of the Selected Object",
                              QKeySequence(Qt::ALT | Qt::Key_Return));
    FileMenu->addSeparator();
    ExitFindItem = MenuItem(FileMenu, "ExitFind1", "E&xit Find", "Terminates the Find Function");

    ViewMenu = TopMenu(this, "View1", "&View", "Contains Commands for Customizing this Display");
    ToolbarItem = MenuItem(ViewMenu, "Toolbar1", "&Toolbar", "Shows or hides the Toolbar");
    StatusBarItem =
        MenuItem(ViewMenu, "StatusBar1", "Status &Bar", "Shows or hides the Status Bar");
    ToolbarItem->setCheckable(true);
    StatusBarItem->setCheckable(true);
    ToolbarItem->setChecked(true);
    StatusBarItem->setChecked(true);
    ViewMenu->addSeparator();
    std::tie(LargeIconsItem, SmallIconsItem, ListItem, DetailItem) =
        AddViewModeItems(this, ViewMenu, '1');
    LargeIconsItem->setChecked(true);
    ViewMenu->addSeparator();
    ArrangeMenu = AddSubmenu(ViewMenu, "Arrange1", "Arrange &Icons",
                             "Contains command for arranging items in the window");
    std::tie(ByNameItem, ByTypeItem, BySizeItem, ByDateItem) =
        AddArrangeItems(ArrangeMenu, '1', "Sorts items by type|");
    ViewMenu->addSeparator();
    AutoArrangeItem = AddAutoArrangeItem(ViewMenu, '1');
    ViewMenu->addSeparator();
    OptionsMenu =
        AddSubmenu(ViewMenu, "Options1", "&Options", "Changes the Display Options for this Window");
    PreserveItem = MenuItem(OptionsMenu, "Preserve1", "&Preserve Find Parameters",
                            "Preserves the Find Parameters for the next use of the Find Command");
    PreserveItem->setCheckable(true);

    ToolsMenu = TopMenu(this, "Tools1", "&Tools", "Commands related to Catalog tools");
    CommentsItem = MenuItem(ToolsMenu, "Comments1", "&Edit Comments...",
                            "Displays the Comments associated with the Catalog Entry",
                            QKeySequence(Qt::Key_F9));
    ToolsMenu->addSeparator();
    ExploreItem = MenuItem(ToolsMenu, "Explore1", "E&xplore...",
                           "Explore the Current Disk Catalog or Folder");

    HelpMenu = TopMenu(this, "Help1", "&Help", "Information and Help related commands");
    ContentsItem = MenuItem(HelpMenu, "Contents1", "&Need Help ?",
                            "Access the Dirvanta on-line help", QKeySequence(Qt::Key_F1));
    HelpMenu->addSeparator();
    AboutItem = MenuItem(HelpMenu, "About1", "&About Dirvanta 97...",
                         "Displays the Copyright, version and build details for Dirvanta");
    for (QMenu *menu : {FileMenu, ViewMenu, ToolsMenu, HelpMenu})
        MainMenu->addMenu(menu);
    // The shortcuts work while the menus are closed, as the window's own.
    addActions({RenameItem, PropertiesItem, CommentsItem, ContentsItem});

    ListPopup = new QMenu(this);
    ListPopup->setObjectName(QStringLiteral("ListPopup"));
    QMenu *views = AddSubmenu(ListPopup, "ViewMenu2", "&View",
                              "Contains commands for customizing this window");
    std::tie(PopupLargeIcons, PopupSmallIcons, PopupList, PopupDetail) =
        AddViewModeItems(this, views, '2');
    PopupLargeIcons->setChecked(true);
    ListPopup->addSeparator();
    QMenu *arrange = AddSubmenu(ListPopup, "Arrange2", "Arrange &Icons",
                                "Contains command for arranging items in the window");
    std::tie(PopupByName, PopupByType, PopupBySize, PopupByDate) =
        AddArrangeItems(arrange, '2', "Sorts items by type");
    arrange->addSeparator();
    PopupAutoArrange = AddAutoArrangeItem(arrange, '2');
    PopupAutoArrange->setChecked(true);
    AutoArrangeItem->setChecked(true);
    ListPopup->addSeparator();
    PopupRename = MenuItem(ListPopup, "Rename2", "&Rename", "Rename the Currently Selected Object");
    // Commands whose popup entry reads as the menu's are the menu's own action.
    ListPopup->addAction(DeleteItem);
    PopupOpenSeparator = ListPopup->addSeparator();
    ListPopup->addActions({OpenItem, QuickViewItem, ExploreItem});
    ListPopup->addSeparator();
    PopupProperties = MenuItem(ListPopup, "Properties2", "&Properties...",
                               "Displays the Properties of the Selected Object");
    ListPopup->addSeparator();
    PopupComments = MenuItem(ListPopup, "Comments2", "&Comments...",
                             "Displays the Comments associated with the Catalog Entry");
}

void TFind_Form::BuildToolbar()
{
    ToolbarPanel = new QToolBar(this);
    ToolbarPanel->setObjectName(QStringLiteral("ToolbarPanel"));
    ToolbarPanel->setFixedHeight(Scaled(this, 34));
    ToolbarPanel->setIconSize(QSize(Scaled(this, 20), Scaled(this, 20)));
    QStyle *style = QApplication::style();
    FindBtn = ToolbarAction(this, "FindBtn", style->standardIcon(QStyle::SP_FileDialogContentsView),
                            "Find Entries|");
    PropertiesBtn =
        ToolbarAction(this, "PropertiesBtn", style->standardIcon(QStyle::SP_FileDialogInfoView),
                      "Display Properties|");
    MoveUpBtn = ToolbarAction(this, "MoveUpBtn", style->standardIcon(QStyle::SP_FileDialogToParent),
                              "Move up a Level|");
    IconViewLargeBtn = ToolbarAction(this, "IconViewLargeBtn", ViewModeIcon(0), "Large Icon View|");
    IconViewSmallBtn = ToolbarAction(this, "IconViewSmallBtn", ViewModeIcon(1), "Small Icon View|");
    IconViewListBtn = ToolbarAction(this, "IconViewListBtn", ViewModeIcon(2), "List View|");
    IconViewDetailBtn = ToolbarAction(this, "IconViewDetailBtn", ViewModeIcon(3), "Detail View|");
    HelpBtn =
        ToolbarAction(this, "HelpBtn", style->standardIcon(QStyle::SP_TitleBarContextHelpButton),
                      "Context Help|");
    MakeExclusive(this, {IconViewLargeBtn, IconViewSmallBtn, IconViewListBtn, IconViewDetailBtn});
    IconViewLargeBtn->setChecked(true);
    ToolbarPanel->addActions({FindBtn, PropertiesBtn, MoveUpBtn});
    ToolbarPanel->addSeparator();
    ToolbarPanel->addActions(
        {IconViewLargeBtn, IconViewSmallBtn, IconViewListBtn, IconViewDetailBtn});
    ToolbarPanel->addSeparator();
    ToolbarPanel->addAction(HelpBtn);
    FindBtn->setEnabled(false);
    PropertiesBtn->setEnabled(false);
    MoveUpBtn->setEnabled(false);
}

void TFind_Form::BuildCriteria()
{
    CriteriaPanel = NewNamed<QWidget>("CriteriaPanel", this);
    CriteriaPanel->setFixedHeight(Scaled(this, 188));
    PageControl1 = NewNamed<QTabWidget>("PageControl1", CriteriaPanel);
    const QIcon folder = QApplication::style()->standardIcon(QStyle::SP_DirIcon);
    // A page of the criteria, laid out on a grid.
    const auto newPage = [this](const char *name) {
        auto *page = NewNamed<QWidget>(name, PageControl1);
        return std::pair{page, new QGridLayout(page)};
    };

    const auto [namePage, nameGrid] = newPage("NamePage");
    NameEdit = NewNamed<QLineEdit>("NameEdit", namePage);
    TypeCombo = NewNamed<QComboBox>("TypeCombo", namePage);
    TypeCombo->addItems(SearchTypeLabels());
    TypeCombo->setMaxVisibleItems(13);
    LookInEdit = NewNamed<QLineEdit>("LookInEdit", namePage);
    LookInEdit->setReadOnly(true);
    LookInBrowse = NewNamed<QToolButton>("LookInBrowse", namePage);
    LookInBrowse->setIcon(folder);
    IncludeSubsCheck =
        NewNamed<QCheckBox>("IncludeSubsCheck", QStringLiteral("&Include subfolders"), namePage);
    IncludeSubsCheck->setChecked(true);
    auto label = [](const QString &text, QWidget *buddy, QWidget *parent) {
        auto *l = new QLabel(text, parent);
        l->setBuddy(buddy);
        return l;
    };
    nameGrid->addWidget(label(QStringLiteral("&Named:"), NameEdit, namePage), 0, 0);
    nameGrid->addWidget(NameEdit, 0, 1, 1, 2);
    nameGrid->addWidget(label(QStringLiteral("T&ype:"), TypeCombo, namePage), 1, 0);
    nameGrid->addWidget(TypeCombo, 1, 1, 1, 2);
    nameGrid->addWidget(label(QStringLiteral("Look in:"), LookInEdit, namePage), 2, 0);
    nameGrid->addWidget(LookInEdit, 2, 1);
    nameGrid->addWidget(LookInBrowse, 2, 2);
    nameGrid->addWidget(IncludeSubsCheck, 3, 1, 1, 2);
    nameGrid->setRowStretch(4, 1);
    PageControl1->addTab(namePage, QStringLiteral("Name"));

    const auto [datePage, dateGrid] = newPage("DatePage");
    AllEntriesRadio =
        NewNamed<QRadioButton>("AllEntriesRadio", QStringLiteral("All &Entries"), datePage);
    AllEntriesRadio->setChecked(true);
    DateRadio = NewNamed<QRadioButton>(
        "DateRadio", QStringLiteral("Find all Entries created or &modified:"), datePage);
    BetweenEdit = NewNamed<QLineEdit>("BetweenEdit", datePage);
    BetweenEdit->setMaxLength(kMaxDateLength);
    AndEdit = NewNamed<QLineEdit>("AndEdit", datePage);
    AndEdit->setMaxLength(kMaxDateLength);
    BetweenLabel = label(QStringLiteral("&between"), BetweenEdit, datePage);
    AndLabel = label(QStringLiteral("&and"), AndEdit, datePage);
    dateGrid->addWidget(AllEntriesRadio, 0, 0, 1, 3);
    dateGrid->addWidget(DateRadio, 1, 0, 1, 3);
    dateGrid->addWidget(BetweenLabel, 2, 1);
    dateGrid->addWidget(BetweenEdit, 2, 2);
    dateGrid->addWidget(AndLabel, 3, 1);
    dateGrid->addWidget(AndEdit, 3, 2);
    dateGrid->setColumnMinimumWidth(0, Scaled(this, 16));
    dateGrid->setRowStretch(4, 1);
    PageControl1->addTab(datePage, QStringLiteral("Date Modified"));

    const auto [commentPage, commentGrid] = newPage("CommentPage");
    CommentEdit = NewNamed<QLineEdit>("CommentEdit", commentPage);
    WholeWordsCheck = NewNamed<QCheckBox>("WholeWordsCheck",
                                          QStringLiteral("Match &whole words only"), commentPage);
    MatchCaseCheck =
        NewNamed<QCheckBox>("MatchCaseCheck", QStringLiteral("Match &case"), commentPage);
    commentGrid->addWidget(label(QStringLiteral("Containing &Text:"), CommentEdit, commentPage), 0,
                           0);
    commentGrid->addWidget(CommentEdit, 0, 1);
    commentGrid->addWidget(WholeWordsCheck, 1, 1);
    commentGrid->addWidget(MatchCaseCheck, 2, 1);
    commentGrid->setRowStretch(3, 1);
    PageControl1->addTab(commentPage, QStringLiteral("Comments"));

    const auto [advancedPage, advancedGrid] = newPage("AdvancedPage");
    LabelEdit = NewNamed<QLineEdit>("LabelEdit", advancedPage);
    SourceEdit = NewNamed<QLineEdit>("SourceEdit", advancedPage);
    SourceBrowse = NewNamed<QToolButton>("SourceBrowse", advancedPage);
    SourceBrowse->setIcon(folder);
    advancedGrid->addWidget(new QLabel(QStringLiteral("Disk Label ID:"), advancedPage), 0, 0);
    advancedGrid->addWidget(LabelEdit, 0, 1, 1, 2);
    advancedGrid->addWidget(new QLabel(QStringLiteral("Catalog Source:"), advancedPage), 1, 0);
    advancedGrid->addWidget(SourceEdit, 1, 1);
    advancedGrid->addWidget(SourceBrowse, 1, 2);
    advancedGrid->setRowStretch(2, 1);
    PageControl1->addTab(advancedPage, QStringLiteral("Advanced"));

    FindNowBtn = NewNamed<QPushButton>("FindNowBtn", QStringLiteral("&Find Now"), CriteriaPanel);
    FindNowBtn->setDefault(true);
    FindNowBtn->setAutoDefault(true);
    CloseBtn = NewNamed<QPushButton>("CloseBtn", QStringLiteral("Close"), CriteriaPanel);
    CloseBtn->setAutoDefault(false);
    NewSearchBtn =
        NewNamed<QPushButton>("NewSearchBtn", QStringLiteral("&New Search"), CriteriaPanel);
    NewSearchBtn->setAutoDefault(false);
    AnimationPanel = NewNamed<QWidget>("AnimationPanel", CriteriaPanel);
    Animation = NewNamed<ProgressAnimation>("Animation", AnimationPanel);
    auto *animationLayout = new QVBoxLayout(AnimationPanel);
    animationLayout->setContentsMargins(0, 0, 0, 0);
    animationLayout->addWidget(Animation);
    AnimationPanel->setFixedHeight(Scaled(this, 60));
    AnimationPanel->hide();

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(FindNowBtn);
    buttons->addWidget(CloseBtn);
    buttons->addWidget(NewSearchBtn);
    buttons->addWidget(AnimationPanel);
    buttons->addStretch(1);
    auto *panel = new QHBoxLayout(CriteriaPanel);
    panel->setContentsMargins(6, 4, 6, 4);
    panel->addWidget(PageControl1, 1);
    panel->addLayout(buttons);
    DateRadioClick();
}

void TFind_Form::ConnectActions()
{
    // Every slot that may reach the database runs under the guard: a failure
    // is reported and the window carries on.
    const auto guarded = [this](auto slot) { return Guarded(m_data, this, slot); };
    for (QMenu *menu : {FileMenu, ViewMenu, ToolsMenu, ListPopup})
        connect(menu, &QMenu::aboutToShow, this, guarded(&TFind_Form::UpdateMenus));
    connect(FindNowBtn, &QPushButton::clicked, this, guarded(&TFind_Form::FindNowClick));
    connect(CloseBtn, &QPushButton::clicked, this, &TFind_Form::StopOrCloseClick);
    connect(NewSearchBtn, &QPushButton::clicked, this, &TFind_Form::NewSearchClick);
    connect(FindBtn, &QAction::triggered, this, &TFind_Form::FindBtnClick);
    connect(MoveUpBtn, &QAction::triggered, this, guarded(&TFind_Form::MoveUpBtnClick));
    connect(LoadSearchItem, &QAction::triggered, this, &TFind_Form::LoadSearchClick);
    connect(SaveSearchItem, &QAction::triggered, this, &TFind_Form::SaveSearchClick);
    connect(ExitFindItem, &QAction::triggered, this, &QWidget::close);
    connect(AllEntriesRadio, &QRadioButton::clicked, this, &TFind_Form::DateRadioClick);
    connect(DateRadio, &QRadioButton::clicked, this, &TFind_Form::DateRadioClick);
    connect(LookInBrowse, &QToolButton::clicked, this, guarded(&TFind_Form::LookInBrowseClick));
    connect(SourceBrowse, &QToolButton::clicked, this, &TFind_Form::SourceBrowseClick);
    for (QAction *action : {RenameItem, PopupRename})
        connect(action, &QAction::triggered, this, guarded(&TFind_Form::RenameClick));
    connect(DeleteItem, &QAction::triggered, this, guarded(&TFind_Form::DeleteClick));
    connect(OpenItem, &QAction::triggered, this, guarded(&TFind_Form::OpenClick));
    connect(QuickViewItem, &QAction::triggered, this, guarded(&TFind_Form::QuickViewClick));
    for (QAction *action : {PropertiesItem, PopupProperties, PropertiesBtn})
        connect(action, &QAction::triggered, this, guarded(&TFind_Form::PropertiesClick));
    for (QAction *action : {CommentsItem, PopupComments})
        connect(action, &QAction::triggered, this, guarded(&TFind_Form::CommentsClick));
    connect(ExploreItem, &QAction::triggered, this, guarded(&TFind_Form::ExploreClick));
    connect(ToolbarItem, &QAction::triggered, this, &TFind_Form::ToolbarClick);
    connect(StatusBarItem, &QAction::triggered, this, &TFind_Form::StatusBarClick);
    connect(AboutItem, &QAction::triggered, this, &TFind_Form::AboutClick);
    connect(ContentsItem, &QAction::triggered, this, [this] {
        if (m_actions->Available(FindHitActions::Help))
            m_actions->ShowHelp(this, 0);
    });
    connect(HelpBtn, &QAction::triggered, this, &EnterContextHelp);
    const std::pair<QAction *, int> views[] = {
        {LargeIconsItem, 0},   {SmallIconsItem, 1},   {ListItem, 2},        {DetailItem, 3},
        {PopupLargeIcons, 0},  {PopupSmallIcons, 1},  {PopupList, 2},       {PopupDetail, 3},
        {IconViewLargeBtn, 0}, {IconViewSmallBtn, 1}, {IconViewListBtn, 2}, {IconViewDetailBtn, 3}};
    for (const auto &[action, view] : views)
        connect(action, &QAction::triggered, this, [this, view = view] { SetIconView(view); });
    const std::pair<QAction *, int> arrangements[] = {
        {ByNameItem, 0},  {ByTypeItem, 2},  {BySizeItem, 1},  {ByDateItem, 3},
        {PopupByName, 0}, {PopupByType, 2}, {PopupBySize, 1}, {PopupByDate, 3}};
    for (const auto &[action, column] : arrangements)
        connect(action, &QAction::triggered, this, [this, column = column] { ArrangeBy(column); });
    for (QAction *action : {AutoArrangeItem, PopupAutoArrange})
        connect(action, &QAction::triggered, this, [this](bool checked) {
            AutoArrangeItem->setChecked(checked);
            PopupAutoArrange->setChecked(checked);
        });
    connect(ListView1, &TFindList::SelectionChanged, this,
            guarded(&TFind_Form::ListView1SelectionChange));
    connect(ListView1, &TFindList::EntryActivated, this, guarded(&TFind_Form::ListView1DblClick));
    connect(ListView1, &TFindList::ContextMenuRequested, this,
            guarded(&TFind_Form::ListView1ContextMenu));
    connect(ListView1, &TFindList::LabelEdited, this, guarded(&TFind_Form::ListView1LabelEdited));
    connect(ListView1, &TFindList::DeleteRequested, this, Guarded(m_data, [this] {
                UpdateMenus();
                if (DeleteItem->isEnabled())
                    DeleteClick();
            }));
}

// --- Showing and closing ----------------------------------------------------

void TFind_Form::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        FormShow();
    }
}

void TFind_Form::FormShow()
{
    ListView1->LoadColumnWidths(m_settings);
    m_sortOrder = m_settings.ReadInteger(kSearchSection, QStringLiteral("Sort Order"), 0);
    SetIconView(int(m_settings.ReadInteger(kSearchSection, QStringLiteral("Icon View"), 0)));
    PreserveItem->setChecked(
        m_settings.ReadBool(kSearchSection, QStringLiteral("Preserve"), false));
    StatusBarItem->setChecked(
        m_settings.ReadBool(kSearchSection, QStringLiteral("Status Bar"), true));
    ToolbarItem->setChecked(m_settings.ReadBool(kSearchSection, QStringLiteral("Toolbar"), true));
    StatusBar->setVisible(StatusBarItem->isChecked());
    ToolbarPanel->setVisible(ToolbarItem->isChecked());
    ShowStatus(QString(), QString());
    if (PreserveItem->isChecked())
        TransferSettings(false);
    LoadPlacement(*this, m_settings, kPlacementSection);
    LookInBrowse->setEnabled(m_actions->Available(FindHitActions::SelectObject));
    const bool help = m_actions->Available(FindHitActions::Help);
    ContentsItem->setEnabled(help);
    HelpBtn->setEnabled(help);
    NameEdit->setFocus();
}

void TFind_Form::FormClose()
{
    {
        const BusyCursor busy;
        ShowStatus(QStringLiteral("Please Wait..."),
                   QStringLiteral("Clearing Previous Search Results."));
        m_settings.WriteInteger(kSearchSection, QStringLiteral("Sort Order"), m_sortOrder);
        m_settings.WriteInteger(kSearchSection, QStringLiteral("Icon View"), m_iconView);
        m_settings.WriteBool(kSearchSection, QStringLiteral("Preserve"), PreserveItem->isChecked());
        m_settings.WriteBool(kSearchSection, QStringLiteral("Status Bar"),
                             StatusBarItem->isChecked());
        m_settings.WriteBool(kSearchSection, QStringLiteral("Toolbar"), ToolbarItem->isChecked());
        if (PreserveItem->isChecked())
            TransferSettings(true);
        SavePlacement(*this, m_settings, kPlacementSection);
        LocationLine->SetPath(QString());
        ListView1->Clear();
    }
    m_history.clear();
    ListView1->SaveColumnWidths(m_settings);
    m_settings.Flush();
    // The in-memory copy of the catalog served this window's searches; its
    // memory goes back now rather than when the database next changes.
    CatalogSnapshot::Forget();
}

bool TFind_Form::ReadyToClose()
{
    // While a search runs the window cannot go: the search is inside this
    // window's call. Closing it is a Stop.
    if (m_searching) {
        if (CloseBtn->text() == QLatin1String("Stop"))
            StopOrCloseClick();
        return false;
    }
    if (!m_closing) {
        m_closing = true;
        FormClose();
    }
    return true;
}

void TFind_Form::closeEvent(QCloseEvent *event)
{
    if (ReadyToClose())
        QDialog::closeEvent(event);
    else
        event->ignore();
}

void TFind_Form::reject()
{
    if (ReadyToClose())
        QDialog::reject();
}

bool TFind_Form::event(QEvent *event)
{
    // A hint shows alone in the status bar while there is one.
    if (event->type() == QEvent::StatusTip) {
        const QString tip = static_cast<QStatusTipEvent *>(event)->tip();
        if (tip.isEmpty())
            StatusBar->clearMessage();
        else
            StatusBar->showMessage(tip);
        return true;
    }
    return QDialog::event(event);
}

// --- Criteria ----------------------------------------------------------------

SearchSettings TFind_Form::Criteria() const
{
    SearchSettings c;
    c.name = NameEdit->text();
    c.type = qMax(0, TypeCombo->currentIndex());
    c.includeSubs = IncludeSubsCheck->isChecked();
    c.allEntries = AllEntriesRadio->isChecked();
    c.notAllEntries = DateRadio->isChecked();
    c.between = BetweenEdit->text();
    c.andDate = AndEdit->text();
    c.comment = CommentEdit->text();
    c.wholeWords = WholeWordsCheck->isChecked();
    c.matchCase = MatchCaseCheck->isChecked();
    c.labelId = LabelEdit->text();
    c.source = SourceEdit->text();
    return c;
}

void TFind_Form::SetCriteria(const SearchSettings &c)
{
    NameEdit->setText(c.name);
    TypeCombo->setCurrentIndex(c.type >= 0 && c.type < kSearchTypeCount ? c.type : 0);
    IncludeSubsCheck->setChecked(c.includeSubs);
    // The two radio states are kept apart; the date one wins when both are set.
    DateRadio->setChecked(c.notAllEntries);
    AllEntriesRadio->setChecked(!c.notAllEntries);
    BetweenEdit->setText(c.between.left(kMaxDateLength));
    AndEdit->setText(c.andDate.left(kMaxDateLength));
    CommentEdit->setText(c.comment);
    WholeWordsCheck->setChecked(c.wholeWords);
    MatchCaseCheck->setChecked(c.matchCase);
    LabelEdit->setText(c.labelId);
    SourceEdit->setText(c.source);
    DateRadioClick();
}

bool TFind_Form::TransferSettings(bool save, const QString &fileName)
{
    if (save) {
        const SearchSettings criteria = Criteria();
        if (!fileName.isEmpty())
            return SaveSearchFile(fileName, criteria);
        WriteSearchSettings(m_settings, criteria);
        return true;
    }
    if (fileName.isEmpty()) {
        SetCriteria(ReadSearchSettings(m_settings));
        return true;
    }
    const std::optional<SearchSettings> loaded = LoadSearchFile(fileName);
    if (!loaded)
        return false;
    SetCriteria(*loaded);
    return true;
}

void TFind_Form::SetStartId(qint64 id)
{
    m_startId = id;
    LookInEdit->setText(m_data.Catalogs.PathByID(id, true));
}

void TFind_Form::DateRadioClick()
{
    const bool on = DateRadio->isChecked();
    for (QWidget *widget : {static_cast<QWidget *>(BetweenLabel), static_cast<QWidget *>(AndLabel),
                            static_cast<QWidget *>(BetweenEdit), static_cast<QWidget *>(AndEdit)})
        widget->setEnabled(on);
}

void TFind_Form::LookInBrowseClick()
{
    if (m_searching || !m_actions->Available(FindHitActions::SelectObject))
        return;
    const std::optional<qint64> chosen = m_actions->ChooseObject(
        this, QStringLiteral("Select Object"),
        QStringLiteral("Select the Object where you want to begin the search"), m_startId);
    if (chosen)
        SetStartId(*chosen);
}

void TFind_Form::SourceBrowseClick()
{
    if (m_searching)
        return;
    const QString folder =
        UI().ChooseFolder(QStringLiteral("Select Catalog Source"), SourceEdit->text());
    if (!folder.isEmpty())
        SourceEdit->setText(folder);
}

void TFind_Form::LoadSearchClick()
{
    if (m_searching)
        return;
    const QString folder = m_settings.ReadText(kFindOptionsSection, QStringLiteral("Save Folder"));
    const QString file =
        UI().ChooseOpenFile(QStringLiteral("Load Saved Search"), folder, kSavedSearchFilter);
    if (file.isEmpty())
        return;
    m_settings.WriteText(kFindOptionsSection, QStringLiteral("Save Folder"),
                         QFileInfo(file).absolutePath());
    if (!QFileInfo(file).isFile() || !TransferSettings(false, file))
        UI().ShowError(QStringLiteral("Load Saved Search"),
                       QStringLiteral("The saved search \"") + file +
                           QStringLiteral("\" could not be read.") + kParagraphBreak +
                           QStringLiteral("Please check the file name and try again."));
}

void TFind_Form::SaveSearchClick()
{
    if (m_searching)
        return;
    const QString folder = m_settings.ReadText(kFindOptionsSection, QStringLiteral("Save Folder"));
    const QString file = UI().ChooseSaveFile(QStringLiteral("Save Current Search"), folder,
                                             QString(), kSavedSearchFilter, QStringLiteral("dvs"));
    if (file.isEmpty())
        return;
    m_settings.WriteText(kFindOptionsSection, QStringLiteral("Save Folder"),
                         QFileInfo(file).absolutePath());
    if (!TransferSettings(true, file))
        UI().ShowError(QStringLiteral("Save Current Search"),
                       QStringLiteral("The search could not be saved as \"") + file +
                           QStringLiteral("\".") + kParagraphBreak +
                           QStringLiteral("Please choose another folder or file name."));
}

// --- Searching ---------------------------------------------------------------

void TFind_Form::ShowStatus(const QString &first, const QString &second)
{
    StatusItems->setText(first);
    StatusText->setText(second);
}

void TFind_Form::FindNowClick()
{
    if (m_searching || BrowseMode())
        return;
    SearchSettings settings = Criteria();
    SearchRequest request;
    const DateField bad = ValidateCriteria(settings, request.criteria,
                                           [this](DateField) { PageControl1->setCurrentIndex(1); });
    // The trimmed texts (and swapped dates) go back into the fields.
    NameEdit->setText(settings.name);
    LabelEdit->setText(settings.labelId);
    SourceEdit->setText(settings.source);
    CommentEdit->setText(settings.comment);
    BetweenEdit->setText(settings.between);
    AndEdit->setText(settings.andDate);
    if (bad != DateField::None) {
        (bad == DateField::From ? BetweenEdit : AndEdit)->setFocus();
        return;
    }
    m_mask = request.criteria.mask;
    request.startId = m_startId;
    request.sort = ListView1->Sort();
    {
        const BusyCursor busy;
        ShowStatus(QStringLiteral("Please Wait..."), QStringLiteral("Searching"));
        LocationLine->SetPath(QString());
        ListView1->Clear();
    }
    m_searching = true;
    FindNowBtn->setEnabled(false);
    NewSearchBtn->setEnabled(false);
    CloseBtn->setText(QStringLiteral("Stop"));
    CloseBtn->setEnabled(true);
    LocationLine->hide();
    UI().SetCancelled(false);
    AnimationPanel->show();
    Animation->Play(kSearchAnimation);
    TransferSettings(true);
    m_settings.Flush();

    SearchHooks hooks;
    hooks.status = [this](const QString &first, const QString &second) {
        ShowStatus(first, second);
    };
    hooks.stop = [this] { StopOrCloseClick(); };
    SearchResult result;
    try {
        result = RunSearch(m_data, request, hooks);
    } catch (const std::exception &failure) {
        UI().ShowError(QStringLiteral("Find"), QString::fromUtf8(failure.what()));
    }
    QList<ListEntry> entries;
    entries.reserve(result.hits.size());
    for (FindHit &hit : result.hits)
        entries.append(std::move(hit.entry));
    ListView1->SetEntries(std::move(entries));
    m_searching = false;

    const bool hits = ListView1->Count() > 0;
    PropertiesBtn->setEnabled(hits && m_actions->Available(FindHitActions::Properties));
    LocationLine->setVisible(hits);
    if (hits) {
        ListView1->SelectRow(0);
        ListView1->CurrentView()->setFocus();
    }
    Animation->Stop();
    AnimationPanel->hide();
    ShowStatus(QStringLiteral("%1 Items").arg(ListView1->Count()),
               UI().Cancelled() ? QStringLiteral("Search Interrupted") : QString());
    UI().SetCancelled(false);
    FindNowBtn->setEnabled(true);
    CloseBtn->setText(QStringLiteral("Close"));
    CloseBtn->setEnabled(true);
    NewSearchBtn->setEnabled(true);
    raise();
    activateWindow();
    ListView1->CurrentView()->setFocus();
}

void TFind_Form::StopOrCloseClick()
{
    if (CloseBtn->text() == QLatin1String("Stop")) {
        CloseBtn->setText(QStringLiteral("Close"));
        CloseBtn->setEnabled(false);
        UI().PumpMessages(0);
        UI().SetCancelled(true);
        return;
    }
    close();
}

void TFind_Form::NewSearchClick()
{
    if (m_searching)
        return;
    const BusyCursor busy;
    ShowStatus(QStringLiteral("Please Wait..."),
               QStringLiteral("Clearing Previous Search Results."));
    LocationLine->SetPath(QString());
    LocationLine->hide();
    ListView1->Clear();
    ShowStatus(QString(), QString());
    SetCriteria(SearchSettings{});
    PropertiesBtn->setEnabled(false);
}

// --- Browsing ----------------------------------------------------------------

void TFind_Form::ShowCriteriaPanel(bool shown)
{
    CriteriaPanel->setVisible(shown);
}

void TFind_Form::Browse(qint64 id)
{
    QList<ListEntry> entries;
    qint64 total = 0;
    {
        // Over also when reading the catalog fails.
        const QScopedValueRollback<bool> searching(m_searching, true);
        const BusyCursor busy;
        total = ReadMainViewEntries(m_data, id, entries);
        ListView1->SetEntries(std::move(entries));
    }
    ShowCriteriaPanel(false);
    FindBtn->setEnabled(true);
    MoveUpBtn->setEnabled(true);
    LocationLine->SetPath(QString());
    ShowStatus(QStringLiteral("%1 Items").arg(ListView1->Count()), SizeText(total, true));
}

void TFind_Form::ListView1DblClick()
{
    if (m_searching)
        return;
    const std::optional<ListEntry> entry = ListView1->CurrentEntry();
    if (!entry)
        return;
    if (entry->IsFile()) {
        UpdateMenus();
        if (OpenItem->isEnabled())
            OpenClick();
        return;
    }
    // Browse mode begins only once the contents are read.
    Browse(entry->data);
    m_history.append(entry->data);
}

void TFind_Form::MoveUpBtnClick()
{
    if (m_searching || m_history.isEmpty())
        return;
    m_history.removeLast();
    if (m_history.isEmpty()) {
        MoveUpBtn->setEnabled(false);
        FindBtn->setEnabled(false);
        ShowCriteriaPanel(true);
        FindNowClick();
        return;
    }
    Browse(m_history.last());
}

void TFind_Form::FindBtnClick()
{
    if (m_searching)
        return;
    LeaveBrowseMode();
}

void TFind_Form::LeaveBrowseMode()
{
    ShowCriteriaPanel(true);
    FindBtn->setEnabled(false);
    MoveUpBtn->setEnabled(false);
    m_history.clear();
    LocationLine->SetPath(QString());
    ListView1->Clear();
}

// --- The list and its commands ----------------------------------------------

QString TFind_Form::HitPathOf(const ListEntry &entry)
{
    if (!entry.IsFile())
        return GetObjectPath(m_data, entry.data);
    const QString folder = GetFileFolderPath(m_data, entry.data);
    return folder.isEmpty() ? entry.caption : folder + QLatin1Char('\\') + entry.caption;
}

void TFind_Form::ListView1SelectionChange()
{
    if (m_searching)
        return;
    const std::optional<ListEntry> entry = ListView1->CurrentEntry();
    if (!entry)
        return;
    LocationLine->SetPath(QStringLiteral("Path: ") + HitPathOf(*entry));
}

void TFind_Form::ListView1ContextMenu(const QPoint &globalPosition)
{
    if (m_searching)
        return;
    UpdateMenus();
    ListPopup->popup(globalPosition);
}

void TFind_Form::UpdateMenus()
{
    FindMenuFacts facts;
    const std::optional<ListEntry> entry = m_searching ? std::nullopt : ListView1->CurrentEntry();
    if (entry) {
        facts.selection = true;
        facts.imageIndex = entry->imageIndex;
        facts.caption = entry->caption;
        facts.packaged = entry->IsFile() && GetFilePackaged(m_data, entry->data);
        // The hit is what the user acts on, so its own path decides.
        facts.path = HitPathOf(*entry);
        facts.hasOpenCommand = [](const QString &name) { return HasOpenCommand(name); };
    }
    const FindMenuState state = FindMenuStateFor(facts);
    const bool exploreAvailable =
        state.explore.caption == QLatin1String("&Explore...")
            ? m_actions->Available(FindHitActions::Explore)
            : m_actions->Available(state.explore.caption == QLatin1String("&Extract...")
                                       ? FindHitActions::Extract
                                       : FindHitActions::Restore);
    ApplyItem(ExploreItem, state.explore, exploreAvailable);
    ApplyItem(OpenItem, state.open, m_actions->Available(FindHitActions::Open));
    QuickViewItem->setVisible(state.open.visible);
    QuickViewItem->setEnabled(state.open.enabled &&
                              m_actions->Available(FindHitActions::QuickView));
    OpenSeparator->setVisible(state.open.visible);
    PopupOpenSeparator->setVisible(state.open.visible);
    for (QAction *action : {RenameItem, PopupRename})
        action->setEnabled(state.rename && m_actions->Available(FindHitActions::Rename));
    DeleteItem->setEnabled(state.deleteItem && m_actions->Available(FindHitActions::Delete));
    for (QAction *action : {PropertiesItem, PopupProperties})
        action->setEnabled(state.properties && m_actions->Available(FindHitActions::Properties));
    for (QAction *action : {CommentsItem, PopupComments})
        action->setEnabled(state.comments && m_actions->Available(FindHitActions::Comments));
    AutoArrangeItem->setEnabled(m_iconView != 3);
    PopupAutoArrange->setEnabled(m_iconView != 3);
}

bool TFind_Form::RefillRow(int row)
{
    if (row < 0 || row >= ListView1->Count())
        return false;
    const ListEntry old = ListView1->Model()->Entry(row);
    const std::optional<FindHit> hit = ReadHit(m_data, old.IsFile(), old.data);
    if (!hit)
        return false;
    ListEntry entry = hit->entry;
    // A duplicate search's key stays as the search made it.
    if (old.subItems.size() > entry.subItems.size())
        entry.subItems.append(old.subItems.mid(entry.subItems.size()));
    ListView1->ReplaceEntry(row, entry);
    return true;
}

void TFind_Form::RenameClick()
{
    if (m_searching)
        return;
    UpdateMenus();
    if (RenameItem->isEnabled())
        ListView1->EditCurrent();
}

void TFind_Form::ListView1LabelEdited(int row, const QString &text)
{
    if (row < 0 || row >= ListView1->Count() || !m_actions->Available(FindHitActions::Rename))
        return;
    const ListEntry entry = ListView1->Model()->Entry(row);
    if (text == entry.caption)
        return;
    QString name = text;
    if (!m_actions->RenameHit(this, entry, name))
        return;
    RefillRow(row);
    m_actions->CatalogChanged();
    ListView1->SelectRow(row);
}

void TFind_Form::DeleteClick()
{
    if (m_searching)
        return;
    const QList<ListEntry> selected = ListView1->SelectedEntries();
    if (selected.isEmpty() || !m_actions->Available(FindHitActions::Delete))
        return;
    const BusyCursor busy;
    if (!m_actions->DeleteHits(this, selected,
                               QApplication::keyboardModifiers() & Qt::ShiftModifier))
        return;
    m_actions->CatalogChanged();
    // Hits whose rows are gone leave the list; the others show their new state.
    for (int row = ListView1->Count() - 1; row >= 0; --row) {
        const ListEntry &entry = ListView1->Model()->Entry(row);
        const bool wasSelected =
            std::any_of(selected.begin(), selected.end(), [&](const ListEntry &e) {
                return e.data == entry.data && e.IsFile() == entry.IsFile();
            });
        if (wasSelected && !RefillRow(row))
            ListView1->RemoveRow(row);
    }
    ShowStatus(QStringLiteral("%1 Items").arg(ListView1->Count()), QString());
}

void TFind_Form::OpenClick()
{
    const QList<ListEntry> selected = ListView1->SelectedEntries();
    if (m_searching || selected.isEmpty() || !m_actions->Available(FindHitActions::Open))
        return;
    m_actions->OpenHits(this, selected);
}

void TFind_Form::QuickViewClick()
{
    const QList<ListEntry> selected = ListView1->SelectedEntries();
    if (m_searching || selected.isEmpty() || !m_actions->Available(FindHitActions::QuickView))
        return;
    m_actions->QuickViewHits(this, selected);
}

void TFind_Form::PropertiesClick()
{
    const int row = ListView1->CurrentRow();
    if (m_searching || row < 0 || !m_actions->Available(FindHitActions::Properties))
        return;
    m_actions->ShowProperties(this, ListView1->SelectedEntries());
    RefillRow(row);
    ListView1->CurrentView()->setFocus();
}

void TFind_Form::CommentsClick()
{
    const int row = ListView1->CurrentRow();
    if (m_searching || row < 0 || !m_actions->Available(FindHitActions::Comments))
        return;
    if (m_actions->EditComments(this, ListView1->SelectedEntries()))
        RefillRow(row);
    ListView1->CurrentView()->setFocus();
}

void TFind_Form::ExploreClick()
{
    if (m_searching)
        return;
    UpdateMenus();
    const std::optional<ListEntry> entry = ListView1->CurrentEntry();
    if (!entry || !ExploreItem->isEnabled())
        return;
    const QString caption = ExploreItem->text();
    if (caption == QLatin1String("&Explore...")) {
        if (!entry->IsFile())
            m_actions->ExploreHit(this, entry->data);
    } else if (caption == QLatin1String("&Extract...")) {
        m_actions->ExtractHits(this, ListView1->SelectedEntries());
    } else {
        m_actions->RestoreHits(this, ListView1->SelectedEntries());
    }
    activateWindow();
}

void TFind_Form::SetIconView(int view)
{
    if (view < 0 || view > 3)
        view = 0;
    m_iconView = view;
    ListView1->SetIconView(view);
    const QList<QList<QAction *>> actions = {{LargeIconsItem, PopupLargeIcons, IconViewLargeBtn},
                                             {SmallIconsItem, PopupSmallIcons, IconViewSmallBtn},
                                             {ListItem, PopupList, IconViewListBtn},
                                             {DetailItem, PopupDetail, IconViewDetailBtn}};
    for (QAction *action : actions[view])
        action->setChecked(true);
}

void TFind_Form::ArrangeBy(int column)
{
    if (m_searching)
        return;
    ListView1->SortBy(column);
}

void TFind_Form::ToolbarClick()
{
    ToolbarPanel->setVisible(ToolbarItem->isChecked());
}

void TFind_Form::StatusBarClick()
{
    StatusBar->setVisible(StatusBarItem->isChecked());
}

void TFind_Form::AboutClick()
{
    ShowAboutBox();
}

#include "explorer/CatalogueForm.h"

#include "archive/ArchiveCreation.h"
#include "archive/ArchivePool.h"
#include "explorer/ArchiveFilesForm.h"
#include "explorer/CatalogHitActions.h"
#include "explorer/CatalogList.h"
#include "explorer/DatabaseLocationForm.h"
#include "explorer/ExchangeCommands.h"
#include "explorer/ExtractForm.h"
#include "explorer/PropertiesForm.h"
#include "explorer/QuickCatalogForm.h"
#include "explorer/TUForm.h"
#include "findwindow/FindForm.h"
#include "media/CatalogMedia.h"
#include "platform/DisplayFormats.h"
#include "platform/FileTypes.h"
#include "platform/SettingsStore.h"
#include "platform/SingleInstance.h"
#include "platform/UserInterface.h"
#include "store/CatalogContents.h"
#include "store/CatalogRows.h"
#include "store/CatalogSchema.h"
#include "store/DatabaseError.h"
#include "store/ObjectOperations.h"
#include "store/Wastebasket.h"
#include "ui/AboutBox.h"
#include "ui/BusyCursor.h"
#include "ui/CatalogListModel.h"
#include "ui/CommentsForm.h"
#include "ui/ContextHelp.h"
#include "ui/HandlerGuard.h"
#include "ui/HelpForm.h"
#include "ui/ItemTree.h"
#include "ui/MenuRules.h"
#include "ui/ObjectIcons.h"
#include "ui/PathLabel.h"
#include "ui/ProgressWindow.h"
#include "ui/WindowPlacement.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScopedValueRollback>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

const QString kExplorerSection = QStringLiteral("Catalog Explorer");
const QString kViewSection = QStringLiteral("View Options");
const QString kHistorySection = QStringLiteral("History List");
const QString kOpenHeader = QStringLiteral(" All Catalogs and Archives");
const QString kClosedHeader = QStringLiteral("  No Database Loaded");
constexpr int kFirstPanelWidth = 190;
constexpr int kDoneMessageMilliseconds = 6000;
// The tree pane's first width: the design's 233 pixels, or more where the
// font needs it for a name of about 26 characters three levels down (names
// run wider than the font's average character, hence 30 of those).
constexpr int kDesignPane = 233;
constexpr int kUsualNameCharacters = 30;

int DefaultPaneWidth(const QTreeView &tree)
{
    const int usual = 3 * tree.indentation() + tree.style()->pixelMetric(QStyle::PM_SmallIconSize) +
                      tree.fontMetrics().averageCharWidth() * kUsualNameCharacters;
    return std::max(kDesignPane, usual);
}

QWidget *Pane(QWidget *header, QWidget *body)
{
    auto *pane = new QWidget;
    auto *layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(header);
    layout->addWidget(body, 1);
    return pane;
}

void ApplyItem(QAction *action, const MenuItemState &state, bool withVisibility)
{
    action->setEnabled(state.enabled);
    if (withVisibility)
        action->setVisible(state.visible);
    if (!state.caption.isEmpty()) {
        action->setText(state.caption);
        action->setStatusTip(state.hint);
    }
}

} // namespace

TCatalogueForm::TCatalogueForm(TDataShare &data, SettingsStore &settings, QWidget *parent)
    : QMainWindow(parent)
    , m_data(data)
    , m_settings(settings)
    , m_actions(std::make_unique<MainWindowActions>(this))
    , m_fileAccess(data, m_temporaryFiles)
    , m_setFiles(data)
{
    setObjectName(QStringLiteral("CatalogueForm"));
    resize(608, 498);
    BuildLayout();
    ConnectActions();
    m_data.SetObserver(this);
    DatabaseClosed();
}

TCatalogueForm::~TCatalogueForm()
{
    m_data.RemoveObserver(this);
    // The children outlive this part of the window: what they report while
    // they go (the focus leaving the list) must not reach it.
    ListView1->disconnect(this);
    TreeView1->disconnect(this);
    TreeView1->SetDBITree(nullptr);
}

void TCatalogueForm::BuildLayout()
{
    m_actions->AddMenusTo(menuBar());

    Toolbar_Panel = addToolBar(QStringLiteral("Toolbar"));
    Toolbar_Panel->setObjectName(QStringLiteral("Toolbar_Panel"));
    Toolbar_Panel->setMovable(false);
    Toolbar_Panel->setIconSize(QSize(22, 22));
    MainWindowActions &a = *m_actions;
    Toolbar_Panel->addActions({a.QuickCatalogBtn, a.NewGroupBtn});
    Toolbar_Panel->addSeparator();
    Toolbar_Panel->addActions({a.FindBtn, a.PropertiesBtn, a.MoveUpBtn});
    Toolbar_Panel->addSeparator();
    Toolbar_Panel->addActions(
        {a.IconViewLargeBtn, a.IconViewSmallBtn, a.IconViewListBtn, a.IconViewDetailBtn});
    Toolbar_Panel->addSeparator();
    Toolbar_Panel->addAction(a.HelpBtn);

    Panel2 = new QLabel(kClosedHeader);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFixedHeight(26);
    Panel2->setFrameShape(QFrame::StyledPanel);
    TreeView1 = new TItemTree;
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->SetDBITree(&m_data.Catalogs);
    // Fixed objects, file folders and objects in the wastebasket keep their
    // names: paths and the wastebasket rules depend on them.
    TreeView1->SetEditPermission([this](QTreeWidgetItem *node) {
        const qint64 id = TItemTree::NodeID(node);
        bool allowed = false;
        m_data.RunGuarded([&] {
            allowed = ObjectRules::MayBeRenamedInTree(TItemTree::NodeClass(node)) &&
                      !PathIsInWastebasket(m_data.Catalogs.PathByID(id, false));
        });
        return allowed;
    });
    TreeView1->SetRenameHandler([this](QTreeWidgetItem *node, const QString &text) {
        m_data.RunGuarded([&] { TreeView1Edited(node, text); });
    });

    Panel1 = new QLabel;
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(25);
    Panel1->setFrameShape(QFrame::StyledPanel);
    ListViewCaption = new PathLabel(Panel1);
    ListViewCaption->setObjectName(QStringLiteral("ListViewCaption"));
    auto *captionLayout = new QVBoxLayout(Panel1);
    captionLayout->setContentsMargins(2, 0, 2, 0);
    captionLayout->addWidget(ListViewCaption);
    ListView1 = new TCatalogList(m_data);
    ListView1->SetSettings(&m_settings);
    ListView1->SetIconProvider(&ObjectIcon);
    ListView1->setObjectName(QStringLiteral("ListView1"));

    Splitter = new QSplitter(Qt::Horizontal);
    Splitter->setObjectName(QStringLiteral("Splitter"));
    Splitter->addWidget(Pane(Panel2, TreeView1));
    Splitter->addWidget(Pane(Panel1, ListView1));
    Splitter->setStretchFactor(1, 1);
    Splitter->setSizes({233, 375});
    setCentralWidget(Splitter);

    m_countPanel = new QLabel;
    m_countPanel->setObjectName(QStringLiteral("StatusPanel1"));
    m_countPanel->setFixedWidth(kFirstPanelWidth);
    m_sizePanel = new QLabel;
    m_sizePanel->setObjectName(QStringLiteral("StatusPanel2"));
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->addWidget(m_countPanel);
    statusBar()->addWidget(m_sizePanel, 1);
}

void TCatalogueForm::ConnectActions()
{
    // Every slot that may reach the database runs under the guard: a failure
    // is reported and the window carries on.
    const auto guarded = [this](auto slot) { return Guarded(m_data, this, slot); };
    const auto guardedBody = [this](auto body) { return Guarded(m_data, body); };
    MainWindowActions &a = *m_actions;
    for (QMenu *menu : {a.File1, a.View1, a.Tools1, a.TreeView_Menu, a.ListviewPopup})
        connect(menu, &QMenu::aboutToShow, this, guarded(&TCatalogueForm::UpdateMenus));
    connect(a.Reopen1, &QMenu::aboutToShow, this, &TCatalogueForm::ReopenPopup);
    connect(a.Options1, &QMenu::aboutToShow, this,
            [this] { m_actions->FullName1->setChecked(m_fullPath); });

    connect(a.DatabaseNew1, &QAction::triggered, this, guarded(&TCatalogueForm::NewDatabase));
    connect(a.DatabaseOpen1, &QAction::triggered, this,
            guarded(&TCatalogueForm::OpenOtherDatabase));
    connect(a.CloseDatabase1, &QAction::triggered, this,
            guarded(&TCatalogueForm::CloseDatabaseCommand));
    for (QAction *entry : a.MRU)
        connect(entry, &QAction::triggered, this,
                guardedBody([this, entry] { ReopenEntry(entry->data().toInt()); }));
    connect(a.Compress1, &QAction::triggered, this, guarded(&TCatalogueForm::CompressCommand));
    connect(a.Archive1, &QAction::triggered, this, guarded(&TCatalogueForm::ArchiveCommand));
    for (QAction *action : {a.DiskCatalog1, a.DiskCatalog2, a.DiskCatalog3, a.QuickCatalogBtn})
        connect(action, &QAction::triggered, this, guardedBody([this] { CatalogDiskCommand(); }));
    for (QAction *action : {a.Update1, a.Update2, a.Update3})
        connect(action, &QAction::triggered, this, guarded(&TCatalogueForm::UpdateCommand));
    connect(a.Exit1, &QAction::triggered, this, &QWidget::close);
    for (QAction *action : {a.Open1, a.Open2, a.Open3})
        connect(action, &QAction::triggered, this, guardedBody([this] { OpenCommand(false); }));
    for (QAction *action : {a.QuickView1, a.QuickView2, a.QuickView3})
        connect(action, &QAction::triggered, this, guardedBody([this] { OpenCommand(true); }));
    for (QAction *action : {a.Explore1, a.Explore2, a.Explore3})
        connect(action, &QAction::triggered, this, guarded(&TCatalogueForm::ExploreCommand));
    connect(a.VerifyDatabase1, &QAction::triggered, this, guarded(&TCatalogueForm::VerifyClick));
    connect(a.RepairDatabase1, &QAction::triggered, this, guarded(&TCatalogueForm::RepairClick));
    connect(a.AboutDirvanta971, &QAction::triggered, this, &TCatalogueForm::AboutClick);
    connect(a.Contents1, &QAction::triggered, this, &ShowHelpWindow);
    connect(a.HelpBtn, &QAction::triggered, this, &EnterContextHelp);

    connect(a.Toolbar1, &QAction::triggered, this, &TCatalogueForm::ToolbarClick);
    connect(a.StatusBar2, &QAction::triggered, this, &TCatalogueForm::StatusBarClick);
    connect(a.FullName1, &QAction::triggered, this, guarded(&TCatalogueForm::FullNameClick));
    connect(a.AutoArrange1, &QAction::triggered, this, &TCatalogueForm::AutoArrangeClick);
    connect(a.AutoArrange3, &QAction::triggered, this, &TCatalogueForm::AutoArrangeClick);
    for (int view = 0; view < 4; ++view) {
        for (QAction *action : a.IconViewActions(view))
            connect(action, &QAction::triggered, this, [this, view] { SetIconView(view); });
    }
    const std::pair<QAction *, ArrangeKind> arrangements[] = {
        {a.byName1, ArrangeKind::Name}, {a.byType1, ArrangeKind::Type},
        {a.bySize1, ArrangeKind::Size}, {a.byDate1, ArrangeKind::Date},
        {a.byName3, ArrangeKind::Name}, {a.byType3, ArrangeKind::Type},
        {a.bySize3, ArrangeKind::Size}, {a.byDate3, ArrangeKind::Date}};
    for (const auto &[action, kind] : arrangements)
        connect(action, &QAction::triggered, this,
                [this, kind = kind] { ListView1->ArrangeBy(kind); });
    connect(a.MoveUpBtn, &QAction::triggered, this, guarded(&TCatalogueForm::MoveUpClick));
    ConnectExchangeCommands(*this, m_data, m_settings);
    for (QAction *action : {a.Find1, a.Find2, a.Find3, a.FindBtn})
        connect(action, &QAction::triggered, this, guarded(&TCatalogueForm::FindClick));

    for (QAction *action : {a.CatalogGroup1, a.CatalogGroup2, a.CatalogGroup3, a.NewGroupBtn})
        connect(action, &QAction::triggered, this, guarded(&TCatalogueForm::NewFolderCommand));
    const std::pair<QAction *, CommandSource> sources[] = {{a.RenameCatalog1, CommandSource::Focus},
                                                           {a.RenameCatalog2, CommandSource::Tree},
                                                           {a.RenameCatalog3, CommandSource::List}};
    for (const auto &[action, source] : sources)
        connect(action, &QAction::triggered, this,
                guardedBody([this, source = source] { RenameCommand(source); }));
    const std::pair<QAction *, CommandSource> deletes[] = {{a.Delete1, CommandSource::Focus},
                                                           {a.Delete2, CommandSource::Tree},
                                                           {a.Delete3, CommandSource::List}};
    for (const auto &[action, source] : deletes)
        connect(action, &QAction::triggered, this, guardedBody([this, source = source] {
                    DeleteCommand(source, QApplication::keyboardModifiers() & Qt::ShiftModifier);
                }));
    const std::pair<QAction *, CommandSource> comments[] = {{a.Comments1, CommandSource::Focus},
                                                            {a.Comments2, CommandSource::Tree},
                                                            {a.Comments3, CommandSource::List}};
    for (const auto &[action, source] : comments)
        connect(action, &QAction::triggered, this,
                guardedBody([this, source = source] { CommentsCommand(source); }));
    const std::pair<QAction *, CommandSource> properties[] = {
        {a.Properties1, CommandSource::Focus},
        {a.PropertiesBtn, CommandSource::Focus},
        {a.Properties2, CommandSource::Tree},
        {a.Properties3, CommandSource::List}};
    for (const auto &[action, source] : properties)
        connect(action, &QAction::triggered, this,
                guardedBody([this, source = source] { PropertiesCommand(source); }));
    connect(TreeView1, &TItemTree::DeletePressed, this, guardedBody([this] {
                DeleteCommand(CommandSource::Tree,
                              QApplication::keyboardModifiers() & Qt::ShiftModifier);
            }));
    connect(ListView1, &TCatalogList::DeleteRequested, this, guardedBody([this] {
                DeleteCommand(CommandSource::List,
                              QApplication::keyboardModifiers() & Qt::ShiftModifier);
            }));
    connect(TreeView1, &TItemTree::ObjectsDropped, this, guarded(&TCatalogueForm::DropObjectsOn));
    connect(ListView1, &TCatalogList::ObjectsDropped, this,
            guarded(&TCatalogueForm::DropObjectsOn));
    connect(ListView1, &TCatalogList::EntryRenamed, this,
            guarded(&TCatalogueForm::ListView1Edited));

    connect(TreeView1, &TItemTree::SelectionChanged, this,
            guarded(&TCatalogueForm::TreeView1Change));
    connect(TreeView1, &TItemTree::EnterPressed, this, guarded(&TCatalogueForm::TreeView1Enter));
    connect(TreeView1, &TItemTree::ContextMenuRequested, this,
            &TCatalogueForm::TreeView1ContextMenu);
    connect(ListView1, &TCatalogList::SelectionChanged, this,
            &TCatalogueForm::ListView1SelectionChange);
    connect(ListView1, &TCatalogList::EntryActivated, this,
            guarded(&TCatalogueForm::ListView1DblClick));
    connect(ListView1, &TCatalogList::ContextMenuRequested, this,
            &TCatalogueForm::ListView1ContextMenu);
    connect(ListView1, &TCatalogList::FocusLeft, this, &TCatalogueForm::ListView1Exit);
}

void TCatalogueForm::SetCommandLineRequest(const QString &commandLineSwitch)
{
    m_commandLineSwitch = commandLineSwitch;
}

// --- Showing, activation and closing ----------------------------------------

void TCatalogueForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        FirstShow();
    }
}

void TCatalogueForm::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !m_activatedOnce) {
        m_activatedOnce = true;
        if (CommandLineRequest())
            QTimer::singleShot(0, this, &TCatalogueForm::FirstActivation);
    }
}

void TCatalogueForm::FirstShow()
{
    // A request from the file manager runs without the window on the screen
    // and leaves the recent-database list as it found it.
    if (CommandLineRequest()) {
        resize(1, 1);
        move(-frameGeometry().width() - 100, -frameGeometry().height() - 100);
        m_historyAtStart = m_settings.History();
    }
    TreeView1->setUpdatesEnabled(false);
    m_data.RunGuarded([this] {
        LoadExplorerSettings();
        if (m_data.DatabaseOpen)
            TreeView1->RefreshNodes();
    });
    TreeView1->setUpdatesEnabled(true);
    if (CommandLineRequest() && !m_activatedOnce && !isActiveWindow()) {
        // Offscreen and minimised starts never activate: serve the request now.
        m_activatedOnce = true;
        QTimer::singleShot(0, this, &TCatalogueForm::FirstActivation);
    }
}

void TCatalogueForm::FirstActivation()
{
    const InstanceRequest request = SingleInstance::RequestForSwitch(m_commandLineSwitch);
    ServeRequest(request.message, request.parameter);
    // A copy started for one request ends without keeping its window's
    // settings: the copy the user works with keeps its own.
    m_temporaryFiles.DeleteAll();
    m_data.CloseDatabase(m_data.DatabaseOpen ? m_data.DatabaseFolder : QString());
    RestoreHistory(m_historyAtStart);
    m_closing = true;
    QCoreApplication::quit();
}

// Opening and closing a database move it in the list; a copy that only
// served a request puts the list back.
void TCatalogueForm::RestoreHistory(const QStringList &history)
{
    for (const QString &folder : m_settings.History())
        m_settings.UpdateHistory(false, folder);
    for (auto folder = history.crbegin(); folder != history.crend(); ++folder)
        m_settings.UpdateHistory(true, *folder);
    m_settings.Flush();
}

void TCatalogueForm::ServeRequest(int message, int parameter)
{
    emit RequestReceived(message, parameter);
    if (message == InstanceRequest::kArchiveMessage)
        ArchiveRequestMessage(parameter);
    else if (message == InstanceRequest::kCatalogMessage)
        CatalogRequestMessage();
}

// --- Requests of the file manager -------------------------------------------
// The request path is taken (and so used once) before any refusal but the
// first. The file manager's window is left where it is: a desktop gives no
// other program a way to raise it.

void TCatalogueForm::ArchiveRequestMessage(int parameter)
{
    if (!RequestDatabaseActive(QStringLiteral("Archive"))) {
        QFile::remove(TakeRequestPath());
        return;
    }
    UI().PumpMessages(-1);
    const QString requestFile = TakeRequestPath();
    if (ArchivePool(m_data).IsPoolEmpty(requestFile) || RefuseWhileBusy(requestFile))
        return;
    if (parameter == 1)
        QuickArchive(m_data, requestFile);
    else
        ShowArchiveFiles(m_data, requestFile, this);
    QFile::remove(requestFile);
    UI().CloseProgress();
    // The list shows the new archive set when it shows its folder.
    ReselectNode(TreeView1->SelectedID(), true);
}

void TCatalogueForm::CatalogRequestMessage()
{
    if (!RequestDatabaseActive(QStringLiteral("Catalog")))
        return;
    UI().PumpMessages(-1);
    const QString source = TakeRequestPath();
    if (RefuseWhileBusy(QString()))
        return;
    TreeView1->setUpdatesEnabled(false);
    TreeView1->SelectByID(CatalogSchema::kCatalogsId);
    CatalogDiskCommand(source);
    UI().CloseProgress();
    TreeView1->setUpdatesEnabled(true);
}

bool TCatalogueForm::RequestDatabaseActive(const QString &requestWord)
{
    if (m_data.DatabaseOpen)
        return true;
    UI().ShowError(QStringLiteral("Database Not Active"),
                   QStringLiteral("There is currently not an active Dirvanta Database") +
                       kParagraphBreak +
                       QStringLiteral("To create an active database, start Dirvanta and open a "
                                      "databse. To keep this database active when Dirvanta is "
                                      "closed, simply close Dirvanta with the Database still "
                                      "open") +
                       kParagraphBreak + requestWord + QStringLiteral(" Request Failed"));
    return false;
}

// A request that arrives while a long operation lets events run is
// dropped, not queued; the operation's progress window comes back up.
bool TCatalogueForm::RefuseWhileBusy(const QString &requestFile)
{
    if (!UI().ProgressVisible())
        return false;
    if (!requestFile.isEmpty())
        QFile::remove(requestFile);
    UI().ShowError(QStringLiteral("Application Busy"),
                   QStringLiteral("The Dirvanta Application is currently busy.") + kParagraphBreak +
                       QStringLiteral("Please try request again later"));
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (qobject_cast<ProgressWindow *>(window) && window->isVisible()) {
            window->raise();
            window->activateWindow();
        }
    }
    return true;
}

QString TCatalogueForm::TakeRequestPath()
{
    SettingsStore handOver(SettingsStore::kHandOverKey);
    return SingleInstance::TakeRequestPath(handOver);
}

void TCatalogueForm::BringForward()
{
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
}

void TCatalogueForm::closeEvent(QCloseEvent *event)
{
    m_closing = true;
    if (!CommandLineRequest()) {
        ListView1->SaveColumnWidths();
        SaveExplorerSettings();
    }
    m_data.CloseDatabase(m_data.DatabaseOpen ? m_data.DatabaseFolder : QString());
    m_temporaryFiles.DeleteAll();
    event->accept();
}

// --- Settings -------------------------------------------------------------------

void TCatalogueForm::LoadExplorerSettings()
{
    m_catalogOptions = CatalogOptions::Load(m_settings);
    if (!CommandLineRequest())
        LoadPlacement(*this, m_settings, kExplorerSection);
    const LastDatabase last = LastDatabase::Read(m_settings);
    m_data.DatabaseFolder = last.folder;
    m_selectedNode = last.selectedNode;
    ListView1->SetCatalogSort(
        int(m_settings.ReadInteger(kExplorerSection, QStringLiteral("Catalog Sort"), 0)));
    ListView1->SetCatalogOrder(
        m_settings.ReadBool(kExplorerSection, QStringLiteral("Catalog Order"), true));
    ListView1->SetWastebasketSort(
        int(m_settings.ReadInteger(kExplorerSection, QStringLiteral("Wastebasket Sort"), 0)));
    ListView1->SetWastebasketOrder(
        m_settings.ReadBool(kExplorerSection, QStringLiteral("Wastebasket Order"), true));
    const int pane = int(m_settings.ReadInteger(kExplorerSection, QStringLiteral("Pane"),
                                                DefaultPaneWidth(*TreeView1)));
    Splitter->setSizes({pane, std::max(width() - pane, 1)});
    const bool statusBarShown =
        m_settings.ReadBool(kExplorerSection, QStringLiteral("Status Bar"), true);
    const bool toolbarShown =
        m_settings.ReadBool(kExplorerSection, QStringLiteral("Toolbar"), true);
    m_actions->StatusBar2->setChecked(statusBarShown);
    statusBar()->setVisible(statusBarShown);
    m_actions->Toolbar1->setChecked(toolbarShown);
    Toolbar_Panel->setVisible(toolbarShown);
    m_fullPath = m_settings.ReadBool(kViewSection, QStringLiteral("Full Path"), false);
    SetIconView(int(std::clamp<qint64>(
        m_settings.ReadInteger(kViewSection, QStringLiteral("Icon View"), 0), 0, 3)));
    const bool autoArrange =
        m_settings.ReadBool(kViewSection, QStringLiteral("Auto Arrange"), true);
    ListView1->SetAutoArrange(autoArrange);
    m_actions->AutoArrange1->setChecked(autoArrange);
    m_actions->AutoArrange3->setChecked(autoArrange);

    if (m_data.DatabaseFolder.trimmed().isEmpty()) {
        m_data.CloseDatabase(QString());
        return;
    }
    const bool located = m_data.LocateDatabase(
        [this](int mode, const QString &inUse) { return RunLocationDialog(mode, inUse); });
    if (!located)
        return;
    if (m_data.OpenDatabase()) {
        if (!CommandLineRequest())
            TreeView1->SelectByID(m_selectedNode);
        RefreshList();
    } else {
        m_data.CloseDatabase(QString());
    }
}

void TCatalogueForm::SaveExplorerSettings()
{
    m_catalogOptions.Save(m_settings);
    const bool open = m_data.DatabaseOpen;
    LastDatabase{open ? m_data.DatabaseFolder : QString(),
                 open ? std::max<qint64>(TreeView1->SelectedID(), 0) : 0}
        .Write(m_settings);
    m_settings.WriteInteger(kExplorerSection, QStringLiteral("Pane"), Splitter->sizes().value(0));
    SavePlacement(*this, m_settings, kExplorerSection);
    m_settings.WriteInteger(kExplorerSection, QStringLiteral("Catalog Sort"),
                            ListView1->CatalogSort());
    m_settings.WriteBool(kExplorerSection, QStringLiteral("Catalog Order"),
                         ListView1->CatalogOrder());
    m_settings.WriteInteger(kExplorerSection, QStringLiteral("Wastebasket Sort"),
                            ListView1->WastebasketSort());
    m_settings.WriteBool(kExplorerSection, QStringLiteral("Wastebasket Order"),
                         ListView1->WastebasketOrder());
    m_settings.WriteBool(kExplorerSection, QStringLiteral("Status Bar"),
                         m_actions->StatusBar2->isChecked());
    m_settings.WriteBool(kExplorerSection, QStringLiteral("Toolbar"),
                         m_actions->Toolbar1->isChecked());
    m_settings.WriteBool(kViewSection, QStringLiteral("Full Path"), m_fullPath);
    m_settings.WriteInteger(kViewSection, QStringLiteral("Icon View"), m_iconView);
    m_settings.WriteBool(kViewSection, QStringLiteral("Auto Arrange"), ListView1->AutoArrange());
    m_settings.Flush();
}

// --- What the data module opens and closes ---------------------------------------

void TCatalogueForm::LoadViews()
{
    TreeView1->ClearTree();
    TreeView1->LoadTree(CatalogSchema::kDatabaseObjectId);
}

void TCatalogueForm::DatabaseOpened()
{
    UpdateTitle();
    UpdateToolbar();
    Splitter->show();
    m_countPanel->show();
    m_sizePanel->show();
    Panel2->setText(kOpenHeader);
}

void TCatalogueForm::ClearViews()
{
    ListView1->Clear();
    TreeView1->ClearTree();
}

void TCatalogueForm::DatabaseClosed()
{
    ListViewCaption->SetPath(QString());
    Panel2->setText(kClosedHeader);
    ShowSinglePanel();
    UpdateToolbar();
    UpdateTitle();
}

void TCatalogueForm::SelectDatabaseObject()
{
    TreeView1->SelectByID(CatalogSchema::kDatabaseObjectId);
}

void TCatalogueForm::ForgetSelectedNode()
{
    m_selectedNode = 0;
}

void TCatalogueForm::UpdateTitle()
{
    setWindowTitle(WindowTitle(m_data.DatabaseOpen, m_data.DatabaseFolder));
}

void TCatalogueForm::UpdateToolbar()
{
    const ToolbarState state = UpdateToolbarState(
        m_data.DatabaseOpen, m_data.DatabaseOpen ? TreeView1->SelectedClass() : 0);
    MainWindowActions &a = *m_actions;
    a.QuickCatalogBtn->setEnabled(state.catalogDisk);
    a.NewGroupBtn->setEnabled(state.createFolder);
    a.FindBtn->setEnabled(state.find);
    a.PropertiesBtn->setEnabled(state.properties);
    a.MoveUpBtn->setEnabled(state.moveUp);
}

void TCatalogueForm::ShowDoneMessage(const QString &text)
{
    statusBar()->showMessage(text, kDoneMessageMilliseconds);
}

void TCatalogueForm::ShowStatus(const QString &first, const QString &second)
{
    // New counts replace a message that is still showing.
    statusBar()->clearMessage();
    m_countPanel->show();
    m_sizePanel->show();
    m_countPanel->setText(first);
    m_sizePanel->setText(second);
}

void TCatalogueForm::ShowSinglePanel()
{
    m_countPanel->clear();
    m_sizePanel->clear();
    m_countPanel->hide();
    m_sizePanel->hide();
}

void TCatalogueForm::UpdatePathLabel()
{
    if (!m_data.DatabaseOpen || TreeView1->SelectedID() < 0) {
        ListViewCaption->SetPath(QString());
        return;
    }
    const qint64 id = TreeView1->SelectedID();
    const QString text =
        m_fullPath ? m_data.Catalogs.PathByID(id, true) : m_data.Catalogs.GetNameByID(id);
    ListViewCaption->SetPath(QStringLiteral(" Contents of: ") + text);
}

// --- Menus ------------------------------------------------------------------------

void TCatalogueForm::UpdateMenus()
{
    MainWindowActions &a = *m_actions;
    MenuFacts facts;
    facts.databaseOpen = m_data.DatabaseOpen;
    facts.historyHasEntry = !m_settings.ReadText(kHistorySection, QStringLiteral("1")).isEmpty();
    if (m_data.DatabaseOpen) {
        TreeView1->SyncSelection();
        facts.treeClass = TreeView1->SelectedClass();
        const qint64 selected = TreeView1->SelectedID();
        facts.selectedPath = selected >= 0 ? m_data.Catalogs.PathByID(selected, false) : QString();
        const std::optional<ListEntry> item = ListView1->CurrentEntry();
        if (ListView1->ViewHasFocus()) {
            facts.focus = item ? MenuFocus::ListWithSelection : MenuFocus::ListWithoutSelection;
        } else {
            facts.focus = MenuFocus::Tree;
        }
        if (item) {
            facts.itemIndex = item->imageIndex;
            facts.itemCaption = item->caption;
            facts.itemPackaged = item->IsFile() && GetFilePackaged(m_data, item->data);
        }
        facts.listAutoArrange = ListView1->AutoArrange();
        facts.listDetailView = ListView1->IconView() == 3;
        facts.hasOpenCommand = [](const QString &name) { return HasOpenCommand(name); };
    }
    const MenuState state = UpdateMenuState(facts);

    a.Reopen1->menuAction()->setEnabled(state.reopenEnabled);
    const bool open = state.databaseItemsEnabled;
    for (QAction *action :
         {a.CloseDatabase1, a.DiskCatalog1,   a.DiskCatalog2,   a.DiskCatalog3,
          a.CatalogGroup1,  a.CatalogGroup2,  a.CatalogGroup3,  a.Import1->menuAction(),
          a.Export1,        a.RenameCatalog1, a.RenameCatalog2, a.RenameCatalog3,
          a.Delete1,        a.Delete2,        a.Delete3,        a.Open1,
          a.Open2,          a.Open3,          a.Update1,        a.Update2,
          a.Update3,        a.QuickView1,     a.QuickView2,     a.QuickView3,
          a.Properties1,    a.Properties2,    a.Properties3,    a.Comments1,
          a.Comments2,      a.Comments3,      a.Find1,          a.Find2,
          a.Find3,          a.Explore1,       a.Explore2,       a.Explore3,
          a.Archive1,       a.Compress1})
        action->setEnabled(open);
    if (!state.selectionRulesApplied)
        return;

    for (QAction *action : {a.Comments1, a.Comments2, a.Comments3})
        action->setEnabled(state.comments.enabled);
    a.Export1->setEnabled(state.exportItem.enabled);
    for (QAction *action : {a.Explore1, a.Explore2, a.Explore3})
        ApplyItem(action, state.explore, false);
    for (QAction *action : {a.Open1, a.Open2, a.Open3})
        ApplyItem(action, state.open, true);
    for (QAction *action : {a.QuickView1, a.QuickView2, a.QuickView3}) {
        action->setEnabled(state.open.enabled);
        action->setVisible(state.open.visible);
    }
    a.Find1->setEnabled(state.find.enabled);
    for (QAction *action : {a.Find2, a.Find3})
        ApplyItem(action, state.find, true);
    for (QAction *action : {a.DiskCatalog3, a.ViewMenu3, a.ArrangeMenu3})
        action->setVisible(state.listPopupShowsNoSelectionItems);
    for (QAction *action : {a.Delete3, a.Update3, a.Properties3, a.Explore3, a.Comments3,
                            a.RenameCatalog3, a.N7, a.N17})
        action->setVisible(state.listPopupShowsSelectionItems);
    a.Archive1->setEnabled(state.archiveEnabled);
    for (QAction *action : {a.Delete1, a.Delete2, a.Delete3})
        ApplyItem(action, state.deleteItem, false);
    for (QAction *action : {a.Update1, a.Update2, a.Update3})
        action->setEnabled(state.update.enabled);
    for (QAction *action : {a.RenameCatalog1, a.RenameCatalog2, a.RenameCatalog3})
        ApplyItem(action, state.rename, false);
    a.CatalogGroup1->setEnabled(state.newFolder.enabled);
    for (QAction *action : {a.CatalogGroup2, a.CatalogGroup3})
        ApplyItem(action, state.newFolder, true);
    for (QAction *action : {a.AutoArrange1, a.AutoArrange3}) {
        action->setChecked(state.autoArrangeChecked);
        action->setEnabled(state.autoArrangeEnabled);
    }
    a.OpenSep1->setVisible(a.Open1->isEnabled());
    a.OpenSep2->setVisible(a.Open2->isEnabled() || a.Find2->isEnabled());
    a.OpenSep3->setVisible(a.Open3->isEnabled() || a.Find3->isEnabled());
    a.N9->setVisible(a.Open3->isVisible() || a.DiskCatalog3->isVisible());
}

void TCatalogueForm::ReopenPopup()
{
    const QStringList history = {m_settings.ReadText(kHistorySection, QStringLiteral("1")),
                                 m_settings.ReadText(kHistorySection, QStringLiteral("2")),
                                 m_settings.ReadText(kHistorySection, QStringLiteral("3")),
                                 m_settings.ReadText(kHistorySection, QStringLiteral("4")),
                                 m_settings.ReadText(kHistorySection, QStringLiteral("5"))};
    for (int i = 0; i < m_actions->MRU.size(); ++i) {
        QAction *entry = m_actions->MRU[i];
        const QString &folder = history.value(i);
        entry->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(folder));
        entry->setVisible(!folder.isEmpty());
    }
}

// --- The list -----------------------------------------------------------------------

void TCatalogueForm::RefreshList()
{
    if (m_closing || !m_listRefreshGate)
        return;
    BusyCursor busy;
    if (m_data.DatabaseOpen)
        TreeView1->SyncSelection();
    UpdatePathLabel();
    UpdateToolbar();
    qint64 total = 0;
    {
        const QScopedValueRollback<bool> filling(m_filling, true);
        if (m_data.DatabaseOpen && TreeView1->SelectedID() >= 0)
            total = ListView1->Fill(TreeView1->SelectedID());
        else
            ListView1->Clear();
    }
    if (!m_data.DatabaseOpen)
        return;
    ShowStatus(ObjectCountText(ListView1->Count()), total < 0 ? QString() : SizeText(total, true));
}

void TCatalogueForm::ReselectNode(qint64 id, bool refresh)
{
    {
        // Reopened also when reading the tree fails.
        const QScopedValueRollback<bool> gate(m_listRefreshGate, false);
        if (refresh && m_data.DatabaseOpen)
            RunCommand([this] { TidyWastebasket(m_data); });
        TreeView1->SyncSelection();
        TreeView1->RefreshNodes();
        TreeView1->SelectByID(id);
    }
    RefreshList();
}

void TCatalogueForm::TreeView1Change()
{
    RefreshList();
}

void TCatalogueForm::TreeView1Enter()
{
    RefreshList();
}

void TCatalogueForm::TreeView1ContextMenu(const QPoint &globalPosition)
{
    m_actions->TreeView_Menu->popup(globalPosition);
}

void TCatalogueForm::ListView1SelectionChange()
{
    if (m_filling || !m_data.DatabaseOpen)
        return;
    ShowStatus(SelectedCountText(ListView1->SelectedCount()), QString());
}

void TCatalogueForm::ListView1ContextMenu(const QPoint &globalPosition)
{
    m_actions->ListviewPopup->popup(globalPosition);
}

void TCatalogueForm::ListView1Exit()
{
    if (ListView1->MainView())
        ListView1->SaveColumnWidths();
}

void TCatalogueForm::ListView1DblClick()
{
    const std::optional<ListEntry> item = ListView1->CurrentEntry();
    if (!item || !m_data.DatabaseOpen)
        return;
    // The Properties dialog for wastebasket entries comes with its own window.
    if (TreeView1->SelectedID() == CatalogSchema::kWastebasketId)
        return;
    if (item->IsFile()) {
        OpenCommand(false);
        return;
    }
    const QString path = m_data.Catalogs.PathByID(item->data, false);
    if (path.left(11).compare(QLatin1String("Wastebasket"), Qt::CaseInsensitive) == 0) {
        TreeView1->SelectByID(CatalogSchema::kWastebasketId);
        RefreshList();
        ListView1->SelectEntryByData(item->data);
    } else {
        TreeView1->SelectByID(item->data);
    }
}

void TCatalogueForm::OpenCommand(bool quickView)
{
    if (!m_data.DatabaseOpen)
        return;
    for (const ListEntry &entry : ListView1->SelectedEntries()) {
        if (entry.IsFile())
            m_fileAccess.OpenFile(entry.data, quickView);
    }
}

void TCatalogueForm::ExploreCommand()
{
    if (!m_data.DatabaseOpen)
        return;
    // The same item reads "Extract..." or "Restore..." for packaged and
    // archived items.
    const QString caption = m_actions->Explore1->text();
    const bool extraction = caption == QLatin1String("&Extract...");
    QList<ListEntry> entries;
    if (ListView1->ViewHasFocus())
        entries = ListView1->SelectedEntries();
    else if (TreeView1->SelectedID() >= 0)
        entries << ListEntry{QString(), TreeView1->SelectedID(), TreeView1->SelectedClass(), {}};
    if (extraction || caption == QLatin1String("R&estore...")) {
        ExtractOrRestore(m_data, entries, extraction, this);
        return;
    }
    for (const ListEntry &entry : std::as_const(entries)) {
        if (!entry.IsFile())
            m_fileAccess.ExploreObject(entry.data);
    }
}

void TCatalogueForm::SetIconView(int view)
{
    m_iconView = view;
    ListView1->SetIconView(view);
    for (QAction *action : m_actions->IconViewActions(view))
        action->setChecked(true);
}

void TCatalogueForm::FindClick()
{
    // The search starts at the tree's node, or at the list's object when the
    // command came from the list.
    qint64 start = qMax<qint64>(TreeView1->SelectedID(), 1);
    const bool fromTree =
        sender() == m_actions->Find2 || (sender() != m_actions->Find3 && TreeView1->hasFocus());
    const std::optional<ListEntry> item = ListView1->CurrentEntry();
    if (!fromTree && item && !item->IsFile())
        start = item->data;
    {
        const QScopedValueRollback<bool> gate(m_listRefreshGate, false);
        CatalogHitActions actions(m_data, &m_fileAccess, TreeView1);
        TFind_Form::ShowFind(m_data, m_settings, start, &actions, m_findSort, this);
    }
    RefreshList();
}

void TCatalogueForm::MoveUpClick()
{
    const qint64 id = TreeView1->SelectedID();
    const qint64 parent = id > 0 && m_data.Catalogs.Locate(m_data.Catalogs.LookupCursor(), id)
                              ? m_data.Catalogs.ItemParent(m_data.Catalogs.LookupCursor())
                              : 0;
    if (parent <= 0) {
        QApplication::beep();
        return;
    }
    TreeView1->SelectByID(parent);
}

void TCatalogueForm::FullNameClick()
{
    m_fullPath = m_actions->FullName1->isChecked();
    UpdatePathLabel();
}

void TCatalogueForm::ToolbarClick()
{
    Toolbar_Panel->setVisible(m_actions->Toolbar1->isChecked());
}

void TCatalogueForm::StatusBarClick()
{
    statusBar()->setVisible(m_actions->StatusBar2->isChecked());
}

void TCatalogueForm::AutoArrangeClick()
{
    const bool arrange = !ListView1->AutoArrange();
    ListView1->SetAutoArrange(arrange);
    m_actions->AutoArrange1->setChecked(arrange);
    m_actions->AutoArrange3->setChecked(arrange);
}

// --- Database commands ---------------------------------------------------------------

int TCatalogueForm::RunLocationDialog(int mode, const QString &inUseFolder)
{
    QString folder = m_data.DatabaseFolder;
    const int result = ShowDatabaseLocation(mode, inUseFolder, folder, this);
    if (result != TDataShare::LocationCancelled)
        m_data.DatabaseFolder = folder;
    return result;
}

bool TCatalogueForm::OpenFolderWithFallback(const QString &fallbackFolder)
{
    BusyCursor busy;
    if (m_data.OpenDatabase())
        return true;
    m_data.DatabaseFolder = fallbackFolder;
    return !fallbackFolder.isEmpty() && m_data.OpenDatabase();
}

void TCatalogueForm::SelectFirstNodeAndFill()
{
    if (m_data.DatabaseOpen) {
        TreeView1->RefreshNodes();
        if (TreeView1->topLevelItemCount() > 0)
            TreeView1->setCurrentItem(TreeView1->topLevelItem(0));
    }
    RefreshList();
}

void TCatalogueForm::NewDatabase()
{
    const QString previous = m_data.DatabaseOpen ? m_data.DatabaseFolder : QString();
    if (RunLocationDialog(2, previous) != TDataShare::LocationCreate)
        return;
    m_data.CloseDatabase(previous);
    if (m_data.CreateDatabase()) {
        OpenFolderWithFallback(previous);
    } else {
        m_data.DatabaseFolder = previous;
        if (!previous.isEmpty())
            OpenFolderWithFallback(QString());
    }
    SelectFirstNodeAndFill();
}

void TCatalogueForm::OpenOtherDatabase()
{
    const QString previous = m_data.DatabaseOpen ? m_data.DatabaseFolder : QString();
    if (RunLocationDialog(3, previous) == TDataShare::LocationOpen)
        SwitchDatabase(previous);
}

void TCatalogueForm::SwitchDatabase(const QString &fallbackFolder)
{
    m_data.CloseDatabase(fallbackFolder);
    OpenFolderWithFallback(fallbackFolder);
    SelectFirstNodeAndFill();
}

void TCatalogueForm::ReopenEntry(int entry)
{
    const QString folder = m_settings.ReadText(kHistorySection, QString::number(entry));
    if (folder.isEmpty())
        return;
    const QString previous = m_data.DatabaseOpen ? m_data.DatabaseFolder : QString();
    m_data.DatabaseFolder = folder;
    SwitchDatabase(previous);
}

void TCatalogueForm::CloseDatabaseCommand()
{
    m_data.CloseDatabase(m_data.DatabaseFolder);
}

qint64 TCatalogueForm::DatabaseFileBytes() const
{
    const QDir folder(m_data.DatabaseFolder);
    return QFileInfo(folder.filePath(CatalogSchema::kCatalogsFileName)).size() +
           QFileInfo(folder.filePath(CatalogSchema::kFilesFileName)).size();
}

void TCatalogueForm::CompressCommand()
{
    const qint64 before = DatabaseFileBytes();
    bool packed = false;
    {
        BusyCursor busy;
        packed = m_data.CompressDatabase();
        RefreshList();
    }
    if (!packed)
        return;
    const qint64 recovered = before - DatabaseFileBytes();
    ShowDoneMessage(
        recovered > 0
            ? QStringLiteral("Compressed the catalog: %1 recovered").arg(SizeText(recovered, false))
            : QStringLiteral("Compressed the catalog"));
}

void TCatalogueForm::CatalogDiskCommand(const QString &source)
{
    if (!m_data.DatabaseOpen)
        return;
    // The target folder is shown before the command begins: a failure to
    // read the tree then ends it before the dialog opens.
    const qint64 target = CatalogTargetFolder(m_data, TreeView1->SelectedID());
    TreeView1->SelectByID(target);
    qint64 newId = -1;
    const bool built = RunCommand([&] {
        const QString name = UniqueCatalogName(m_data, target);
        // Cancelled, or failed with the dialog's own box: nothing more to show.
        if (!ShowCatalogDiskDialog(m_data, m_catalogOptions, target, name, source, this, &newId))
            throw EDirvantaFailed(QString());
        RefreshList();
        UI().CloseProgress();
    });
    // After a rollback the tree may still hold nodes of rows that are gone.
    ReselectNode(built ? newId : target, true);
}

void TCatalogueForm::UpdateCommand()
{
    if (!m_data.DatabaseOpen)
        return;
    qint64 catalogId = -1;
    if (ListView1->ViewHasFocus()) {
        const std::optional<ListEntry> item = ListView1->CurrentEntry();
        // Files carry their row key, not an object ID.
        if (item && !item->IsFile())
            catalogId = item->data;
    } else {
        catalogId = TreeView1->SelectedID();
    }
    if (catalogId < 0)
        return;
    const qint64 selected = TreeView1->SelectedID();
    m_listRefreshGate = false;
    // A scan given up half-way is rolled back rather than left beside the
    // old catalog.
    qint64 newId = -1;
    const bool updated = RunCommand([&] {
        if (!UpdateCatalog(m_data, m_catalogOptions, catalogId, &newId))
            throw EDirvantaFailed(QString());
    });
    m_listRefreshGate = true;
    // The old catalog is gone: when it was the selected node, its
    // successor takes its place.
    ReselectNode(updated && selected == catalogId ? newId : selected, true);
    UI().CloseProgress();
    if (updated) {
        ShowDoneMessage(QStringLiteral("Updated %1 (%2 entries)")
                            .arg(GetObjectName(m_data, newId),
                                 DisplayLocale().toString(CountSubtreeEntries(m_data, newId) - 1)));
    }
}

void TCatalogueForm::RefuseWhileOpen(const QString &task)
{
    UI().ShowError(QStringLiteral("Dirvanta Database Open"),
                   QStringLiteral("There may not be any Databases open in Dirvanta during a "
                                  "Database ") +
                       task + kParagraphBreak +
                       QStringLiteral("Please close the current database before trying again."));
}

void TCatalogueForm::VerifyClick()
{
    RunTableUtilityCommand(false);
}

void TCatalogueForm::RepairClick()
{
    RunTableUtilityCommand(true);
}

void TCatalogueForm::RunTableUtilityCommand(bool repair)
{
    if (m_data.DatabaseOpen) {
        RefuseWhileOpen(repair ? QStringLiteral("Repair") : QStringLiteral("Verify"));
        return;
    }
    QString folder = UI().ChooseFolder(repair ? QStringLiteral("Select Database Folder to be "
                                                               "Repaired")
                                              : QStringLiteral("Select Database Folder to be "
                                                               "Verified"),
                                       m_data.DatabaseFolder);
    if (folder.isEmpty())
        return;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    RunTableUtility(m_data, repair, folder, this);
}

void TCatalogueForm::AboutClick()
{
    ShowAboutBox();
}

// --- Object commands -----------------------------------------------------------------

bool TCatalogueForm::RunCommand(const std::function<void()> &command)
{
    return m_data.RunUserCommand(command);
}

void TCatalogueForm::NewFolderCommand()
{
    if (!m_data.DatabaseOpen || !ObjectRules::TakesNewFolder(TreeView1->SelectedClass()))
        return;
    const qint64 parent = TreeView1->SelectedID();
    const bool fromList = ListView1->ViewHasFocus();
    qint64 id = -1;
    RunCommand([&] { id = NewFolder(m_data, parent); });
    if (id < 0 || fromList) {
        ReselectNode(parent, true);
        if (id >= 0)
            ListView1->EditEntry(id);
        return;
    }
    ReselectNode(id, true);
    if (QTreeWidgetItem *node = TreeView1->FindNodeByID(nullptr, id)) {
        TreeView1->setFocus();
        TreeView1->editItem(node);
    }
}

void TCatalogueForm::RenameCommand(CommandSource source)
{
    if (!m_data.DatabaseOpen)
        return;
    const bool fromList = source == CommandSource::List ||
                          (source == CommandSource::Focus && ListView1->ViewHasFocus());
    if (fromList) {
        if (!ListView1->MainView()) {
            RestoreCommand();
            return;
        }
        const std::optional<ListEntry> item = ListView1->CurrentEntry();
        if (item && !item->IsFile())
            ListView1->EditEntry(item->data);
        return;
    }
    if (QTreeWidgetItem *node = TreeView1->currentItem()) {
        TreeView1->setFocus();
        TreeView1->editItem(node);
    }
}

void TCatalogueForm::TreeView1Edited(QTreeWidgetItem *node, const QString &text)
{
    const qint64 id = TItemTree::NodeID(node);
    QString name = text;
    RunCommand([&] { RenameObject(m_data, id, name); });
    TreeView1->SyncSelection();
    TreeView1->RefreshNodes();
    UpdatePathLabel();
}

void TCatalogueForm::ListView1Edited(qint64 id, const QString &text)
{
    QString name = text;
    RenameOutcome outcome = RenameOutcome::Unchanged;
    RunCommand([&] { outcome = RenameObject(m_data, id, name); });
    CatalogListModel *model = ListView1->Model();
    const int row = model->RowOfData(id);
    if (row >= 0) {
        ListEntry entry = model->Entry(row);
        entry.caption = GetObjectName(m_data, id);
        // The main view's Modified column and its date key.
        if (outcome == RenameOutcome::Renamed && entry.subItems.size() > 5) {
            const double modified = GetObjectModified(m_data, id);
            entry.subItems[2] = DateTimeText(modified);
            entry.subItems[5] = DateSortKey(modified);
        }
        model->SetEntry(row, entry);
        // The new name takes its sorted place at once.
        ListView1->Resort();
    }
    TreeView1->RefreshNodes();
}

void TCatalogueForm::DeleteCommand(CommandSource source, bool shift)
{
    if (!m_data.DatabaseOpen)
        return;
    const bool fromList = source == CommandSource::List ||
                          (source == CommandSource::Focus && ListView1->ViewHasFocus() &&
                           ListView1->SelectedCount() > 0);
    QList<qint64> ids;
    qint64 reselect = TreeView1->SelectedID();
    if (fromList) {
        for (const ListEntry &entry : ListView1->SelectedEntries()) {
            // Files are never deleted here, nor the Volume Pool.
            if (!entry.IsFile() && entry.imageIndex != CatalogSchema::kVolumePoolClass)
                ids << entry.data;
        }
    } else if (TreeView1->SelectedID() >= 0) {
        ids << TreeView1->SelectedID();
        // A node that goes leaves its parent selected.
        TableCursor *row = m_data.Catalogs.LookupCursor();
        if (TreeView1->SelectedID() > CatalogSchema::kWastebasketId &&
            row->Locate(TreeView1->SelectedID()))
            reselect = m_data.Catalogs.ItemParent(row);
    }
    if (ids.isEmpty())
        return;
    m_listRefreshGate = false;
    bool confirmed = false;
    RunCommand([&] { confirmed = DeleteObjects(m_data, ids, shift); });
    m_listRefreshGate = true;
    ReselectNode(confirmed ? reselect : TreeView1->SelectedID(), true);
    UI().CloseProgress();
    const bool emptying = ids == QList<qint64>{CatalogSchema::kWastebasketId};
    if (emptying && confirmed && !m_data.Catalogs.HasChildren(CatalogSchema::kWastebasketId))
        ShowDoneMessage(QStringLiteral("The Wastebasket is empty"));
}

void TCatalogueForm::RestoreCommand()
{
    if (!m_data.DatabaseOpen || ListView1->MainView())
        return;
    QList<qint64> ids;
    for (const ListEntry &entry : ListView1->SelectedEntries()) {
        if (!entry.IsFile())
            ids << entry.data;
    }
    if (ids.isEmpty())
        return;
    m_listRefreshGate = false;
    RunCommand([&] { RestoreObjects(m_data, ids); });
    m_listRefreshGate = true;
    // Also after a restore stopped at a kept namesake: what was restored shows.
    ReselectNode(CatalogSchema::kWastebasketId, true);
    UI().CloseProgress();
}

bool TCatalogueForm::ActsOnList(CommandSource source) const
{
    if (source == CommandSource::Tree)
        return false;
    const bool selected = ListView1->SelectedCount() > 0;
    return source == CommandSource::List ? selected : selected && !TreeView1->hasFocus();
}

void TCatalogueForm::ArchiveCommand()
{
    if (!m_data.DatabaseOpen)
        return;
    const qint64 noted = TreeView1->SelectedID();
    ArchivePool pool(m_data);
    if (pool.IsPoolEmpty(QString(), false)) {
        if (!UI().AskYesNo(QStringLiteral("Archive Pool Empty"),
                           QStringLiteral("The Archive Pool has not yet been set-up.") +
                               kParagraphBreak +
                               QStringLiteral("Dirvanta will now invoke the Archive Pool Set-up.") +
                               kParagraphBreak + QStringLiteral("Do you wish to continue ?")))
            return;
        TreeView1->SelectByID(CatalogSchema::kVolumePoolId);
        ShowProperties(m_data, false, CatalogSchema::kVolumePoolId, this, true);
        if (pool.IsPoolEmpty(QString(), false)) {
            ReselectNode(noted, true);
            return;
        }
    }
    // The archive keeps its own transactions: the set is cataloged only
    // once its file is on the volume.
    ShowArchiveFiles(m_data, QString(), this);
    ReselectNode(noted, true);
}

void TCatalogueForm::CommentsCommand(CommandSource source)
{
    if (!m_data.DatabaseOpen)
        return;
    const bool fromList = ActsOnList(source);
    const std::optional<ListEntry> item = fromList ? ListView1->CurrentEntry() : std::nullopt;
    RunCommand([&] { ShowComments(fromList, TreeView1, ListView1, m_data, this); });
    if (item)
        RewriteListComment(item->data, item->IsFile());
    else
        TreeView1->viewport()->update();
}

void TCatalogueForm::PropertiesCommand(CommandSource source)
{
    if (!m_data.DatabaseOpen)
        return;
    const std::optional<ListEntry> item =
        ActsOnList(source) ? ListView1->CurrentEntry() : std::nullopt;
    const bool file = item && item->IsFile();
    const qint64 number = item ? item->data : TreeView1->SelectedID();
    if (ShowProperties(m_data, file, number, this))
        ReselectNode(TreeView1->SelectedID(), true);
}

void TCatalogueForm::RewriteListComment(qint64 id, bool file)
{
    // The fixed Archives folder and Volume Pool show no comment in the list.
    if (!file && (id == CatalogSchema::kArchivesId || id == CatalogSchema::kVolumePoolId))
        return;
    CatalogListModel *model = ListView1->Model();
    const QList<ListEntry> &entries = model->Entries();
    for (int row = 0; row < entries.size(); ++row) {
        if (entries[row].data != id || entries[row].IsFile() != file)
            continue;
        ListEntry entry = entries[row];
        const int column = ListView1->MainView() ? 3 : 4;
        if (entry.subItems.size() > column) {
            entry.subItems[column] =
                OneLineComment(file ? GetFileComment(m_data, id) : GetObjectComment(m_data, id));
            model->SetEntry(row, entry);
        }
        return;
    }
}

void TCatalogueForm::DropObjectsOn(qint64 targetId, const QList<qint64> &ids)
{
    // Nothing happens on a drop onto a dragged object itself.
    if (!m_data.DatabaseOpen || ids.isEmpty() || targetId < 0 || ids.contains(targetId))
        return;
    m_listRefreshGate = false;
    qint64 last = -1;
    RunCommand([&] { last = DropObjects(m_data, ids, targetId); });
    m_listRefreshGate = true;
    ReselectNode(last >= 0 ? last : TreeView1->SelectedID(), true);
    UI().CloseProgress();
}

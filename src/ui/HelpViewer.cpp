#include "ui/HelpViewer.h"

#include "ui/HelpBook.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QPointer>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QPushButton *SearchButton(QWidget *parent)
{
    auto *button = new QPushButton(QStringLiteral("&Search"), parent);
    button->setObjectName(QStringLiteral("SearchBtn"));
    return button;
}

} // namespace

HelpViewer::HelpViewer(const HelpBook &book)
    : m_book(book)
{
    setObjectName(QStringLiteral("HelpViewer_") + book.Name());
    setAttribute(Qt::WA_QuitOnClose, false);
    setAttribute(Qt::WA_DeleteOnClose);
    resize(860, 600);

    Page = new QTextBrowser(this);
    Page->setObjectName(QStringLiteral("Page"));
    Page->setOpenExternalLinks(true);
    connect(Page, &QTextBrowser::sourceChanged, this,
            [this] { setWindowTitle(Page->documentTitle()); });

    auto *tools = new QToolBar(this);
    tools->setObjectName(QStringLiteral("HelpToolbar"));
    QAction *back = tools->addAction(QStringLiteral("< Back"), Page, &QTextBrowser::backward);
    back->setObjectName(QStringLiteral("BackBtn"));
    QAction *forward = tools->addAction(QStringLiteral("Forward >"), Page, &QTextBrowser::forward);
    forward->setObjectName(QStringLiteral("ForwardBtn"));
    QAction *contents = tools->addAction(QStringLiteral("Contents"), this,
                                         [this] { ShowPage(m_book.ContentsUrl()); });
    contents->setObjectName(QStringLiteral("ContentsBtn"));
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(Page, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(Page, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);

    ContentsTree = new QTreeWidget(this);
    ContentsTree->setObjectName(QStringLiteral("ContentsTree"));
    ContentsTree->setHeaderHidden(true);
    QList<QTreeWidgetItem *> parents;
    for (const HelpBook::ContentsEntry &entry : book.Contents()) {
        parents.resize(qMin(int(parents.size()), entry.level));
        auto *item = parents.isEmpty() ? new QTreeWidgetItem(ContentsTree)
                                       : new QTreeWidgetItem(parents.last());
        item->setText(0, entry.title);
        item->setData(0, Qt::UserRole, entry.page);
        parents << item;
    }
    ContentsTree->expandAll();
    connect(ContentsTree, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) {
        ShowPage(m_book.PageUrl(item->data(0, Qt::UserRole).toString()));
    });

    auto *searchTab = new QWidget(this);
    SearchEdit = new QLineEdit(searchTab);
    SearchEdit->setObjectName(QStringLiteral("SearchEdit"));
    SearchEdit->setPlaceholderText(QStringLiteral("Words to find"));
    QPushButton *searchButton = SearchButton(searchTab);
    SearchResults = new QListWidget(searchTab);
    SearchResults->setObjectName(QStringLiteral("SearchResults"));
    auto *searchRow = new QHBoxLayout;
    searchRow->addWidget(SearchEdit);
    searchRow->addWidget(searchButton);
    auto *searchLayout = new QVBoxLayout(searchTab);
    searchLayout->addLayout(searchRow);
    searchLayout->addWidget(SearchResults);
    const auto search = [this] { Search(SearchEdit->text()); };
    connect(SearchEdit, &QLineEdit::returnPressed, this, search);
    connect(searchButton, &QPushButton::clicked, this, search);
    connect(SearchResults, &QListWidget::itemActivated, this,
            [this](QListWidgetItem *item) { OpenHit(SearchResults->row(item)); });
    connect(SearchResults, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { OpenHit(SearchResults->row(item)); });

    Tabs = new QTabWidget(this);
    Tabs->setObjectName(QStringLiteral("HelpTabs"));
    Tabs->addTab(ContentsTree, QStringLiteral("&Contents"));
    Tabs->addTab(searchTab, QStringLiteral("Se&arch"));

    auto *splitter = new QSplitter(this);
    splitter->addWidget(Tabs);
    splitter->addWidget(Page);
    splitter->setSizes({240, 620});
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tools);
    layout->addWidget(splitter);
}

HelpViewer *HelpViewer::ForBook(const QString &name)
{
    static QMap<QString, QPointer<HelpViewer>> viewers;
    QPointer<HelpViewer> &viewer = viewers[name];
    if (!viewer)
        viewer = new HelpViewer(HelpBook::Named(name));
    return viewer;
}

void HelpViewer::ShowPage(const QUrl &url)
{
    Page->setSource(url);
    show();
    raise();
    activateWindow();
}

void HelpViewer::ShowSearch()
{
    if (Page->source().isEmpty())
        Page->setSource(m_book.ContentsUrl());
    Tabs->setCurrentIndex(1);
    show();
    raise();
    activateWindow();
    SearchEdit->setFocus();
}

void HelpViewer::Search(const QString &query)
{
    SearchResults->clear();
    const QList<HelpBook::SearchHit> hits = m_book.Search(query);
    for (const HelpBook::SearchHit &hit : hits) {
        auto *item = new QListWidgetItem(hit.title, SearchResults);
        item->setData(Qt::UserRole, hit.page);
    }
    if (hits.isEmpty())
        SearchResults->addItem(QStringLiteral("No page holds all of these words."));
}

void HelpViewer::OpenHit(int row)
{
    const QString page = SearchResults->item(row)->data(Qt::UserRole).toString();
    if (page.isEmpty())
        return;
    ShowPage(m_book.PageUrl(page));
    // Marks the first word of the query on the page.
    const QString first = SearchEdit->text().simplified().section(QLatin1Char(' '), 0, 0);
    Page->find(first);
}

void OpenHelp(int command, const QString &book)
{
    HelpViewer *viewer = HelpViewer::ForBook(book);
    const HelpBook &pages = HelpBook::Named(book);
    if (command == -1) {
        viewer->ShowSearch();
        return;
    }
    const QUrl context = command == 0 ? QUrl() : pages.ContextUrl(command);
    viewer->ShowPage(context.isEmpty() ? pages.ContentsUrl() : context);
}

#pragma once

#include <QWidget>

class HelpBook;
class QLineEdit;
class QListWidget;
class QTabWidget;
class QTextBrowser;
class QTreeWidget;
class QUrl;

// The help viewer of one book: its contents tree and a search tab beside
// the page, with back, forward and contents buttons. One window per book
// for the program, reused by every request.
class HelpViewer final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HelpViewer)

public:
    explicit HelpViewer(const HelpBook &book);

    // The window of a book, made on first use.
    static HelpViewer *ForBook(const QString &name);

    void ShowPage(const QUrl &url);
    // Shows the search tab with the cursor in its box.
    void ShowSearch();
    // Lists the pages that hold every word; a hit opens its page.
    void Search(const QString &query);

    QTextBrowser *Page = nullptr;
    QTabWidget *Tabs = nullptr;
    QTreeWidget *ContentsTree = nullptr;
    QLineEdit *SearchEdit = nullptr;
    QListWidget *SearchResults = nullptr;

private:
    void OpenHit(int row);

    const HelpBook &m_book;
};

// Opens a help book in the viewer: command 0 at its contents, -1 at its
// search, any other number at that context (the contents when the book has
// no such context).
void OpenHelp(int command, const QString &book);

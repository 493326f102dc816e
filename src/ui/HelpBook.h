#pragma once

#include <QList>
#include <QString>
#include <QUrl>

// One help book: HTML pages shipped in the program's resources under
// :/help/<name>/, a contents.txt that lists the pages as a tree (two spaces
// of indent per level, then "page.html Title"), and context numbers that are
// anchors named "context-N" in any of its pages.
class HelpBook final
{
public:
    // The user guide and the frequently asked questions.
    static const QString kGuide;
    static const QString kQuestions;
    // The context of the course in the user guide.
    static constexpr int kCourseContext = 20;

    struct ContentsEntry
    {
        int level = 0;
        QString page;
        QString title;
    };
    struct SearchHit
    {
        QString page;
        QString title;
    };

    explicit HelpBook(const QString &name);

    // The book of that name, read once for the program.
    static const HelpBook &Named(const QString &name);

    const QString &Name() const { return m_name; }
    const QList<ContentsEntry> &Contents() const { return m_contents; }
    QStringList Pages() const;
    QUrl PageUrl(const QString &page) const;
    QUrl ContentsUrl() const { return PageUrl(QStringLiteral("index.html")); }
    // The page and anchor of a context number; empty when no page has it.
    QUrl ContextUrl(int context) const;
    // The pages whose text holds every word of the query, in contents order.
    QList<SearchHit> Search(const QString &query) const;

private:
    struct Page
    {
        QString file;
        QString title;
        QString html;
        QString text;
    };

    QString m_name;
    QList<ContentsEntry> m_contents;
    QList<Page> m_pages;
};

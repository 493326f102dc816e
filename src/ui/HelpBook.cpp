#include "ui/HelpBook.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QTextDocumentFragment>

#include <memory>

const QString HelpBook::kGuide = QStringLiteral("guide");
const QString HelpBook::kQuestions = QStringLiteral("faq");

namespace {

QString ReadText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

QString Folder(const QString &name)
{
    return QStringLiteral(":/help/") + name;
}

} // namespace

HelpBook::HelpBook(const QString &name)
    : m_name(name)
{
    const QStringList lines =
        ReadText(Folder(name) + QStringLiteral("/contents.txt")).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const QString entry = line.trimmed();
        if (entry.isEmpty())
            continue;
        const int space = entry.indexOf(QLatin1Char(' '));
        const int indent = int(line.indexOf(entry));
        m_contents.append({indent / 2, entry.left(space), entry.mid(space + 1)});
    }
    static const QRegularExpression titlePattern(QStringLiteral("<title>(.*)</title>"));
    const QStringList files =
        QDir(Folder(name)).entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
    for (const QString &file : files) {
        Page page;
        page.file = file;
        page.html = ReadText(Folder(name) + QLatin1Char('/') + file);
        page.title = titlePattern.match(page.html).captured(1);
        page.text = QTextDocumentFragment::fromHtml(page.html).toPlainText();
        m_pages.append(page);
    }
}

const HelpBook &HelpBook::Named(const QString &name)
{
    static QMap<QString, std::shared_ptr<HelpBook>> books;
    auto &book = books[name];
    if (!book)
        book = std::make_shared<HelpBook>(name);
    return *book;
}

QStringList HelpBook::Pages() const
{
    QStringList files;
    for (const Page &page : m_pages)
        files << page.file;
    return files;
}

QUrl HelpBook::PageUrl(const QString &page) const
{
    return QUrl(QStringLiteral("qrc") + Folder(m_name) + QLatin1Char('/') + page);
}

QUrl HelpBook::ContextUrl(int context) const
{
    const QString anchor = QStringLiteral("context-%1").arg(context);
    const QString marker = QStringLiteral("id=\"%1\"").arg(anchor);
    for (const Page &page : m_pages) {
        if (page.html.contains(marker)) {
            QUrl url = PageUrl(page.file);
            url.setFragment(anchor);
            return url;
        }
    }
    return QUrl();
}

QList<HelpBook::SearchHit> HelpBook::Search(const QString &query) const
{
    const QStringList words = query.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QList<SearchHit> hits;
    if (words.isEmpty())
        return hits;
    // Contents order first, then any page the contents do not list.
    QStringList order;
    for (const ContentsEntry &entry : m_contents)
        if (!order.contains(entry.page))
            order << entry.page;
    for (const Page &page : m_pages)
        if (!order.contains(page.file))
            order << page.file;
    for (const QString &file : order) {
        for (const Page &page : m_pages) {
            if (page.file != file)
                continue;
            const bool all = std::all_of(words.begin(), words.end(), [&page](const QString &w) {
                return page.text.contains(w, Qt::CaseInsensitive);
            });
            if (all)
                hits.append({page.file, page.title});
        }
    }
    return hits;
}

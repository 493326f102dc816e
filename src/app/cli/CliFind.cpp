#include "app/cli/CliFind.h"

#include "app/cli/CliApplication.h"
#include "app/cli/CliCommandLine.h"
#include "app/cli/CliDatabase.h"
#include "find/SearchEngine.h"
#include "platform/DayCount.h"
#include "platform/UserInterface.h"
#include "store/DataShare.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>

#include <optional>

const char *const kFindUsage =
    "  find                 search all catalogs as the Find window does:\n"
    "      [--name MASK] [--type N] [--in CATALOG-PATH] [--no-subfolders]\n"
    "      [--between DATE --and DATE] [--comment TEXT] [--whole-words] [--match-case]\n"
    "      [--label PATTERN] [--source PATTERN] [--limit N]\n"
    "                       MASK: a text found anywhere in names, or a pattern with\n"
    "                       ?, * and [a-z] sets; N: the Find window's type, 0 to 13,\n"
    "                       or its name as the Type list shows it (any letter case)\n"
    "                       DATE: the short date format or YYYY-MM-DD\n";

namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;
constexpr int kUsage = 2;

// A type of the Find window's Type list by its number or its name.
std::optional<int> SearchTypeOf(const QString &text)
{
    bool ok = false;
    const int number = text.toInt(&ok);
    if (ok)
        return number >= 0 && number < kSearchTypeCount ? std::optional<int>(number) : std::nullopt;
    const QStringList labels = SearchTypeLabels();
    for (int type = 0; type < labels.size(); ++type) {
        if (labels[type].compare(text.trimmed(), Qt::CaseInsensitive) == 0)
            return type;
    }
    return std::nullopt;
}

// A text as a JSON string, quotes included.
QString JsonText(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

} // namespace

int RunFindCommand(TDataShare &data, const CliCommandLine &line, QTextStream &out, QTextStream &err,
                   const std::function<bool()> &openDatabase)
{
    auto usage = [&](const QString &problem) {
        err << "dirvanta-cli: " << problem << "\n"
            << CliApplication::UsageText(QStringLiteral("find"));
        err.flush();
        return kUsage;
    };
    const QHash<QString, QString> &values = line.values;
    const QSet<QString> &flags = line.flags;
    const bool json = line.json;

    SearchSettings settings;
    settings.name = values.value(QStringLiteral("--name"));
    if (values.contains(QStringLiteral("--type"))) {
        const std::optional<int> type = SearchTypeOf(values.value(QStringLiteral("--type")));
        if (!type)
            return usage(QStringLiteral("--type takes a number from 0 to 13 or a type's name"));
        settings.type = *type;
    }
    settings.includeSubs = !flags.contains(QStringLiteral("--no-subfolders"));
    const bool between = values.contains(QStringLiteral("--between"));
    if (between != values.contains(QStringLiteral("--and")))
        return usage(QStringLiteral("--between and --and go together"));
    settings.allEntries = !between;
    settings.notAllEntries = between;
    settings.between = values.value(QStringLiteral("--between"));
    settings.andDate = values.value(QStringLiteral("--and"));
    settings.comment = values.value(QStringLiteral("--comment"));
    settings.wholeWords = flags.contains(QStringLiteral("--whole-words"));
    settings.matchCase = flags.contains(QStringLiteral("--match-case"));
    settings.labelId = values.value(QStringLiteral("--label"));
    settings.source = values.value(QStringLiteral("--source"));
    SearchRequest request;
    request.hitLimit = 0;
    if (values.contains(QStringLiteral("--limit"))) {
        bool ok = false;
        request.hitLimit = values.value(QStringLiteral("--limit")).toLongLong(&ok);
        if (!ok || request.hitLimit < 1)
            return usage(QStringLiteral("--limit takes a number of hits, 1 or more"));
        request.exactLimit = true;
    }
    if (ValidateCriteria(settings, request.criteria) != DateField::None)
        return kFailure;

    if (!openDatabase())
        return kFailure;
    data.UseSmallPageCache();
    request.startId = ResolveCatalogPath(data, values.value(QStringLiteral("--in")), err);
    if (request.startId < 0)
        return kFailure;

    // A duplicate search keeps only hits that have a twin, which it knows
    // at the end: its limit cuts the list of duplicates, not the search.
    const qsizetype limit = request.hitLimit;
    const bool duplicates = SearchTypeFindsDuplicates(settings.type);
    if (duplicates)
        request.hitLimit = 0;
    SearchResult result = RunSearch(data, request);
    if (duplicates && limit > 0 && result.hits.size() > limit) {
        result.hits.resize(limit);
        result.limitReached = true;
    }
    HitPaths paths(data);
    if (json) {
        // Fields in a fixed order, as ls writes them.
        QStringList items;
        for (const FindHit &hit : result.hits) {
            const bool file = hit.entry.IsFile();
            items << QStringLiteral("{\"name\":%1,\"kind\":\"%2\",\"%3\":%4,\"path\":%5,"
                                    "\"size\":%6,\"type\":%7,\"modified\":%8,\"comment\":%9}")
                         .arg(JsonText(hit.entry.caption),
                              file ? QStringLiteral("file") : QStringLiteral("object"),
                              file ? QStringLiteral("key") : QStringLiteral("id"),
                              QString::number(hit.entry.data), JsonText(paths.Of(hit)),
                              QString::number(hit.size), JsonText(hit.entry.subItems.value(1)),
                              hit.modified
                                  ? JsonText(FromDayCount(*hit.modified).toString(Qt::ISODate))
                                  : QStringLiteral("null"),
                              JsonText(hit.comment));
        }
        out << "[" << items.join(QLatin1Char(',')) << "]\n";
    } else {
        // The Find list's columns, then the catalog path of the hit.
        for (const FindHit &hit : result.hits) {
            const QStringList &s = hit.entry.subItems;
            out << hit.entry.caption << '\t' << s.value(0) << '\t' << s.value(1) << '\t'
                << s.value(2) << '\t' << paths.Of(hit) << '\t' << s.value(3) << '\n';
        }
    }
    if (result.limitReached)
        err << "note: the search stopped at the limit of " << limit << " hits; there are more\n";
    return kSuccess;
}

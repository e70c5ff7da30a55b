#include "tool/SearchCommand.h"

#include "store/book/RecipeSearch.h"
#include "store/table/ProgramError.h"
#include "tool/CommandFailure.h"

#include <QFile>

#include <cstdio>

namespace {

// A field as one line: tabs and line breaks would split it.
QByteArray oneLine(QString text)
{
    for (QChar &c : text) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    }
    return text.toLocal8Bit();
}

} // namespace

int searchCommand(const QStringList &arguments, const QString &usage)
{
    // arguments: the program, "search", DIR, then words and options.
    if (arguments.size() < 3 || arguments.at(2).isEmpty())
        return wrongArguments(usage);
    QStringList words;
    int limit = -1;
    bool options = true;
    for (int i = 3; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (options && argument == QLatin1String("--")) {
            options = false;
        } else if (options && argument == QLatin1String("--limit")) {
            bool number = false;
            limit = i + 1 < arguments.size() ? arguments.at(i + 1).toInt(&number) : 0;
            if (!number || limit < 1)
                return commandFailed(QStringLiteral("--limit needs a number of hits above 0"));
            ++i;
        } else if (options && argument.startsWith(QLatin1String("--limit="))) {
            bool number = false;
            limit = argument.mid(8).toInt(&number);
            if (!number || limit < 1)
                return commandFailed(QStringLiteral("--limit needs a number of hits above 0"));
        } else {
            words << argument;
        }
    }
    if (words.isEmpty())
        return wrongArguments(usage);
    const QString data = arguments.at(2) + QStringLiteral("/Data");
    if (!QFile::exists(data + QStringLiteral("/Ohje.db")))
        return commandFailed(QStringLiteral("No recipe book in %1").arg(data));
    RecipeSearch search(data, true, RecipeSearch::Changes::NoneMade);
    RecipeSearch::Result result = search.find(words.join(QLatin1Char(' ')), limit, false,
                                                 RecipeSearch::Counting::HitsOnly);
    if (result.needsRebuild) {
        std::fprintf(stderr, "mealdeck-data: Building the search index of %lld recipes...\n",
                     static_cast<long long>(search.recipeCount()));
        try {
            search.rebuild();
        } catch (const StoreError &e) {
            throw StoreError(QStringLiteral("The search index could not be built: %1").arg(e.message()));
        }
        result = search.find(words.join(QLatin1Char(' ')), limit, false, RecipeSearch::Counting::HitsOnly);
    }
    if (!result.error.isEmpty() || result.needsRebuild)
        return commandFailed(
            QStringLiteral("The search failed: %1")
                .arg(result.error.isEmpty() ? QStringLiteral("the index is out of date") : result.error));
    for (const RecipeSearch::Hit &hit : result.hits)
        std::printf("%s\t%s\t%s\n", oneLine(hit.name).constData(), oneLine(hit.subgroup).constData(),
                    oneLine(hit.mainGroup).constData());
    return result.hits.isEmpty() ? 1 : 0;
}

#include "tool/DataToolImportExport.h"

#include "store/backup/BookBackup.h"
#include "store/book/Book.h"
#include "store/exchange/BookExport.h"
#include "store/exchange/BookImport.h"
#include "store/exchange/MealMasterReader.h"
#include "store/exchange/WebImport.h"
#include "store/table/BookLockFile.h"
#include "store/table/ProgramError.h"
#include "tool/CommandFailure.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <cstdio>

namespace {

bool bookExists(const QString &dir)
{
    if (QFileInfo(dir + QStringLiteral("/Data/Ohje.db")).isFile())
        return true;
    sayFailure(QStringLiteral("No recipe book in %1/Data").arg(dir));
    return false;
}

} // namespace

int importCommand(const QStringList &arguments)
{
    QString dir;
    QStringList files;
    QStringList addresses;
    ImportOptions options;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if ((a == QLatin1String("--main-group") || a == QLatin1String("--encoding")) && i + 1 < arguments.size()) {
            (a == QLatin1String("--main-group") ? options.mainGroup : options.encoding) = arguments.at(++i);
        } else if (a == QLatin1String("--keep-main-groups")) {
            options.keepFileMainGroups = true;
        } else if (a.startsWith(QLatin1String("--"))) {
            return commandFailed(QStringLiteral("Unknown option %1").arg(a));
        } else if (dir.isEmpty()) {
            dir = a;
        } else if (WebImport::isWebAddress(a)) {
            addresses << a;
        } else if (QUrl(a).isValid() && QUrl(a).scheme().size() > 1 && a.contains(QLatin1String("://"))) {
            return commandFailed(
                QStringLiteral("%1: not a web address the program reads (only http:// and https://)").arg(a));
        } else {
            files << a;
        }
    }
    if (dir.isEmpty() || (files.isEmpty() && addresses.isEmpty())) {
        return commandFailed(QStringLiteral("import needs a book folder and at least one file or web address"));
    }
    if (!options.encoding.isEmpty() && !MealMasterReader::encodings().contains(options.encoding)) {
        sayFailure(QStringLiteral("Unknown encoding %1; one of %2")
                       .arg(options.encoding, MealMasterReader::encodings().join(QLatin1String(", "))));
        return 2;
    }
    if (!bookExists(dir))
        return 2;
    // The import writes only while no program or other command holds the book.
    BookLockFile lock(dir + QStringLiteral("/Data"));
    if (lock.take() == BookLockFile::Outcome::Held) {
        return commandFailed(lock.refusal());
    }
    // The book as it was is backed up first, so that an import can be undone.
    options.beforeImport = [&dir] {
        BookBackup::makeAutomaticBackup(dir + QStringLiteral("/Data"), {}, QString(), BookBackup::Automatic::BeforeImport);
    };
    if (!addresses.isEmpty()) {
        WebImport::Result pages = WebImport().read(addresses);
        options.readRecipes = std::move(pages.recipes);
        options.readProblems = std::move(pages.problems);
    }
    RecipeBook::Book book(dir + QStringLiteral("/Data"), dir + QStringLiteral("/Data/Pics/"));
    const ImportSummary summary = BookImport(book).run(files, options);
    for (const ImportProblem &p : summary.problems)
        std::fprintf(stderr, "%s\n", p.text().toLocal8Bit().constData());
    if (summary.failed()) {
        return commandFailed(summary.error);
    }
    QString text = summary.text();
    // The problems went to standard error, one a line.
    QStringList lines;
    for (const QString &line : text.split(QLatin1Char('\n')))
        if (!line.startsWith(QLatin1String("  ")) || line.contains(QLatin1String(" into \"")))
            lines << line;
    std::fputs(lines.join(QLatin1Char('\n')).toLocal8Bit().constData(), stdout);
    return summary.problems.isEmpty() ? 0 : 1;
}

int exportCommand(const QStringList &arguments)
{
    QString dir;
    QString out;
    BookExport::Format format = BookExport::Format::MealMaster;
    BookExport::Scope scope = BookExport::Scope::Book;
    QString name;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (a == QLatin1String("--format") && i + 1 < arguments.size()) {
            const QString f = arguments.at(++i);
            if (f == QLatin1String("mealmaster"))
                format = BookExport::Format::MealMaster;
            else if (f == QLatin1String("jsonld"))
                format = BookExport::Format::JsonLd;
            else {
                return commandFailed(QStringLiteral("Unknown format %1 (mealmaster or jsonld)").arg(f));
            }
        } else if ((a == QLatin1String("--main-group") || a == QLatin1String("--subgroup")
                    || a == QLatin1String("--recipe"))
                   && i + 1 < arguments.size() && scope == BookExport::Scope::Book) {
            scope = a == QLatin1String("--main-group") ? BookExport::Scope::MainGroup
                : a == QLatin1String("--subgroup")     ? BookExport::Scope::Subgroup
                                                       : BookExport::Scope::Recipe;
            name = arguments.at(++i);
        } else if (a.startsWith(QLatin1String("--"))) {
            return commandFailed(QStringLiteral("Unknown or repeated option %1").arg(a));
        } else if (dir.isEmpty()) {
            dir = a;
        } else if (out.isEmpty()) {
            out = a;
        } else {
            return commandFailed(QStringLiteral("Too many arguments"));
        }
    }
    if (dir.isEmpty() || out.isEmpty()) {
        return commandFailed(QStringLiteral("export needs a book folder and an output file"));
    }
    if (!bookExists(dir))
        return 2;
    RecipeBook::Book book(dir + QStringLiteral("/Data"), dir + QStringLiteral("/Data/Pics/"));
    const BookExport::Result result = BookExport(book).run(out, format, scope, name);
    if (!result.error.isEmpty()) {
        sayFailure(result.error);
        const bool noneFound = result.error.startsWith(QLatin1String("No recipes"))
            || result.error.startsWith(QLatin1String("The book has no recipes"));
        return noneFound ? 1 : 2;
    }
    std::printf("%d recipe%s exported to %s\n", result.recipes, result.recipes == 1 ? "" : "s",
                out.toLocal8Bit().constData());
    return 0;
}

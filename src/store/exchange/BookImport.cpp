#include "store/exchange/BookImport.h"

#include "store/book/Book.h"
#include "store/exchange/IngredientText.h"
#include "store/exchange/JsonLdReader.h"
#include "store/exchange/MealMasterReader.h"
#include "store/table/PackTable.h"
#include "store/table/ProgramError.h"
#include "store/exchange/RecipeArchive.h"
#include "store/table/SqlStatement.h"
#include "store/table/StoreConnection.h"
#include "store/table/StoreTransaction.h"
#include "store/exchange/WebImport.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <sqlite3.h>

#include <memory>

namespace {

constexpr int MaxNameLength = 75;
constexpr qint64 MaxPortions = 9999;

// Raised inside the readers' callbacks when the user cancels.
struct Cancelled
{
};

class Importer
{
public:
    Importer(RecipeBook::Book &book, const ImportOptions &options, ImportSummary &summary)
        : m_book(book), m_options(options), m_summary(summary)
    {
        m_connection = StoreConnection::acquire(book.mainGroups().DatabaseName(), book.mainGroups().tableFilePath());
        auto table = [this](TPackTable &t) {
            const QString schema = m_connection->attach(t.tableFilePath());
            m_schemas << schema;
            return SqlStatement::quoteName(schema) + QLatin1Char('.') + SqlStatement::quoteName(t.TableName().section(QLatin1Char('.'), 0, 0));
        };
        m_main = table(book.mainGroups());
        m_sub = table(book.subgroups());
        m_recipe = table(book.recipes());
    }

    ~Importer()
    {
        for (const QString &schema : qAsConst(m_schemas))
            m_connection->release(schema);
    }

    // Prepared once, inside the transaction.
    void prepare()
    {
        // Beginning the transaction may have opened the connection anew.
        m_db = m_connection->handle();
        m_findMain = statement(QStringLiteral("SELECT 1 FROM %1 WHERE Nimi = ? LIMIT 1").arg(m_main));
        m_findSub = statement(QStringLiteral("SELECT 1 FROM %1 WHERE Nimi = ? LIMIT 1").arg(m_sub));
        m_findRecipe = statement(QStringLiteral("SELECT 1 FROM %1 WHERE Nimi = ? LIMIT 1").arg(m_recipe));
        m_findDuplicate = statement(
            QStringLiteral("SELECT 1 FROM %1 WHERE Nimi = ? AND Aineet IS ? LIMIT 1").arg(m_recipe));
        m_findSameSource = statement(QStringLiteral("SELECT 1 FROM %1 WHERE Nimi = ?1 AND (Ohje = ?2 OR "
                                                    "substr(Ohje, -length(?3)) = ?3) LIMIT 1")
                                         .arg(m_recipe));
        m_mainGroupOf = statement(QStringLiteral("SELECT Ryhma FROM %1 WHERE Nimi = ? LIMIT 1").arg(m_sub));
        m_addMain = statement(QStringLiteral("INSERT INTO %1 (Nimi) VALUES (?)").arg(m_main));
        m_addSub = statement(QStringLiteral("INSERT INTO %1 (Nimi, Ryhma) VALUES (?, ?)").arg(m_sub));
        m_addRecipe = statement(QStringLiteral("INSERT INTO %1 (Nimi, Ryhma, Kuvaus, Aste, Aika, Annos, Aineet, Ohje, "
                                               "Kuva) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)")
                                    .arg(m_recipe));
    }

    void add(ImportedRecipe &&recipe)
    {
        const QString baseName = groupName(recipe.name, recipe.exactNames);
        const QString ingredients = recipe.ingredients.join(QLatin1Char('\n'));
        bool baseNameFree = false;
        if (isDuplicate(baseName, ingredients, WebImport::sourceOf(recipe.directions), &baseNameFree)) {
            ++m_summary.duplicates;
            return;
        }
        auto note = [&](const QString &reason) {
            m_summary.problems << ImportProblem{recipe.file, recipe.place, reason, false};
        };
        // 0: no portion count.
        qint64 portions = 0;
        if (!recipe.yield.trimmed().isEmpty()) {
            bool tooLarge = false;
            portions = IngredientText::firstNumber(recipe.yield, &tooLarge).value_or(0);
            if (tooLarge || portions > MaxPortions) {
                note(QStringLiteral("the yield \"%1\" is too large; imported without a portion count")
                         .arg(IngredientText::cut(recipe.yield.simplified(), 40)));
                portions = 0;
            }
        }
        const QString name = baseNameFree ? baseName : uniqueName(baseName);
        const QString subgroup = subgroupFor(recipe.category, recipe.mainGroup, recipe.exactNames, recipe.file);
        keepCategoriesAndYield(recipe);
        bool picture = false;
        if (!recipe.picture.isEmpty()) {
            const QImage image = RecipeBook::Book::decodePicture(recipe.picture);
            QString reason;
            const QString path = m_book.picturePath(name);
            if (image.isNull()) {
                note(QStringLiteral("the picture is not a picture the program reads; imported without it"));
            } else if (!RecipeBook::Book::writePicture(image, path, &reason)) {
                note(QStringLiteral("the picture could not be written (%1); imported without it").arg(reason));
            } else {
                m_pictures << path;
                picture = true;
            }
        }
        SqlStatement &insert = *m_addRecipe;
        insert.reset();
        insert.bindText(1, name);
        insert.bindText(2, subgroup);
        bindOptional(insert, 3, recipe.description);
        bindOptional(insert, 4, IngredientText::cut(recipe.difficulty.simplified(), 20).trimmed());
        bindOptional(insert, 5, IngredientText::cut(recipe.time.simplified(), 18).trimmed());
        if (portions > 0)
            insert.bindInt64(6, portions);
        else
            insert.bindNull(6);
        bindOptional(insert, 7, ingredients);
        bindOptional(insert, 8, recipe.directions);
        if (picture)
            insert.bindInt64(9, 1);
        else
            insert.bindNull(9);
        insert.run();
        ++m_summary.imported;
        countInto(subgroup);
        if (m_summary.first.id == 0)
            m_summary.first = {sqlite3_last_insert_rowid(m_db), name, subgroup, mainGroupOf(subgroup)};
    }

    // The groups an export listed, created in its order (empty ones too)
    // when the import keeps the file's main groups.
    void addGroups(const ImportedGroups &groups)
    {
        if (!m_options.keepFileMainGroups)
            return;
        for (const ImportedGroups::MainGroup &main : groups.mainGroups) {
            if (main.name.trimmed().isEmpty())
                continue;
            mainGroupFor(main.name, true);
            for (const QString &subgroup : main.subgroups)
                subgroupFor(subgroup, main.name, true, QString());
        }
    }

    // Picture files written for recipes that are not stored after all.
    void removePictures()
    {
        for (const QString &path : qAsConst(m_pictures))
            QFile::remove(path);
        m_pictures.clear();
    }

private:
    std::unique_ptr<SqlStatement> statement(const QString &sql)
    {
        return std::make_unique<SqlStatement>(m_db, sql);
    }

    static void bindOptional(SqlStatement &statement, int index, const QString &text)
    {
        if (text.isEmpty())
            statement.bindNull(index);
        else
            statement.bindText(index, text);
    }

    static bool exists(SqlStatement &find, const QString &name)
    {
        find.reset();
        find.bindText(1, name);
        const bool found = find.step();
        find.reset();
        return found;
    }

    // The name itself, or one it was given on an earlier import (" (2)",
    // " (3)", ... as uniqueName hands them out), or the same name from the
    // same web page. `nameFree` tells that no recipe has the name itself.
    bool isDuplicate(const QString &name, const QString &ingredients, const QString &source, bool *nameFree)
    {
        for (int number = 1;; ++number) {
            const QString candidate = number == 1 ? name : numbered(name, number);
            if (!exists(*m_findRecipe, candidate)) {
                *nameFree = number == 1;
                return false;
            }
            if (!source.isEmpty()) {
                SqlStatement &same = *m_findSameSource;
                same.reset();
                same.bindText(1, candidate);
                same.bindText(2, WebImport::sourceLine(source));
                same.bindText(3, QLatin1Char('\n') + WebImport::sourceLine(source));
                const bool found = same.step();
                same.reset();
                if (found)
                    return true;
            }
            SqlStatement &find = *m_findDuplicate;
            find.reset();
            find.bindText(1, candidate);
            if (ingredients.isEmpty())
                find.bindNull(2);
            else
                find.bindText(2, ingredients);
            const bool found = find.step();
            find.reset();
            if (found)
                return true;
        }
    }

    static QString numbered(const QString &name, int number)
    {
        const QString suffix = QStringLiteral(" (%1)").arg(number);
        return IngredientText::cut(name, MaxNameLength - int(suffix.size())).trimmed() + suffix;
    }

    QString uniqueName(const QString &name)
    {
        QString candidate = name;
        for (int number = 2; exists(*m_findRecipe, candidate); ++number)
            candidate = numbered(name, number);
        return candidate;
    }

    // A group name free in both group tables (the one-set rule).
    QString freeGroupName(const QString &name)
    {
        QString candidate = name;
        for (int number = 2; exists(*m_findMain, candidate) || exists(*m_findSub, candidate); ++number)
            candidate = numbered(name, number);
        return candidate;
    }

    static QString groupName(const QString &name, bool exact)
    {
        return exact ? BookImport::exactName(name) : BookImport::bookName(name);
    }

    // The categories beyond the subgroup and the main group the recipe went
    // into, as the description's last line ("Categories: A, B"); a yield
    // with a unit other than servings ("16 buns") as the directions' first
    // line ("Yield: 16 buns"), so that an export can give both back.
    void keepCategoriesAndYield(ImportedRecipe &recipe) const
    {
        QStringList listed = recipe.moreCategories;
        if (m_options.keepFileMainGroups && !listed.isEmpty() && listed.first() == recipe.mainGroup)
            listed.removeFirst();
        if (!listed.isEmpty()) {
            if (!recipe.description.isEmpty())
                recipe.description += QLatin1Char('\n');
            recipe.description += BookImport::CategoriesLabel + IngredientText::joinNames(listed);
        }
        const QString unit = BookImport::yieldUnit(recipe.yield);
        if (!unit.isEmpty()) {
            const QString line = BookImport::YieldLabel + recipe.yield.simplified();
            recipe.directions = recipe.directions.isEmpty() ? line : line + QLatin1Char('\n') + recipe.directions;
        }
    }

    QString mainGroupFor(const QString &fileMainGroup, bool exact)
    {
        QString wanted = m_options.keepFileMainGroups ? groupName(fileMainGroup, exact) : QString();
        if (wanted.isEmpty())
            wanted = BookImport::bookName(m_options.mainGroup);
        if (wanted.isEmpty())
            wanted = QStringLiteral("Imported recipes");
        const auto known = m_mainGroups.constFind(wanted);
        if (known != m_mainGroups.constEnd())
            return *known;
        QString name = wanted;
        if (!exists(*m_findMain, wanted)) {
            name = freeGroupName(wanted);
            m_addMain->reset();
            m_addMain->bindText(1, name);
            m_addMain->run();
        }
        m_mainGroups.insert(wanted, name);
        return name;
    }

    QString subgroupFor(const QString &category, const QString &fileMainGroup, bool exact, const QString &file)
    {
        QString wanted = groupName(category, exact);
        if (wanted.isEmpty())
            wanted = BookImport::bookName(QFileInfo(file).completeBaseName());
        if (wanted.isEmpty())
            wanted = QStringLiteral("Imported");
        const QString key = wanted + QLatin1Char('\n') + (m_options.keepFileMainGroups ? fileMainGroup : QString());
        const auto known = m_subgroups.constFind(key);
        if (known != m_subgroups.constEnd())
            return *known;
        QString name = wanted;
        if (!exists(*m_findSub, wanted)) {
            const QString mainGroup = mainGroupFor(fileMainGroup, exact);
            name = freeGroupName(wanted);
            m_addSub->reset();
            m_addSub->bindText(1, name);
            m_addSub->bindText(2, mainGroup);
            m_addSub->run();
            m_newSubgroupMain.insert(name, mainGroup);
        }
        m_subgroups.insert(key, name);
        return name;
    }

    QString mainGroupOf(const QString &subgroup)
    {
        SqlStatement &find = *m_mainGroupOf;
        find.reset();
        find.bindText(1, subgroup);
        const QString name = find.step() ? find.columnText(0) : QString();
        find.reset();
        return name;
    }

    // An import into thousands of subgroups finds each one's count by name.
    void countInto(const QString &subgroup)
    {
        const auto known = m_subgroupCounts.constFind(subgroup);
        if (known != m_subgroupCounts.constEnd()) {
            ++m_summary.subgroups[*known].recipes;
            return;
        }
        m_subgroupCounts.insert(subgroup, int(m_summary.subgroups.size()));
        m_summary.subgroups << ImportSummary::Subgroup{subgroup, m_newSubgroupMain.value(subgroup), 1};
    }

    RecipeBook::Book &m_book;
    const ImportOptions &m_options;
    ImportSummary &m_summary;
    std::shared_ptr<StoreConnection> m_connection;
    sqlite3 *m_db = nullptr;
    QStringList m_schemas;
    QString m_main;
    QString m_sub;
    QString m_recipe;
    std::unique_ptr<SqlStatement> m_findMain;
    std::unique_ptr<SqlStatement> m_findSub;
    std::unique_ptr<SqlStatement> m_findRecipe;
    std::unique_ptr<SqlStatement> m_findDuplicate;
    std::unique_ptr<SqlStatement> m_findSameSource;
    std::unique_ptr<SqlStatement> m_mainGroupOf;
    std::unique_ptr<SqlStatement> m_addMain;
    std::unique_ptr<SqlStatement> m_addSub;
    std::unique_ptr<SqlStatement> m_addRecipe;
    QHash<QString, QString> m_mainGroups;
    QHash<QString, QString> m_subgroups;
    QHash<QString, QString> m_newSubgroupMain;
    // Index of each subgroup in m_summary.subgroups.
    QHash<QString, int> m_subgroupCounts;
    QStringList m_pictures;
};

QString suffixOf(const QString &path)
{
    return QFileInfo(path).suffix().toLower();
}

// Reads one file into `sink`; false when the sink stopped it.
bool readFile(const QString &path, const ImportOptions &options, const ImportSink &sink)
{
    auto refuse = [&](const QString &reason) {
        if (sink.problem)
            sink.problem(ImportProblem{path, QString(), reason, true});
        return true;
    };
    const QFileInfo info(path);
    if (!info.exists())
        return refuse(QStringLiteral("no such file"));
    if (!info.isFile())
        return refuse(QStringLiteral("not a regular file"));
    const QString suffix = suffixOf(path);
    if (suffix == QLatin1String("zip"))
        return RecipeArchive::readZip(path, path, sink);
    if (suffix == QLatin1String("paprikarecipes"))
        return RecipeArchive::readPaprika(path, path, sink);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(QStringLiteral("cannot be read: %1").arg(file.errorString()));
    if (suffix == QLatin1String("mmf") || suffix == QLatin1String("mm") || suffix == QLatin1String("txt")) {
        const QString encoding = options.encoding.isEmpty() ? MealMasterReader::detectEncoding(file) : options.encoding;
        if (!MealMasterReader::encodings().contains(encoding))
            return refuse(QStringLiteral("unknown text encoding %1").arg(encoding));
        return MealMasterReader::read(file, path, encoding, sink);
    }
    const bool json = suffix == QLatin1String("json") || suffix == QLatin1String("jsonld");
    const bool html = suffix == QLatin1String("html") || suffix == QLatin1String("htm");
    if (!json && !html)
        return refuse(QStringLiteral("not a kind of recipe file the program reads"));
    if (file.size() > JsonLdReader::MaxDocumentBytes)
        return refuse(QStringLiteral("larger than %1 MB").arg(JsonLdReader::MaxDocumentBytes / (1024 * 1024)));
    const QByteArray data = file.read(JsonLdReader::MaxDocumentBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return refuse(QStringLiteral("cannot be read: %1").arg(file.errorString()));
    return json ? JsonLdReader::readDocument(data, path, QString(), sink) : JsonLdReader::readHtml(data, path, sink);
}

} // namespace

QString ImportSummary::text() const
{
    QStringList lines;
    if (!error.isEmpty())
        lines << QStringLiteral("The import failed; nothing was imported: %1").arg(error);
    else if (cancelled)
        lines << QStringLiteral("The import was cancelled; nothing was imported.");
    else {
        lines << QStringLiteral("%1 recipe%2 imported.").arg(imported).arg(imported == 1 ? "" : "s");
        for (const Subgroup &s : subgroups) {
            lines << (s.mainGroup.isEmpty() ? QStringLiteral("  %1 into \"%2\"").arg(s.recipes).arg(s.name)
                                            : QStringLiteral("  %1 into \"%2\" (new, in \"%3\")")
                                                  .arg(s.recipes)
                                                  .arg(s.name, s.mainGroup));
        }
        lines << QStringLiteral("%1 duplicate%2 skipped (already in the book).")
                     .arg(duplicates)
                     .arg(duplicates == 1 ? "" : "s");
    }
    lines << QStringLiteral("%1 recipe%2 could not be read.").arg(skipped).arg(skipped == 1 ? "" : "s");
    for (const ImportProblem &p : problems)
        if (p.skipped)
            lines << QStringLiteral("  ") + p.text();
    bool notes = false;
    for (const ImportProblem &p : problems) {
        if (p.skipped)
            continue;
        if (!notes)
            lines << QStringLiteral("Imported with something left out:");
        notes = true;
        lines << QStringLiteral("  ") + p.text();
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

BookImport::BookImport(RecipeBook::Book &book) : m_book(book) { }

QString BookImport::fileFilter()
{
    return QStringLiteral("Recipe files (*.mmf *.mm *.txt *.json *.jsonld *.html *.htm *.zip *.paprikarecipes);;"
                          "Meal-Master (*.mmf *.mm *.txt);;JSON-LD (*.json *.jsonld);;Web pages (*.html *.htm);;"
                          "Nextcloud Cookbook zips (*.zip);;Paprika (*.paprikarecipes);;All files (*)");
}

QString BookImport::bookName(const QString &name)
{
    QString text = name.simplified();
    if (!text.isEmpty() && !text.at(0).isSurrogate())
        text[0] = text.at(0).toUpper();
    return IngredientText::cut(text, MaxNameLength).trimmed();
}

QString BookImport::exactName(const QString &name)
{
    QString text = name;
    for (QChar &c : text)
        if (c.unicode() < 0x20)
            c = QLatin1Char(' ');
    return IngredientText::cut(text.trimmed(), MaxNameLength).trimmed();
}

QString BookImport::yieldUnit(const QString &yield)
{
    // A number ("16", "2.5") and after spaces a text that starts with no digit.
    int at = 0;
    while (at < yield.size() && yield.at(at).isSpace())
        ++at;
    const int digits = at;
    while (at < yield.size() && yield.at(at).isDigit())
        ++at;
    if (at == digits)
        return QString();
    if (at + 1 < yield.size() && (yield.at(at) == QLatin1Char('.') || yield.at(at) == QLatin1Char(','))
        && yield.at(at + 1).isDigit()) {
        ++at;
        while (at < yield.size() && yield.at(at).isDigit())
            ++at;
    }
    if (at >= yield.size() || !yield.at(at).isSpace())
        return QString();
    const QString unit = yield.mid(at).simplified();
    if (unit.isEmpty() || unit.at(0).isDigit())
        return QString();
    for (const char *servings : {"serving", "servings", "portion", "portions", "people", "person", "persons"})
        if (unit.compare(QLatin1String(servings), Qt::CaseInsensitive) == 0)
            return QString();
    return unit;
}

ImportSummary BookImport::run(const QStringList &files, const ImportOptions &options, const Progress &progress)
{
    ImportSummary summary;
    qint64 total = 0;
    for (const QString &file : files)
        total += qMax<qint64>(0, QFileInfo(file).size());
    if (options.beforeImport) {
        try {
            options.beforeImport();
        } catch (const StoreError &e) {
            summary.error = e.message();
            return summary;
        }
    }
    std::unique_ptr<Importer> importer;
    try {
        // The tables of the book are reached through the folder's connection;
        // the subgroup and recipe tables stay closed when they were.
        if (!m_book.mainGroups().Active())
            m_book.mainGroups().open();
        importer = std::make_unique<Importer>(m_book, options, summary);
        StoreTransaction scope(m_book.mainGroups());
        importer->prepare();
        qint64 done = 0;
        int sinceProgress = 0;
        ImportSink sink;
        sink.recipe = [&](ImportedRecipe &&recipe) {
            importer->add(std::move(recipe));
            if (++sinceProgress >= 64 && progress) {
                sinceProgress = 0;
                if (!progress(done, total))
                    throw Cancelled();
            }
            return true;
        };
        sink.problem = [&](ImportProblem &&problem) {
            if (problem.skipped)
                ++summary.skipped;
            summary.problems << std::move(problem);
        };
        sink.groups = [&](ImportedGroups &&groups) { importer->addGroups(groups); };
        sink.progress = [&](qint64 bytes) {
            if (progress && !progress(done + bytes, total))
                throw Cancelled();
            return true;
        };
        for (ImportProblem problem : options.readProblems)
            sink.problem(std::move(problem));
        for (ImportedRecipe recipe : options.readRecipes)
            sink.recipe(std::move(recipe));
        for (const QString &file : files) {
            readFile(file, options, sink);
            done += qMax<qint64>(0, QFileInfo(file).size());
            if (progress && !progress(done, total))
                throw Cancelled();
        }
        scope.commit();
    } catch (const Cancelled &) {
        if (importer)
            importer->removePictures();
        ImportSummary cancelled;
        cancelled.cancelled = true;
        return cancelled;
    } catch (const StoreError &e) {
        if (importer)
            importer->removePictures();
        ImportSummary failed;
        failed.error = e.message();
        failed.problems = summary.problems;
        failed.skipped = summary.skipped;
        return failed;
    }
    return summary;
}

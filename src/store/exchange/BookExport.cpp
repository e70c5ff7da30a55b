#include "store/exchange/BookExport.h"

#include "store/book/Book.h"
#include "store/exchange/BookImport.h"
#include "store/exchange/IngredientText.h"
#include "store/table/PackTable.h"
#include "store/table/PictureFiles.h"
#include "store/table/ProgramError.h"
#include "store/exchange/RecipeArchive.h"
#include "store/table/SqlStatement.h"
#include "store/table/StoreConnection.h"
#include "store/table/StoredRecipe.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>

#include <archive.h>
#include <archive_entry.h>

#include <memory>

namespace {

struct Row : StoredRecipe
{
    bool picture = false;
};

QStringList lines(const QString &text)
{
    QString plain = text;
    plain.remove(QLatin1Char('\r'));
    return plain.split(QLatin1Char('\n'));
}

constexpr int MealMasterWidth = 80;
// Ingredient text stays in columns 12 to 41, where every reader expects it.
constexpr int IngredientTextWidth = 30;

// `text` in pieces of at most `width` characters, broken at spaces; a word
// longer than a piece is cut.
QStringList wrapWords(const QString &text, int width)
{
    QStringList pieces;
    QString rest = text.trimmed();
    while (rest.size() > width) {
        const int space = rest.lastIndexOf(QLatin1Char(' '), width);
        const int cut = space > 0 ? space : width;
        pieces << rest.left(cut);
        rest = rest.mid(space > 0 ? cut + 1 : cut);
        while (pieces.last().endsWith(QLatin1Char(' ')))
            pieces.last().chop(1);
    }
    if (!rest.isEmpty() || pieces.isEmpty())
        pieces << rest;
    return pieces;
}

// The name of a heading line ("FILLING:" gives "FILLING"), or nothing for
// another line. Headings are short, end with a colon and start with no
// quantity, so that the portion calculator leaves them alone.
std::optional<QString> headingName(const QString &line, int longest)
{
    const QString text = line.trimmed();
    if (!text.endsWith(QLatin1Char(':')) || text.size() > longest || text.at(0).isDigit())
        return std::nullopt;
    const QString name = text.chopped(1).trimmed();
    if (name.isEmpty() || name.contains(QLatin1Char(':')) || name.contains(QLatin1Char('.')))
        return std::nullopt;
    return name;
}

QString sectionLine(const QString &name)
{
    QString line = QStringLiteral("MMMMM-----") + name + QStringLiteral("-----");
    if (line.size() < 77)
        line += QString(77 - int(line.size()), QLatin1Char('-'));
    return line + QLatin1Char('\n');
}

QByteArray mealMasterRecipe(const Row &row)
{
    QStringList directions = lines(row.directions);
    QString yield = QStringLiteral("servings");
    if (!row.portions.isEmpty() && directions.first().startsWith(BookImport::YieldLabel)) {
        const QString unit = BookImport::yieldUnit(directions.first().mid(BookImport::YieldLabel.size()));
        if (!unit.isEmpty()) {
            yield = unit;
            directions.removeFirst();
        }
    }
    QStringList categories{row.subgroup, row.mainGroup};
    const QString lastDescriptionLine = lines(row.description).last();
    if (lastDescriptionLine.startsWith(BookImport::CategoriesLabel))
        categories += IngredientText::splitNames(lastDescriptionLine.mid(BookImport::CategoriesLabel.size()));

    QString out;
    out += QStringLiteral("MMMMM----- Recipe via Meal-Master (tm) v8.05\n\n");
    out += QStringLiteral("      Title: %1\n").arg(row.name);
    out += QStringLiteral(" Categories: %1\n").arg(IngredientText::joinNames(categories));
    if (!row.portions.isEmpty())
        out += QStringLiteral("      Yield: %1 %2\n").arg(row.portions, yield);
    out += QLatin1Char('\n');
    if (!row.ingredients.isEmpty()) {
        for (const QString &line : lines(row.ingredients)) {
            if (line.trimmed().isEmpty()) {
                out += QLatin1Char('\n');
                continue;
            }
            if (const auto heading = headingName(line, 60)) {
                out += sectionLine(*heading);
                continue;
            }
            const IngredientText::MealMasterColumns c = IngredientText::toMealMaster(line);
            // Longer texts go on in "-" lines below.
            const QStringList pieces = wrapWords(c.text, IngredientTextWidth);
            for (int i = 0; i < pieces.size(); ++i) {
                out += i == 0 ? QStringLiteral("%1 %2 %3").arg(c.amount, 7).arg(c.unit, -2).arg(pieces.at(i))
                              : QStringLiteral("%1-%2").arg(QString(), 11).arg(pieces.at(i));
                while (out.endsWith(QLatin1Char(' ')))
                    out.chop(1);
                out += QLatin1Char('\n');
            }
        }
        out += QLatin1Char('\n');
    }
    // Each line of the directions is a paragraph wrapped at 80 columns; one
    // that follows another without a blank line is marked with ":", so that
    // readers keep it a line of its own.
    bool previousText = false;
    for (const QString &line : qAsConst(directions)) {
        if (line.trimmed().isEmpty()) {
            out += QLatin1Char('\n');
            previousText = false;
            continue;
        }
        if (const auto heading = headingName(line, 40)) {
            out += sectionLine(*heading);
            previousText = false;
            continue;
        }
        const QString first = previousText ? QStringLiteral("  :") : QStringLiteral("  ");
        const QStringList pieces = wrapWords(line, MealMasterWidth - int(first.size()));
        for (int i = 0; i < pieces.size(); ++i)
            out += (i == 0 ? first : QStringLiteral("  ")) + pieces.at(i) + QLatin1Char('\n');
        previousText = true;
    }
    out += QStringLiteral("\nMMMMM\n\n");
    return out.toUtf8();
}

QJsonObject jsonRecipe(const Row &row)
{
    QJsonObject recipe;
    recipe.insert(QStringLiteral("@context"), QStringLiteral("https://schema.org"));
    recipe.insert(QStringLiteral("@type"), QStringLiteral("Recipe"));
    recipe.insert(QStringLiteral("name"), row.name);
    if (!row.description.isEmpty())
        recipe.insert(QStringLiteral("description"), row.description);
    if (!row.portions.isEmpty())
        recipe.insert(QStringLiteral("recipeYield"), row.portions.toLongLong());
    recipe.insert(QStringLiteral("recipeCategory"), row.subgroup);
    recipe.insert(QStringLiteral("keywords"), row.mainGroup);
    // The main group whole (keywords are split at commas); the import reads
    // names from here exactly as written.
    recipe.insert(QStringLiteral("mainGroup"), row.mainGroup);
    QJsonArray ingredients;
    if (!row.ingredients.isEmpty())
        for (const QString &line : lines(row.ingredients))
            ingredients.append(line);
    recipe.insert(QStringLiteral("recipeIngredient"), ingredients);
    // A step per paragraph; the lines of a paragraph stay together.
    QJsonArray steps;
    if (!row.directions.isEmpty()) {
        QString text = row.directions;
        text.remove(QLatin1Char('\r'));
        for (const QString &paragraph : text.split(QStringLiteral("\n\n"))) {
            QJsonObject step;
            step.insert(QStringLiteral("@type"), QStringLiteral("HowToStep"));
            step.insert(QStringLiteral("text"), paragraph);
            steps.append(step);
        }
    }
    recipe.insert(QStringLiteral("recipeInstructions"), steps);
    if (!row.time.isEmpty()) {
        const QString iso = IngredientText::isoDuration(row.time);
        if (!iso.isEmpty())
            recipe.insert(QStringLiteral("totalTime"), iso);
        // The time as written, where the duration would read back otherwise.
        if (iso.isEmpty() || IngredientText::durationText(iso) != row.time)
            recipe.insert(QStringLiteral("totalTimeText"), row.time);
    }
    if (!row.difficulty.isEmpty())
        recipe.insert(QStringLiteral("difficulty"), row.difficulty);
    if (row.picture)
        recipe.insert(QStringLiteral("image"), QStringLiteral("full.jpg"));
    return recipe;
}

// A folder name for a recipe: no path separators or control characters, no
// leading dot, unique in the archive.
QString folderName(const QString &name, QSet<QString> &used)
{
    QString base;
    for (QChar c : name)
        base += (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 0x20) ? QLatin1Char('_') : c;
    if (base.startsWith(QLatin1Char('.')))
        base[0] = QLatin1Char('_');
    base = IngredientText::cut(base, 100);
    QString candidate = base;
    for (int n = 2; used.contains(candidate.toLower()); ++n)
        candidate = QStringLiteral("%1 (%2)").arg(base).arg(n);
    used.insert(candidate.toLower());
    return candidate;
}

struct WriterDeleter
{
    void operator()(archive *a) const { archive_write_free(a); }
};

bool writeEntry(archive *a, const QString &path, const QByteArray &data, QString *error)
{
    std::unique_ptr<archive_entry, decltype(&archive_entry_free)> entry(archive_entry_new(), archive_entry_free);
    archive_entry_set_pathname_utf8(entry.get(), path.toUtf8().constData());
    archive_entry_set_size(entry.get(), data.size());
    archive_entry_set_filetype(entry.get(), AE_IFREG);
    archive_entry_set_perm(entry.get(), 0644);
    if (archive_write_header(a, entry.get()) != ARCHIVE_OK
        || archive_write_data(a, data.constData(), size_t(data.size())) != data.size()) {
        *error = QString::fromLocal8Bit(archive_error_string(a));
        return false;
    }
    return true;
}

// The groups of an export as the import reads them back: every main group
// in it with all its subgroups, empty ones too, in the book's order.
QByteArray groupList(sqlite3 *db, const QString &m, const QString &s, const QString &where,
                     const std::function<void(SqlStatement &)> &bind)
{
    SqlStatement select(db, QStringLiteral("SELECT m.Nimi, s.Nimi FROM %1 m LEFT JOIN %2 s ON s.Ryhma = m.Nimi "
                                           "WHERE %3 ORDER BY m.id, s.id")
                                .arg(m, s, where));
    bind(select);
    QJsonArray mainGroups;
    QJsonObject main;
    QJsonArray subgroups;
    while (select.step()) {
        if (main.value(QLatin1String("name")).toString() != select.columnText(0) || main.isEmpty()) {
            if (!main.isEmpty()) {
                main.insert(QStringLiteral("subgroups"), subgroups);
                mainGroups.append(main);
            }
            main = QJsonObject{{QStringLiteral("name"), select.columnText(0)}};
            subgroups = QJsonArray();
        }
        if (!select.isNull(1))
            subgroups.append(select.columnText(1));
    }
    if (!main.isEmpty()) {
        main.insert(QStringLiteral("subgroups"), subgroups);
        mainGroups.append(main);
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("mainGroups"), mainGroups}}).toJson(QJsonDocument::Indented);
}

} // namespace

BookExport::BookExport(RecipeBook::Book &book) : m_book(book) { }

BookExport::Result BookExport::run(const QString &outFile, Format format, Scope scope, const QString &name,
                                   const Progress &progress)
{
    return write(outFile, format, scope, false, [&name](SqlStatement &s) { s.bindText(1, name); }, name, progress);
}

BookExport::Result BookExport::run(const QString &outFile, Format format, Scope scope, qint64 id,
                                   const Progress &progress)
{
    return write(outFile, format, scope, true, [id](SqlStatement &s) { s.bindInt64(1, id); },
                 QStringLiteral("id %1").arg(id), progress);
}

BookExport::Result BookExport::write(const QString &outFile, Format format, Scope scope, bool byId,
                                     const std::function<void(SqlStatement &)> &bind, const QString &target,
                                     const Progress &progress)
{
    Result result;
    try {
        if (!m_book.mainGroups().Active())
            m_book.mainGroups().open();
        auto connection =
            StoreConnection::acquire(m_book.mainGroups().DatabaseName(), m_book.mainGroups().tableFilePath());
        QStringList schemas;
        auto table = [&](TPackTable &t) {
            schemas << connection->attach(t.tableFilePath());
            return SqlStatement::quoteName(schemas.last()) + QLatin1Char('.')
                + SqlStatement::quoteName(t.TableName().section(QLatin1Char('.'), 0, 0));
        };
        const QString m = table(m_book.mainGroups());
        const QString s = table(m_book.subgroups());
        const QString r = table(m_book.recipes());
        struct Release
        {
            std::shared_ptr<StoreConnection> connection;
            QStringList schemas;
            ~Release()
            {
                for (const QString &schema : qAsConst(schemas))
                    connection->release(schema);
            }
        } release{connection, schemas};
        const QString key = byId ? QStringLiteral("id") : QStringLiteral("Nimi");
        QString where;
        switch (scope) {
        case Scope::Book:
            where = QStringLiteral("1 OR ? IS NULL");
            break;
        case Scope::MainGroup:
            where = QStringLiteral("m.%1 = ?").arg(key);
            break;
        case Scope::Subgroup:
            where = QStringLiteral("s.%1 = ?").arg(key);
            break;
        case Scope::Recipe:
            where = QStringLiteral("r.%1 = ?").arg(key);
            break;
        }
        const QString from = QStringLiteral(" FROM %1 m JOIN %2 s ON s.Ryhma = m.Nimi JOIN %3 r ON r.Ryhma = s.Nimi "
                                            "WHERE %4")
                                 .arg(m, s, r, where);
        SqlStatement count(connection->handle(), QStringLiteral("SELECT count(*)") + from);
        bind(count);
        const int total = count.step() ? int(count.columnInt64(0)) : 0;
        if (total == 0) {
            result.error = scope == Scope::Book ? QStringLiteral("The book has no recipes to export")
                                                : QStringLiteral("No recipes found for \"%1\"").arg(target);
            return result;
        }
        SqlStatement select(connection->handle(),
                            QStringLiteral("SELECT r.Nimi, m.Nimi, s.Nimi, r.Kuvaus, r.Aste, r.Aika, r.Annos, r.Aineet, "
                                           "r.Ohje, r.Kuva")
                                + from + QStringLiteral(" ORDER BY m.id, s.id, r.id"));
        bind(select);

        QSaveFile out(outFile);
        if (!out.open(QIODevice::WriteOnly)) {
            result.error = QStringLiteral("Cannot write %1: %2").arg(outFile, out.errorString());
            return result;
        }
        std::unique_ptr<archive, WriterDeleter> zip;
        const QString top = QFileInfo(outFile).completeBaseName().isEmpty() ? QStringLiteral("Recipes")
                                                                            : QFileInfo(outFile).completeBaseName();
        if (format == Format::JsonLd) {
            zip.reset(archive_write_new());
            archive_write_set_format_zip(zip.get());
            if (archive_write_open_fd(zip.get(), int(out.handle())) != ARCHIVE_OK) {
                result.error = QStringLiteral("Cannot write %1: %2")
                                   .arg(outFile, QString::fromLocal8Bit(archive_error_string(zip.get())));
                out.cancelWriting();
                return result;
            }
        }
        QSet<QString> folders;
        QString error;
        if (zip && scope != Scope::Recipe
            && !writeEntry(zip.get(), top + QLatin1Char('/') + RecipeArchive::BookGroupsFile,
                           groupList(connection->handle(), m, s, where, bind), &error)) {
            out.cancelWriting();
            result.error = QStringLiteral("Cannot write %1: %2").arg(outFile, error);
            return result;
        }
        while (select.step()) {
            Row row;
            static_cast<StoredRecipe &>(row) = readStoredRecipe(select, 0);
            QByteArray picture;
            if (!select.isNull(9) && select.columnInt64(9) != 0) {
                QString reason;
                if (PictureFiles::readPicture(m_book.picturePath(row.name), &picture, &reason)
                    == PictureFiles::ReadResult::Read)
                    row.picture = true;
            }
            if (format == Format::MealMaster) {
                const QByteArray text = mealMasterRecipe(row);
                if (out.write(text) != text.size()) {
                    error = out.errorString();
                    break;
                }
            } else {
                const QString folder = top + QLatin1Char('/') + folderName(row.name, folders) + QLatin1Char('/');
                const QByteArray json = QJsonDocument(jsonRecipe(row)).toJson(QJsonDocument::Indented);
                if (!writeEntry(zip.get(), folder + QStringLiteral("recipe.json"), json, &error)
                    || (row.picture && !writeEntry(zip.get(), folder + QStringLiteral("full.jpg"), picture, &error)))
                    break;
            }
            ++result.recipes;
            if (progress && result.recipes % 64 == 0 && !progress(result.recipes, total)) {
                out.cancelWriting();
                result.cancelled = true;
                result.recipes = 0;
                return result;
            }
        }
        if (zip && error.isEmpty() && archive_write_close(zip.get()) != ARCHIVE_OK)
            error = QString::fromLocal8Bit(archive_error_string(zip.get()));
        if (error.isEmpty() && !out.commit())
            error = out.errorString();
        if (!error.isEmpty()) {
            out.cancelWriting();
            result.error = QStringLiteral("Cannot write %1: %2").arg(outFile, error);
            result.recipes = 0;
        }
    } catch (const StoreError &e) {
        result.error = e.message();
        result.recipes = 0;
    }
    return result;
}

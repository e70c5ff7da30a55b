#include "store/BookExport.h"

#include "store/Book.h"
#include "store/IngredientText.h"
#include "store/PackTable.h"
#include "store/PictureFiles.h"
#include "store/ProgramError.h"
#include "store/SqlStatement.h"
#include "store/StoreConnection.h"

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

struct Row
{
    QString mainGroup;
    QString subgroup;
    QString name;
    QString description;
    QString difficulty;
    QString time;
    QString portions;
    QString ingredients;
    QString directions;
    bool picture = false;
};

QStringList lines(const QString &text)
{
    QString plain = text;
    plain.remove(QLatin1Char('\r'));
    return plain.split(QLatin1Char('\n'));
}

QByteArray mealMasterRecipe(const Row &row)
{
    QString out;
    out += QStringLiteral("MMMMM----- Recipe via Meal-Master (tm) v8.05\n\n");
    out += QStringLiteral("      Title: %1\n").arg(row.name);
    out += QStringLiteral(" Categories: %1, %2\n").arg(row.subgroup, row.mainGroup);
    if (!row.portions.isEmpty())
        out += QStringLiteral("      Yield: %1 servings\n").arg(row.portions);
    out += QLatin1Char('\n');
    if (!row.ingredients.isEmpty()) {
        for (const QString &line : lines(row.ingredients)) {
            if (line.trimmed().isEmpty()) {
                out += QLatin1Char('\n');
                continue;
            }
            const IngredientText::MealMasterColumns c = IngredientText::toMealMaster(line);
            out += QStringLiteral("%1 %2 %3").arg(c.amount, 7).arg(c.unit, -2).arg(c.text);
            while (out.endsWith(QLatin1Char(' ')))
                out.chop(1);
            out += QLatin1Char('\n');
        }
        out += QLatin1Char('\n');
    }
    // A line that follows another without a blank line is marked with ":",
    // so that readers keep it a line of its own.
    bool previousText = false;
    for (const QString &line : lines(row.directions)) {
        if (line.trimmed().isEmpty()) {
            out += QLatin1Char('\n');
            previousText = false;
            continue;
        }
        out += (previousText ? QStringLiteral("  :") : QStringLiteral("  ")) + line.trimmed() + QLatin1Char('\n');
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

} // namespace

BookExport::BookExport(RecipeBook::Book &book) : m_book(book) { }

BookExport::Result BookExport::run(const QString &outFile, Format format, Scope scope, const QString &name,
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
        QString where;
        switch (scope) {
        case Scope::Book:
            where = QStringLiteral("1 OR ? IS NULL");
            break;
        case Scope::MainGroup:
            where = QStringLiteral("m.Nimi = ?");
            break;
        case Scope::Subgroup:
            where = QStringLiteral("s.Nimi = ?");
            break;
        case Scope::Recipe:
            where = QStringLiteral("r.Nimi = ?");
            break;
        }
        const QString from = QStringLiteral(" FROM %1 m JOIN %2 s ON s.Ryhma = m.Nimi JOIN %3 r ON r.Ryhma = s.Nimi "
                                            "WHERE %4")
                                 .arg(m, s, r, where);
        SqlStatement count(connection->handle(), QStringLiteral("SELECT count(*)") + from);
        count.bindText(1, name);
        const int total = count.step() ? int(count.columnInt64(0)) : 0;
        if (total == 0) {
            result.error = scope == Scope::Book ? QStringLiteral("The book has no recipes to export")
                                                : QStringLiteral("No recipes found for \"%1\"").arg(name);
            return result;
        }
        SqlStatement select(connection->handle(),
                            QStringLiteral("SELECT m.Nimi, s.Nimi, r.Nimi, r.Kuvaus, r.Aste, r.Aika, r.Annos, r.Aineet, "
                                           "r.Ohje, r.Kuva")
                                + from + QStringLiteral(" ORDER BY m.id, s.id, r.id"));
        select.bindText(1, name);

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
        while (select.step()) {
            Row row;
            row.mainGroup = select.columnText(0);
            row.subgroup = select.columnText(1);
            row.name = select.columnText(2);
            row.description = select.columnText(3);
            row.difficulty = select.columnText(4);
            row.time = select.columnText(5);
            row.portions = select.isNull(6) ? QString() : select.columnText(6);
            row.ingredients = select.columnText(7);
            row.directions = select.columnText(8);
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

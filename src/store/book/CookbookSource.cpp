#include "store/book/CookbookSource.h"

#include "store/table/PicturePaths.h"
#include "store/table/ProgramError.h"
#include "store/table/SqlStatement.h"

#include <QFileInfo>
#include <QLocale>
#include <QUrl>

#include <sqlite3.h>

namespace CookbookSource {

namespace {

// The recipes joined to their subgroups and main groups; a recipe whose
// subgroup is missing still belongs to the whole book.
const char *const Joined = " FROM Ohje r LEFT JOIN subgroups.Alaryhma s ON s.Nimi = r.Ryhma "
                           "LEFT JOIN maingroups.Paaryhma m ON m.Nimi = s.Ryhma ";

QString condition(Scope scope)
{
    switch (scope) {
    case Scope::WholeBook:
        return QString();
    case Scope::MainGroup:
        return QStringLiteral("WHERE m.Nimi = ?1 ");
    case Scope::Subgroup:
        return QStringLiteral("WHERE s.Nimi = ?1 ");
    }
    return QString();
}

class ReadOnlyBook
{
public:
    explicit ReadOnlyBook(const QString &dataFolder)
    {
        // Every byte outside the unreserved set is percent-encoded, so '?',
        // '#' and '%' in folder names are not taken for URI syntax.
        auto uri = [&](const char *file) {
            return "file:" + QUrl::toPercentEncoding(dataFolder + u'/' + QLatin1String(file), "/") + "?mode=ro";
        };
        const int rc = sqlite3_open_v2(uri("Ohje.db").constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
        if (rc != SQLITE_OK) {
            const QString why = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
            sqlite3_close_v2(db);
            db = nullptr;
            throw StoreError(QStringLiteral("Cannot open the recipes of %1: %2").arg(dataFolder, why));
        }
        sqlite3_busy_timeout(db, 2000);
        attach(QString::fromLatin1(uri("Alaryhma.db")), "subgroups");
        attach(QString::fromLatin1(uri("Paaryhma.db")), "maingroups");
    }
    ~ReadOnlyBook() { sqlite3_close_v2(db); }
    Q_DISABLE_COPY_MOVE(ReadOnlyBook)

    sqlite3 *db = nullptr;

private:
    void attach(const QString &file, const char *as)
    {
        try {
            SqlStatement statement(db, QStringLiteral("ATTACH DATABASE ? AS %1").arg(QLatin1String(as)));
            statement.bindText(1, file);
            statement.run();
        } catch (...) {
            sqlite3_close_v2(db);
            db = nullptr;
            throw;
        }
    }
};

} // namespace

QVector<Recipe> read(const QString &dataFolder, const QString &picsFolder, Scope scope, const QString &group)
{
    if (!QFileInfo::exists(dataFolder + QStringLiteral("/Ohje.db")))
        throw StoreError(QStringLiteral("No recipe book in %1").arg(dataFolder));
    QVector<Recipe> recipes;
    {
        ReadOnlyBook book(dataFolder);
        if (scope != Scope::WholeBook) {
            SqlStatement known(book.db, scope == Scope::MainGroup
                                            ? QStringLiteral("SELECT 1 FROM maingroups.Paaryhma WHERE Nimi = ?")
                                            : QStringLiteral("SELECT 1 FROM subgroups.Alaryhma WHERE Nimi = ?"));
            known.bindText(1, group);
            if (!known.step())
                throw StoreError((scope == Scope::MainGroup ? QStringLiteral("No main group named \"%1\"")
                                                            : QStringLiteral("No subgroup named \"%1\""))
                                     .arg(group));
        }
        // The whole book is every recipe; a group's recipes are found through the joins.
        SqlStatement count(book.db, scope == Scope::WholeBook ? QStringLiteral("SELECT count(*) FROM Ohje")
                                                               : QStringLiteral("SELECT count(*)") + QLatin1String(Joined)
                                                                     + condition(scope));
        if (scope != Scope::WholeBook)
            count.bindText(1, group);
        const qint64 total = count.step() ? count.columnInt64(0) : 0;
        if (total > MaxRecipes) {
            const QLocale english(QLocale::English);
            throw StoreError(QStringLiteral("%1 holds %2 recipes; a cookbook takes at most %3. Choose a main group or "
                                            "a subgroup.")
                                 .arg(scope == Scope::WholeBook ? QStringLiteral("The whole book")
                                                                : QStringLiteral("The group"),
                                      english.toString(total), english.toString(MaxRecipes)));
        }
        SqlStatement select(book.db,
                            QStringLiteral("SELECT r.id, r.Nimi, m.Nimi, r.Ryhma, r.Kuvaus, r.Aste, r.Aika, r.Annos, "
                                           "r.Aineet, r.Ohje, r.Kuva")
                                + QLatin1String(Joined) + condition(scope)
                                + QStringLiteral("ORDER BY m.Nimi IS NULL, m.Nimi COLLATE NOCASE, m.id, "
                                                 "r.Ryhma COLLATE NOCASE, r.Ryhma, r.Nimi COLLATE NOCASE, r.id"));
        if (scope != Scope::WholeBook)
            select.bindText(1, group);
        recipes.reserve(int(total));
        while (select.step()) {
            Recipe recipe;
            static_cast<StoredRecipe &>(recipe) = readStoredRecipe(select, 1);
            recipe.id = select.columnInt64(0);
            const QString mark = select.columnText(10).trimmed().toLower();
            if (!mark.isEmpty() && mark != QLatin1String("0") && mark != QLatin1String("false")) {
                const QString file = picsFolder + PicturePaths::pictureFileName(recipe.name);
                if (QFileInfo::exists(file))
                    recipe.picture = file;
            }
            recipes.append(recipe);
        }
    }
    return recipes;
}

} // namespace CookbookSource

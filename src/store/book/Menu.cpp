#include "store/book/Menu.h"

#include "store/table/ProgramError.h"
#include "store/table/SqlStatement.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QUrl>

#include <sqlite3.h>

namespace Menu {

namespace {

const char *const days[] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};

QString pathOf(const QString &dataFolder)
{
    return dataFolder + u'/' + fileName();
}

} // namespace

QString fileName()
{
    return QStringLiteral("Ruokalista.json");
}

QString dayName(int day)
{
    return day >= 1 && day <= 7 ? QLatin1String(days[day - 1]) : QString();
}

QVector<Entry> read(const QString &dataFolder)
{
    QVector<Entry> entries;
    QFile file(pathOf(dataFolder));
    if (!file.exists())
        return entries;
    if (!file.open(QIODevice::ReadOnly))
        throw StoreError(QStringLiteral("Cannot read %1: %2").arg(file.fileName(), file.errorString()));
    QJsonParseError parseError {};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()
        || !document.object().value(QLatin1String("entries")).isArray())
        throw StoreError(QStringLiteral("%1 is not a menu").arg(file.fileName()));
    for (const QJsonValue &value : document.object().value(QLatin1String("entries")).toArray()) {
        const QJsonObject object = value.toObject();
        Entry entry;
        entry.recipe = qint64(object.value(QLatin1String("recipe")).toDouble());
        entry.portions = object.value(QLatin1String("portions")).toInt();
        entry.deleted = object.value(QLatin1String("deleted")).toBool();
        const QString day = object.value(QLatin1String("day")).toString();
        for (int d = 1; d <= 7; ++d) {
            if (day == dayName(d))
                entry.day = d;
        }
        if (entry.recipe > 0 && entry.portions >= 1 && entry.portions <= MaxPortions
            && (day.isEmpty() || entry.day != 0))
            entries.append(entry);
    }
    return entries;
}

void write(const QString &dataFolder, const QVector<Entry> &entries)
{
    QJsonArray list;
    for (const Entry &entry : entries) {
        QJsonObject object {{QStringLiteral("recipe"), double(entry.recipe)},
                            {QStringLiteral("portions"), entry.portions}};
        if (entry.day != 0)
            object.insert(QStringLiteral("day"), dayName(entry.day));
        if (entry.deleted)
            object.insert(QStringLiteral("deleted"), true);
        list.append(object);
    }
    QSaveFile file(pathOf(dataFolder));
    if (!file.open(QIODevice::WriteOnly)
        || file.write(QJsonDocument(QJsonObject {{QStringLiteral("entries"), list}}).toJson()) < 0 || !file.commit())
        throw StoreError(QStringLiteral("Cannot write %1: %2").arg(file.fileName(), file.errorString()));
}

namespace {

// Reads the menu, lets `change` work on it and writes it back when that
// changed anything.
template <typename Change>
void update(const QString &dataFolder, Change change)
{
    QVector<Entry> entries = read(dataFolder);
    bool changed = false;
    for (Entry &entry : entries)
        changed = change(entry) || changed;
    if (changed)
        write(dataFolder, entries);
}

} // namespace

void markDeleted(const QString &dataFolder, const QVector<qint64> &ids)
{
    if (ids.isEmpty() || !QFile::exists(pathOf(dataFolder)))
        return;
    update(dataFolder, [&ids](Entry &entry) {
        if (entry.deleted || !ids.contains(entry.recipe))
            return false;
        entry.deleted = true;
        return true;
    });
}

void markRestored(const QString &dataFolder, const QHash<qint64, qint64> &ids)
{
    if (ids.isEmpty() || !QFile::exists(pathOf(dataFolder)))
        return;
    update(dataFolder, [&ids](Entry &entry) {
        const auto now = ids.constFind(entry.recipe);
        if (!entry.deleted || now == ids.constEnd())
            return false;
        entry.recipe = *now;
        entry.deleted = false;
        return true;
    });
}

QHash<qint64, Recipe> readRecipes(const QString &dataFolder, const QVector<Entry> &menu)
{
    QVector<qint64> ids;
    for (const Entry &entry : menu) {
        if (!entry.deleted)
            ids << entry.recipe;
    }
    return readRecipes(dataFolder, ids);
}

QHash<qint64, Recipe> readRecipes(const QString &dataFolder, const QVector<qint64> &ids, const QStringList &names)
{
    // Every byte outside the unreserved set is percent-encoded, so '?', '#'
    // and '%' in folder names are not taken for URI syntax.
    auto uri = [&](const char *file) {
        return "file:" + QUrl::toPercentEncoding(dataFolder + u'/' + QLatin1String(file), "/") + "?mode=ro";
    };
    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(uri("Ohje.db").constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    if (rc != SQLITE_OK) {
        const QString why = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_close_v2(db);
        throw StoreError(QStringLiteral("Cannot open the recipes of %1: %2").arg(dataFolder, why));
    }
    sqlite3_busy_timeout(db, 2000);
    QHash<qint64, Recipe> recipes;
    try {
        SqlStatement attach(db, QStringLiteral("ATTACH DATABASE ? AS subgroups"));
        attach.bindText(1, QString::fromLatin1(uri("Alaryhma.db")));
        attach.run();
        // One look-up a wanted recipe: a menu is short, the book may be huge.
        const QString fields = QStringLiteral("SELECT r.id, r.Nimi, r.Annos, r.Aineet, r.Ryhma, s.Ryhma FROM Ohje r "
                                              "LEFT JOIN subgroups.Alaryhma s ON s.Nimi = r.Ryhma ");
        SqlStatement byId(db, fields + QStringLiteral("WHERE r.id = ?"));
        SqlStatement byName(db, fields + QStringLiteral("WHERE r.Nimi = ?"));
        auto take = [&recipes](SqlStatement &select) {
            while (select.step()) {
                Recipe recipe;
                recipe.id = select.columnInt64(0);
                recipe.name = select.columnText(1);
                recipe.portions = qMax(0, select.columnText(2).trimmed().toInt());
                recipe.ingredients = select.columnText(3);
                recipe.subgroup = select.columnText(4);
                recipe.mainGroup = select.columnText(5);
                recipes.insert(recipe.id, recipe);
            }
            select.reset();
        };
        for (const qint64 id : ids) {
            if (!recipes.contains(id)) {
                byId.bindInt64(1, id);
                take(byId);
            }
        }
        for (const QString &name : names) {
            byName.bindText(1, name);
            take(byName);
        }
    } catch (...) {
        sqlite3_close_v2(db);
        throw;
    }
    sqlite3_close_v2(db);
    return recipes;
}

QVector<ShoppingList::Entry> shoppingEntries(const QVector<Entry> &menu, const QHash<qint64, Recipe> &recipes)
{
    QVector<ShoppingList::Entry> entries;
    for (const Entry &entry : menu) {
        const auto found = entry.deleted ? recipes.constEnd() : recipes.constFind(entry.recipe);
        if (found != recipes.constEnd())
            entries.append({found->name, found->ingredients, found->portions, entry.portions});
    }
    return entries;
}

} // namespace Menu

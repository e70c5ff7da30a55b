#include "store/table/RecipeSchema.h"

#include "store/table/ProgramError.h"
#include "store/table/SqlStatement.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

namespace RecipeSchema {

QStringList tableNames()
{
    return {QStringLiteral("Paaryhma"), QStringLiteral("Alaryhma"), QStringLiteral("Ohje")};
}

QVector<Field> fields(const QString &table)
{
    const QString text = QStringLiteral("TEXT");
    if (table == QLatin1String("Paaryhma"))
        return {{QStringLiteral("Nimi"), text}};
    if (table == QLatin1String("Alaryhma"))
        return {{QStringLiteral("Nimi"), text}, {QStringLiteral("Ryhma"), text}};
    if (table == QLatin1String("Ohje"))
        return {{QStringLiteral("Nimi"), text},
                {QStringLiteral("Ryhma"), text},
                {QStringLiteral("Kuvaus"), text},
                {QStringLiteral("Aste"), text},
                {QStringLiteral("Aika"), text},
                {QStringLiteral("Annos"), QStringLiteral("INTEGER")},
                {QStringLiteral("Aineet"), text},
                {QStringLiteral("Ohje"), text},
                {QStringLiteral("Kuva"), QStringLiteral("BOOLEAN")}};
    return {};
}

void createTableFile(const QString &path, const QString &table)
{
    const QVector<Field> columns = fields(table);
    if (columns.isEmpty())
        throw StoreError(QStringLiteral("Unknown table %1").arg(table));
    if (QFileInfo::exists(path))
        throw StoreError(QStringLiteral("%1 already exists").arg(path));

    sqlite3 *db = nullptr;
    const QByteArray file = QFile::encodeName(path);
    int rc = sqlite3_open_v2(file.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXRESCODE,
                             nullptr);
    if (rc != SQLITE_OK) {
        const QString why = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_close_v2(db);
        QFile::remove(path);
        throw StoreError(QStringLiteral("Cannot create %1: %2").arg(path, why));
    }

    bool ok = true;
    QString why;
    try {
        SqlStatement::exec(db, QStringLiteral("PRAGMA journal_mode=DELETE"));
        SqlStatement::exec(db, QStringLiteral("PRAGMA synchronous=FULL"));
        SqlStatement::exec(db, QStringLiteral("BEGIN"));
        SqlStatement::exec(db, QStringLiteral("PRAGMA application_id=%1").arg(ApplicationId));
        SqlStatement::exec(db, QStringLiteral("PRAGMA user_version=%1").arg(Version));
        QStringList definitions{QStringLiteral("id INTEGER PRIMARY KEY")};
        bool hasRyhma = false;
        for (const Field &f : columns) {
            definitions << SqlStatement::quoteName(f.name) + QLatin1Char(' ') + f.type;
            hasRyhma = hasRyhma || f.name == QLatin1String("Ryhma");
        }
        const QString quoted = SqlStatement::quoteName(table);
        SqlStatement::exec(db, QStringLiteral("CREATE TABLE %1 (%2)").arg(quoted, definitions.join(QLatin1String(", "))));
        SqlStatement::exec(db, QStringLiteral("CREATE INDEX %1 ON %2 (Nimi)")
                                   .arg(SqlStatement::quoteName(table + QLatin1String("_Nimi")), quoted));
        if (hasRyhma)
            SqlStatement::exec(db, QStringLiteral("CREATE INDEX %1 ON %2 (Ryhma)")
                                       .arg(SqlStatement::quoteName(table + QLatin1String("_Ryhma")), quoted));
        SqlStatement::exec(db, QStringLiteral("COMMIT"));
    } catch (const StoreError &e) {
        ok = false;
        why = e.message();
    }
    if (sqlite3_close_v2(db) != SQLITE_OK && ok) {
        ok = false;
        why = QStringLiteral("close failed");
    }
    if (!ok) {
        QFile::remove(path);
        QFile::remove(path + QLatin1String("-journal"));
        throw StoreError(QStringLiteral("Cannot create %1: %2").arg(path, why));
    }
}

} // namespace RecipeSchema

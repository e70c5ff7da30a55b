#pragma once

// The large generated book that the benchmarks share: 1,000 main groups,
// 10,000 subgroups and 250,000 recipes of about 1 KB each, generated once into
// ${MEALDECK_BENCH_CACHE:-~/.cache/mealdeck-bench} and reused.

#include "store/table/ProgramError.h"
#include "store/table/RecipeSchema.h"
#include "store/table/SqlStatement.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <sqlite3.h>

namespace BenchBook {

constexpr int MainGroups = 1000;
constexpr int SubgroupsPerMain = 10;
constexpr int RecipesPerSubgroup = 25;

inline QString mainName(int m)
{
    return QStringLiteral("Main group %1").arg(m);
}

inline QString subName(int s)
{
    return QStringLiteral("Subgroup %1").arg(s);
}

inline QString recipeName(int r)
{
    return QStringLiteral("Recipe %1").arg(r);
}

inline QString cacheFolder()
{
    const QByteArray configured = qgetenv("MEALDECK_BENCH_CACHE");
    if (!configured.isEmpty())
        return QString::fromLocal8Bit(configured);
    return QDir::homePath() + QStringLiteral("/.cache/mealdeck-bench");
}

inline void check(int rc, sqlite3 *db)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::abort();
    }
}

// Fills the three files of `data` with a generated book of `recipes` recipes
// (the groups scaled to match).
inline void generateBook(const QString &data, int recipes)
{
    QDir().mkpath(data + QStringLiteral("/Pics"));
    for (const QString &table : RecipeSchema::tableNames()) {
        const QString path = data + QLatin1Char('/') + table + QStringLiteral(".db");
        QFile::remove(path);
        QString error;
        try {
            RecipeSchema::createTableFile(path, table);
        } catch (const StoreError &e) {
            error = e.message();
            std::fprintf(stderr, "%s\n", qPrintable(error));
            std::abort();
        }
    }
    const int subgroups = (recipes + RecipesPerSubgroup - 1) / RecipesPerSubgroup;
    const int mains = (subgroups + SubgroupsPerMain - 1) / SubgroupsPerMain;
    const QString ingredients = QStringLiteral("2,5       dl       milk\n1-2       pcs      onions\n"
                                               "250       g        butter\nsalt\n")
                                    .repeated(5);
    const QString directions = QStringLiteral("Stir well and let it simmer for a while. ").repeated(12);

    auto fill = [&](const char *table, int rows, auto bindRow) {
        sqlite3 *db = nullptr;
        const QString path = data + QLatin1Char('/') + QLatin1String(table) + QStringLiteral(".db");
        check(sqlite3_open(QFile::encodeName(path).constData(), &db), db);
        sqlite3_exec(db, "PRAGMA synchronous=OFF; BEGIN", nullptr, nullptr, nullptr);
        {
            const QString columns = QLatin1String(table) == QLatin1String("Paaryhma") ? QStringLiteral("(id, Nimi)")
                : QLatin1String(table) == QLatin1String("Alaryhma")
                ? QStringLiteral("(id, Nimi, Ryhma)")
                : QStringLiteral("(id, Nimi, Ryhma, Kuvaus, Aste, Aika, Annos, Aineet, Ohje, Kuva)");
            const int count = int(columns.count(QLatin1Char(','))) + 1;
            QStringList marks;
            for (int i = 0; i < count; ++i)
                marks << QStringLiteral("?");
            SqlStatement insert(db, QStringLiteral("INSERT INTO %1 %2 VALUES (%3)")
                                        .arg(QLatin1String(table), columns, marks.join(QLatin1Char(','))));
            for (int i = 0; i < rows; ++i) {
                insert.bindInt64(1, i + 1);
                bindRow(insert, i);
                insert.run();
                insert.reset();
            }
        }
        check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
        sqlite3_close(db);
    };
    fill("Paaryhma", mains, [&](SqlStatement &s, int i) { s.bindText(2, mainName(i)); });
    fill("Alaryhma", subgroups, [&](SqlStatement &s, int i) {
        s.bindText(2, subName(i));
        s.bindText(3, mainName(i / SubgroupsPerMain));
    });
    fill("Ohje", recipes, [&](SqlStatement &s, int i) {
        s.bindText(2, recipeName(i));
        s.bindText(3, subName(i / RecipesPerSubgroup));
        s.bindText(4, QStringLiteral("A short description of recipe %1.").arg(i));
        s.bindText(5, QStringLiteral("Medium"));
        s.bindText(6, QStringLiteral("45 min"));
        s.bindInt64(7, 4);
        s.bindText(8, ingredients);
        s.bindText(9, directions);
        s.bindNull(10);
    });
}

// The 250,000-recipe book, generated on first use.
inline QString bigBook()
{
    static QString data;
    if (!data.isEmpty())
        return data;
    data = cacheFolder() + QStringLiteral("/big/Data");
    const QString done = cacheFolder() + QStringLiteral("/big/complete");
    if (!QFileInfo::exists(done)) {
        std::fprintf(stderr, "Generating the benchmark book in %s ...\n", qPrintable(data));
        generateBook(data, MainGroups * SubgroupsPerMain * RecipesPerSubgroup);
        QFile marker(done);
        marker.open(QIODevice::WriteOnly);
    }
    return data;
}

} // namespace BenchBook

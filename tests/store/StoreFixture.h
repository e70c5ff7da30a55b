#pragma once

#include "store/table/PackTable.h"
#include "store/table/ProgramError.h"
#include "store/book/RecipeBook.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <sqlite3.h>

// A fresh empty book in a temporary folder, and ways to look at its files
// with a connection of their own.
// The message of the StoreError that `work` throws; empty when it throws none.
template<typename Work>
QString storeFailure(Work &&work)
{
    try {
        work();
    } catch (const StoreError &e) {
        return e.message();
    }
    return QString();
}

struct StoreFixture
{
    QTemporaryDir dir;
    QString data;

    StoreFixture()
    {
        try {
            RecipeBook::createBook(dir.path(), false);
        } catch (const StoreError &e) {
            qFatal("cannot create a book: %s", qPrintable(e.message()));
        }
        data = dir.path() + QStringLiteral("/Data");
    }

    QString file(const QString &table) const { return data + QLatin1Char('/') + table + QStringLiteral(".db"); }

    std::unique_ptr<TPackTable> open(const QString &table) const { return openIn(data, table); }

    // A table of the book in the data folder `dataFolder`, opened.
    static std::unique_ptr<TPackTable> openIn(const QString &dataFolder, const QString &table)
    {
        auto t = std::make_unique<TPackTable>();
        t->setDatabaseName(dataFolder);
        t->setTableName(table);
        t->setTableType(TTableType::Paradox);
        t->open();
        return t;
    }
};

// Runs a query on a table file through its own read-only connection and
// returns the first column of every row as text.
inline QStringList queryFile(const QString &path, const QString &sql)
{
    QStringList result;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return {QStringLiteral("<cannot open>")};
    }
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &stmt, nullptr) == SQLITE_OK) {
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0));
            result << (text ? QString::fromUtf8(text) : QStringLiteral("<null>"));
        }
    } else {
        result << QStringLiteral("<error %1>").arg(QString::fromUtf8(sqlite3_errmsg(db)));
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return result;
}

inline QByteArray fileHash(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1);
}

inline void addRow(TPackTable &t, const QString &name, const QString &group = QString())
{
    t.append();
    t.setFieldText(QStringLiteral("Nimi"), name);
    if (!group.isNull())
        t.setFieldText(QStringLiteral("Ryhma"), group);
    t.post();
}

// The Nimi of every row of the view, in view order; leaves the table on the first row.
inline QStringList viewNames(TPackTable &t)
{
    QStringList names;
    for (t.first(); !t.eof(); t.next())
        names << t.fieldText(QStringLiteral("Nimi"));
    t.first();
    return names;
}

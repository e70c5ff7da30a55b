#pragma once

#include <QString>
#include <QVariant>
#include <QtGlobal>

#include <optional>

struct sqlite3;
struct sqlite3_stmt;

// Short-lived RAII wrapper around sqlite3_stmt. The sqlite3 connection is
// shared and outlives the statement. Values only ever reach SQL through bound
// parameters; failures throw StoreError with SQLite's message.
class SqlStatement
{
public:
    SqlStatement(sqlite3 *db, const QString &sql);
    ~SqlStatement();
    Q_DISABLE_COPY_MOVE(SqlStatement)

    // Parameters count from 1, as in SQLite.
    void bindNull(int index);
    void bindText(int index, const QString &text);
    void bindInt64(int index, qint64 value);
    // nullopt binds NULL; bool binds 0 or 1; integer types bind integers;
    // everything else binds as text.
    void bindValue(int index, const std::optional<QVariant> &value);

    // True when a row is ready, false when the statement has finished.
    bool step();
    // Steps to the end; for statements without rows.
    void run();
    // Makes the statement ready to run again with new parameters.
    void reset();

    bool isNull(int column) const;
    bool isInteger(int column) const;
    qint64 columnInt64(int column) const;
    QString columnText(int column) const;
    QByteArray columnUtf8(int column) const;

    // Runs SQL text that has no parameters (pragmas, BEGIN, COMMIT).
    static void exec(sqlite3 *db, const QString &sql);
    // Quotes a name from a table file's schema for use as an SQL identifier.
    static QString quoteName(const QString &name);

private:
    [[noreturn]] void fail(int rc) const;

    sqlite3 *m_db;
    sqlite3_stmt *m_stmt = nullptr;
};

#include "store/table/SqlStatement.h"

#include "store/table/ProgramError.h"

#include <sqlite3.h>

namespace {

QString errorText(sqlite3 *db, int rc)
{
    const char *message = db ? sqlite3_errmsg(db) : nullptr;
    if (!message || !*message)
        message = sqlite3_errstr(rc);
    return QString::fromUtf8(message);
}

} // namespace

SqlStatement::SqlStatement(sqlite3 *db, const QString &sql)
    : m_db(db)
{
    const QByteArray text = sql.toUtf8();
    const int rc = sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &m_stmt, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        throw StoreError(errorText(m_db, rc));
    }
}

SqlStatement::~SqlStatement()
{
    sqlite3_finalize(m_stmt);
}

void SqlStatement::fail(int rc) const
{
    throw StoreError(errorText(m_db, rc));
}

void SqlStatement::bindNull(int index)
{
    const int rc = sqlite3_bind_null(m_stmt, index);
    if (rc != SQLITE_OK)
        fail(rc);
}

void SqlStatement::bindText(int index, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    const int rc = sqlite3_bind_text64(m_stmt, index, utf8.constData(), sqlite3_uint64(utf8.size()), SQLITE_TRANSIENT,
                                       SQLITE_UTF8);
    if (rc != SQLITE_OK)
        fail(rc);
}

void SqlStatement::bindInt64(int index, qint64 value)
{
    const int rc = sqlite3_bind_int64(m_stmt, index, sqlite3_int64(value));
    if (rc != SQLITE_OK)
        fail(rc);
}

void SqlStatement::bindValue(int index, const std::optional<QVariant> &value)
{
    if (!value || value->isNull()) {
        bindNull(index);
        return;
    }
    switch (value->typeId()) {
    case QMetaType::Bool:
        bindInt64(index, value->toBool() ? 1 : 0);
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
        bindInt64(index, value->toLongLong());
        break;
    default:
        bindText(index, value->toString());
        break;
    }
}

bool SqlStatement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    fail(rc);
}

void SqlStatement::run()
{
    while (step()) {
    }
}

void SqlStatement::reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

bool SqlStatement::isNull(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

bool SqlStatement::isInteger(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_INTEGER;
}

qint64 SqlStatement::columnInt64(int column) const
{
    return qint64(sqlite3_column_int64(m_stmt, column));
}

QString SqlStatement::columnText(int column) const
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
    const int size = sqlite3_column_bytes(m_stmt, column);
    return text ? QString::fromUtf8(text, size) : QString();
}

QByteArray SqlStatement::columnUtf8(int column) const
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
    const int size = sqlite3_column_bytes(m_stmt, column);
    return text ? QByteArray(text, size) : QByteArray();
}

void SqlStatement::exec(sqlite3 *db, const QString &sql)
{
    SqlStatement statement(db, sql);
    statement.run();
}

QString SqlStatement::quoteName(const QString &name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

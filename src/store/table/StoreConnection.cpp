#include "store/table/StoreConnection.h"

#include "store/table/ProgramError.h"
#include "store/table/RecipeSchema.h"
#include "store/table/SqlStatement.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <map>

#include <sqlite3.h>
#include <sys/stat.h>

namespace {

std::map<QString, std::weak_ptr<StoreConnection>> &registry()
{
    static std::map<QString, std::weak_ptr<StoreConnection>> connections;
    return connections;
}

QString absolutePath(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

StoreConnection::ReopenedHandler &reopenedHandler()
{
    static StoreConnection::ReopenedHandler handler;
    return handler;
}

} // namespace

QString StoreConnection::uriFor(const QString &file)
{
    // Every byte outside the unreserved set is percent-encoded, so '?', '#'
    // and '%' in folder names cannot reach the URI parser as syntax.
    return QStringLiteral("file:") + QString::fromLatin1(QUrl::toPercentEncoding(file, "/"))
        + QStringLiteral("?mode=rw");
}

std::shared_ptr<StoreConnection> StoreConnection::acquire(const QString &folder, const QString &firstFile)
{
    const QString key = absolutePath(folder);
    auto &connections = registry();
    auto found = connections.find(key);
    if (found != connections.end()) {
        if (auto existing = found->second.lock())
            return existing;
    }

    std::shared_ptr<StoreConnection> connection(new StoreConnection);
    connection->m_folder = key;
    connection->m_mainFile = absolutePath(firstFile);
    connection->m_mainIdentity = identityOf(connection->m_mainFile);
    connection->m_db = connection->openHandle();
    connection->configure(QStringLiteral("main"));
    connections[key] = connection;

    // The other tables of the folder are attached now, while no transaction
    // is open (SQLite refuses ATTACH inside one), so that a table can still
    // be opened inside a store transaction scope. A file that cannot be
    // attached is left for its own open to report.
    for (const QString &table : RecipeSchema::tableNames()) {
        const QString sibling = key + QLatin1Char('/') + table + QStringLiteral(".db");
        if (sibling == connection->m_mainFile || !QFileInfo(sibling).isFile())
            continue;
        try {
            connection->attach(sibling);
            connection->m_files[sibling].uses = 0;
        } catch (const StoreError &) {
        }
    }
    return connection;
}

sqlite3 *StoreConnection::openHandle() const
{
    sqlite3 *db = nullptr;
    const QByteArray uri = uriFor(m_mainFile).toUtf8();
    const int rc = sqlite3_open_v2(uri.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI | SQLITE_OPEN_EXRESCODE,
                                   nullptr);
    if (rc != SQLITE_OK) {
        const QString why = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_close_v2(db);
        throw StoreError(why);
    }
    // Another process writing the book (a read-only command checking it, a
    // program of the user's) holds its files for a moment: a write waits a
    // few seconds for them before it fails.
    sqlite3_busy_timeout(db, BusyTimeoutMs);
    return db;
}

StoreConnection::FileIdentity StoreConnection::identityOf(const QString &file)
{
    struct stat info {};
    if (::stat(QFile::encodeName(file).constData(), &info) != 0)
        return {};
    return {quint64(info.st_dev), quint64(info.st_ino)};
}

bool StoreConnection::filesReplaced() const
{
    // A file that is missing for the moment is not taken for a new one: there
    // would be nothing to open.
    auto replaced = [](const QString &file, const FileIdentity &known) {
        const FileIdentity now = identityOf(file);
        return now.inode != 0 && !(now == known);
    };
    if (replaced(m_mainFile, m_mainIdentity))
        return true;
    for (auto it = m_files.cbegin(); it != m_files.cend(); ++it) {
        if (replaced(it.key(), it->identity))
            return true;
    }
    return false;
}

void StoreConnection::setReopenedHandler(ReopenedHandler handler)
{
    reopenedHandler() = std::move(handler);
}

bool StoreConnection::reopenIfReplaced()
{
    if (m_depth > 0 || !m_db || !sqlite3_get_autocommit(m_db) || !filesReplaced())
        return false;
    sqlite3 *old = m_db;
    m_db = openHandle();
    try {
        configure(QStringLiteral("main"));
        // A file no table uses any more (the trash, a derived file) may be
        // missing from the new folder, for example after a restore of a book
        // that never had one: it is left out and attached again when needed.
        for (auto it = m_files.begin(); it != m_files.end();) {
            if (it->uses == 0 && identityOf(it.key()).inode == 0)
                it = m_files.erase(it);
            else
                ++it;
        }
        for (auto it = m_files.begin(); it != m_files.end(); ++it) {
            SqlStatement statement(m_db, QStringLiteral("ATTACH DATABASE ? AS ?"));
            statement.bindText(1, uriFor(it.key()));
            statement.bindText(2, it->schema);
            statement.run();
            configure(it->schema);
        }
    } catch (const StoreError &) {
        sqlite3_close_v2(m_db);
        m_db = old;
        throw;
    }
    // Statements the tables still hold on the old files keep it alive until
    // they are finished; the tables drop them when they see the new generation.
    sqlite3_close_v2(old);
    m_mainIdentity = identityOf(m_mainFile);
    for (auto it = m_files.begin(); it != m_files.end(); ++it)
        it->identity = identityOf(it.key());
    ++m_generation;
    if (reopenedHandler())
        reopenedHandler()(m_folder);
    return true;
}

bool StoreConnection::isFileFault(int extendedCode)
{
    switch (extendedCode & 0xff) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_IOERR:
    case SQLITE_READONLY:
    case SQLITE_CANTOPEN:
        return true;
    default:
        return false;
    }
}

void StoreConnection::configure(const QString &schema)
{
    // Journal and sync settings belong to the connection, not to the file:
    // every file gets them when it joins. A multi-file commit is atomic only
    // with a rollback journal.
    const QString s = SqlStatement::quoteName(schema);
    exec(QStringLiteral("PRAGMA %1.journal_mode=DELETE").arg(s));
    exec(QStringLiteral("PRAGMA %1.synchronous=FULL").arg(s));
}

StoreConnection::~StoreConnection()
{
    if (m_db) {
        if (!sqlite3_get_autocommit(m_db))
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close_v2(m_db);
    }
    auto &connections = registry();
    auto found = connections.find(m_folder);
    if (found != connections.end() && found->second.expired())
        connections.erase(found);
}

QString StoreConnection::attach(const QString &file)
{
    const QString key = absolutePath(file);
    if (key == m_mainFile)
        return QStringLiteral("main");
    auto found = m_files.find(key);
    if (found != m_files.end()) {
        ++found->uses;
        return found->schema;
    }
    const QString schema = QStringLiteral("t%1").arg(++m_counter);
    SqlStatement statement(m_db, QStringLiteral("ATTACH DATABASE ? AS ?"));
    statement.bindText(1, uriFor(key));
    statement.bindText(2, schema);
    statement.run();
    try {
        configure(schema);
    } catch (const StoreError &) {
        SqlStatement detach(m_db, QStringLiteral("DETACH DATABASE ?"));
        detach.bindText(1, schema);
        detach.run();
        throw;
    }
    m_files.insert(key, Attached{schema, 1, identityOf(key)});
    return schema;
}

void StoreConnection::release(const QString &schema)
{
    // Files stay attached until the connection closes, so that a table
    // closed and opened again inside a transaction scope (as packing does)
    // finds its file.
    for (auto it = m_files.begin(); it != m_files.end(); ++it) {
        if (it->schema == schema && it->uses > 0) {
            --it->uses;
            return;
        }
    }
}

bool StoreConnection::detach(const QString &file)
{
    const auto found = m_files.find(absolutePath(file));
    if (found == m_files.end())
        return true;
    if (found->uses > 0 || m_depth > 0 || !sqlite3_get_autocommit(m_db))
        return false;
    SqlStatement detach(m_db, QStringLiteral("DETACH DATABASE ?"));
    detach.bindText(1, found->schema);
    detach.run();
    m_files.erase(found);
    return true;
}

void StoreConnection::exec(const QString &sql)
{
    SqlStatement::exec(m_db, sql);
}

void StoreConnection::beginScope()
{
    if (m_depth == 0) {
        reopenIfReplaced();
        if (!sqlite3_get_autocommit(m_db))
            throw StoreError(QStringLiteral("A transaction is already open"));
        exec(QStringLiteral("BEGIN"));
        m_scopeFailed = false;
        m_participants.clear();
    }
    ++m_depth;
}

void StoreConnection::endScope(bool commit)
{
    if (m_depth <= 0)
        return;
    if (--m_depth > 0) {
        if (!commit)
            m_scopeFailed = true;
        return;
    }
    if (!commit || m_scopeFailed) {
        if (!sqlite3_get_autocommit(m_db))
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        finishParticipants(false);
        if (commit)
            throw StoreError(QStringLiteral("The changes were not saved because a step of the operation failed"));
        return;
    }
    const int rc = sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        const QString why = QString::fromUtf8(sqlite3_errmsg(m_db));
        if (!sqlite3_get_autocommit(m_db))
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        finishParticipants(false);
        throw StoreError(QStringLiteral("The changes were not saved: %1").arg(why));
    }
    finishParticipants(true);
}

void StoreConnection::addParticipant(QObject *table, std::function<void(bool committed)> finished)
{
    for (const Participant &p : m_participants) {
        if (p.table == table)
            return;
    }
    m_participants.push_back({table, std::move(finished)});
}

void StoreConnection::finishParticipants(bool committed)
{
    auto participants = std::move(m_participants);
    m_participants.clear();
    for (const Participant &p : participants) {
        if (p.table)
            p.finished(committed);
    }
}

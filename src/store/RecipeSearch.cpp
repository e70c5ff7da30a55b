#include "store/RecipeSearch.h"

#include "store/ProgramError.h"
#include "store/SqlStatement.h"
#include "store/StoreConnection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QUrl>

#include <algorithm>
#include <limits>

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// "MDHX" in the index file's application id field; the version names the
// index layout and the folding, so that another one is rebuilt.
constexpr int IndexApplicationId = 0x4D444858;
constexpr int IndexVersion = 2;
const char *const Schema = "mealdeck_haku";
// Terms per full-text query; longer texts are asked in parts and the answers
// intersected, so that no query grows without bound.
constexpr int TermsPerQuery = 24;
// Up to this many hits are sorted by their names read one by one; above it the
// name order of the whole index is walked instead.
constexpr int SortByLookupLimit = 3000;
// A query's matches are read in full when it has at most this many; above it
// the first hits are found by walking the names in order, and the status
// says "more than" this many.
constexpr int FewMatches = 1000;
// Names a walk looks at before it gives up and reads all matches.
constexpr int WalkLimit = 1000;

void foldFunction(sqlite3_context *context, int, sqlite3_value **values)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(values[0]));
    const QByteArray folded = SearchText::foldUtf8(text, text ? sqlite3_value_bytes(values[0]) : 0);
    sqlite3_result_text64(context, folded.constData(), sqlite3_uint64(folded.size()), SQLITE_TRANSIENT, SQLITE_UTF8);
}

void registerFold(sqlite3 *db)
{
    const int rc = sqlite3_create_function_v2(db, "mealdeck_fold", 1,
                                              SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                                              foldFunction, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw StoreError(QString::fromUtf8(sqlite3_errmsg(db)));
}

// How well a row of a full-text query matches: 1 when every phrase of the
// query occurs in the name (the first column), 2 when every phrase occurs in
// the name or the ingredients (the second), 3 otherwise. One pass over the
// index then ranks all matches.
void rankFunction(const Fts5ExtensionApi *api, Fts5Context *fts, sqlite3_context *context, int, sqlite3_value **)
{
    const int phrases = api->xPhraseCount(fts);
    QVector<unsigned> columns(phrases, 0);
    int instances = 0;
    int rc = api->xInstCount(fts, &instances);
    for (int i = 0; rc == SQLITE_OK && i < instances; ++i) {
        int phrase = 0;
        int column = 0;
        int offset = 0;
        rc = api->xInst(fts, i, &phrase, &column, &offset);
        if (rc == SQLITE_OK && phrase >= 0 && phrase < phrases && column >= 0 && column < 2)
            columns[phrase] |= 1u << column;
    }
    if (rc != SQLITE_OK) {
        sqlite3_result_error_code(context, rc);
        return;
    }
    int rank = 1;
    for (unsigned found : columns) {
        if (!(found & 1u))
            rank = std::max(rank, found ? 2 : 3);
    }
    sqlite3_result_int(context, rank);
}

void registerRank(sqlite3 *db)
{
    fts5_api *api = nullptr;
    sqlite3_stmt *find = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT fts5(?1)", -1, &find, nullptr) == SQLITE_OK) {
        sqlite3_bind_pointer(find, 1, &api, "fts5_api_ptr", nullptr);
        sqlite3_step(find);
    }
    sqlite3_finalize(find);
    if (!api || api->iVersion < 2
        || api->xCreateFunction(api, "mealdeck_rank", nullptr, rankFunction, nullptr) != SQLITE_OK)
        throw StoreError(QStringLiteral("The full-text search of SQLite is not available"));
}

QString canonical(const QString &path)
{
    const QString found = QFileInfo(path).canonicalFilePath();
    return found.isEmpty() ? QDir::cleanPath(QFileInfo(path).absoluteFilePath()) : found;
}

QString uriFor(const QString &file, const char *mode)
{
    return QStringLiteral("file:") + QString::fromLatin1(QUrl::toPercentEncoding(file, "/")) + QStringLiteral("?mode=")
        + QLatin1String(mode);
}

// The index tables. Their names are found in no table file of a book, so
// that the triggers can name them unqualified.
const char *const CreateIndexSql =
    "CREATE TABLE HakuTila(avain TEXT PRIMARY KEY, arvo TEXT);"
    "CREATE TABLE HakuTeksti(id INTEGER PRIMARY KEY, nimi TEXT, aineet TEXT, kuvaus TEXT, ohje TEXT, avain TEXT);"
    "CREATE INDEX HakuJarjestys ON HakuTeksti(avain, nimi);"
    "CREATE VIRTUAL TABLE HakuSanat USING fts5(nimi, aineet, kuvaus, ohje, content='HakuTeksti', "
    "content_rowid='id', tokenize='unicode61 remove_diacritics 2', prefix='1 2');"
    "CREATE VIRTUAL TABLE HakuOsat USING fts5(nimi, aineet, kuvaus, ohje, content='', tokenize='trigram');"
    // The same over the name alone, and over name and ingredients, so that a
    // word found in almost every recipe but never in a name (or never in
    // name and ingredients) is told apart without reading all its entries.
    "CREATE VIRTUAL TABLE HakuNimiSanat USING fts5(nimi, content='HakuTeksti', content_rowid='id', "
    "tokenize='unicode61 remove_diacritics 2', prefix='1 2');"
    "CREATE VIRTUAL TABLE HakuNimiOsat USING fts5(nimi, content='', tokenize='trigram');"
    "CREATE VIRTUAL TABLE HakuAlkuSanat USING fts5(nimi, aineet, content='HakuTeksti', content_rowid='id', "
    "tokenize='unicode61 remove_diacritics 2', prefix='1 2');"
    "CREATE VIRTUAL TABLE HakuAlkuOsat USING fts5(nimi, aineet, content='', tokenize='trigram');";

// The index entries of the recipe `ID` go (the text is taken from the index's
// own copy, so that exactly what was indexed is removed).
QString removeEntrySql(const QString &id)
{
    return QStringLiteral(
               "INSERT INTO HakuSanat(HakuSanat, rowid, nimi, aineet, kuvaus, ohje) "
               "SELECT 'delete', id, nimi, aineet, kuvaus, ohje FROM HakuTeksti WHERE id = %1;"
               "INSERT INTO HakuOsat(HakuOsat, rowid, nimi, aineet, kuvaus, ohje) "
               "SELECT 'delete', id, mealdeck_fold(nimi), mealdeck_fold(aineet), mealdeck_fold(kuvaus), "
               "mealdeck_fold(ohje) FROM HakuTeksti WHERE id = %1;"
               "INSERT INTO HakuNimiSanat(HakuNimiSanat, rowid, nimi) SELECT 'delete', id, nimi FROM HakuTeksti "
               "WHERE id = %1;"
               "INSERT INTO HakuNimiOsat(HakuNimiOsat, rowid, nimi) SELECT 'delete', id, mealdeck_fold(nimi) "
               "FROM HakuTeksti WHERE id = %1;"
               "INSERT INTO HakuAlkuSanat(HakuAlkuSanat, rowid, nimi, aineet) SELECT 'delete', id, nimi, aineet "
               "FROM HakuTeksti WHERE id = %1;"
               "INSERT INTO HakuAlkuOsat(HakuAlkuOsat, rowid, nimi, aineet) SELECT 'delete', id, "
               "mealdeck_fold(nimi), mealdeck_fold(aineet) FROM HakuTeksti WHERE id = %1;"
               "DELETE FROM HakuTeksti WHERE id = %1;")
        .arg(id);
}

QString indexCopySql(const QString &range)
{
    return QStringLiteral("INSERT INTO HakuSanat(rowid, nimi, aineet, kuvaus, ohje) "
                          "SELECT id, nimi, aineet, kuvaus, ohje FROM HakuTeksti WHERE %1;"
                          "INSERT INTO HakuOsat(rowid, nimi, aineet, kuvaus, ohje) "
                          "SELECT id, mealdeck_fold(nimi), mealdeck_fold(aineet), mealdeck_fold(kuvaus), "
                          "mealdeck_fold(ohje) FROM HakuTeksti WHERE %1;"
                          "INSERT INTO HakuNimiSanat(rowid, nimi) SELECT id, nimi FROM HakuTeksti WHERE %1;"
                          "INSERT INTO HakuNimiOsat(rowid, nimi) SELECT id, mealdeck_fold(nimi) FROM HakuTeksti "
                          "WHERE %1;"
                          "INSERT INTO HakuAlkuSanat(rowid, nimi, aineet) SELECT id, nimi, aineet FROM HakuTeksti "
                          "WHERE %1;"
                          "INSERT INTO HakuAlkuOsat(rowid, nimi, aineet) SELECT id, mealdeck_fold(nimi), "
                          "mealdeck_fold(aineet) FROM HakuTeksti WHERE %1;")
        .arg(range);
}

QString textOf(const QString &column)
{
    return QStringLiteral("coalesce(CAST(%1 AS TEXT), '')").arg(column);
}

QString addEntrySql()
{
    return QStringLiteral("INSERT INTO HakuTeksti(id, nimi, aineet, kuvaus, ohje, avain) VALUES (new.id, %1, %2, %3, "
                          "%4, mealdeck_fold(%1));")
               .arg(textOf(QStringLiteral("new.\"Nimi\"")), textOf(QStringLiteral("new.\"Aineet\"")),
                    textOf(QStringLiteral("new.\"Kuvaus\"")), textOf(QStringLiteral("new.\"Ohje\"")))
        + indexCopySql(QStringLiteral("id = new.id"));
}

void execAll(sqlite3 *db, const QString &sql)
{
    char *message = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        const QString why = QString::fromUtf8(message ? message : sqlite3_errstr(rc));
        sqlite3_free(message);
        throw StoreError(why);
    }
}

// A connection of its own to one file, closed on every path.
struct OwnConnection
{
    sqlite3 *db = nullptr;
    ~OwnConnection() { sqlite3_close_v2(db); }
    bool open(const QString &path, int flags)
    {
        const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags | SQLITE_OPEN_EXRESCODE, nullptr);
        if (rc == SQLITE_OK)
            sqlite3_busy_timeout(db, 2000);
        return rc == SQLITE_OK;
    }
};

QString identityOf(const QString &path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return QString();
    return QStringLiteral("%1:%2").arg(quint64(info.st_dev)).arg(quint64(info.st_ino));
}

bool syncFile(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

} // namespace

RecipeSearch::RecipeSearch(const QString &dataFolder)
    : m_dataFolder(QDir::cleanPath(QFileInfo(dataFolder).absoluteFilePath()))
{
    m_connection = StoreConnection::acquire(m_dataFolder, m_dataFolder + QStringLiteral("/Paaryhma.db"));
    m_connection->setDerivedDetacher([this] { return setIndexAside(); });
    follow();
    indexState();
}

RecipeSearch::~RecipeSearch()
{
    m_connection->setDerivedDetacher({});
    try {
        follow();
        recordStampIfInStep();
        detachIndex();
    } catch (const StoreError &) {
    }
}

void RecipeSearch::follow()
{
    if (m_handle == m_connection->handle() && m_generation == m_connection->generation())
        return;
    // The connection was opened anew (replaced table files): the attachment,
    // the triggers and the function went with the old one.
    m_handle = m_connection->handle();
    m_generation = m_connection->generation();
    m_attached = false;
    m_recipeSchema.clear();
    m_subgroupSchema.clear();
    registerFold(m_handle);
    registerRank(m_handle);
    const QString recipeFile = canonical(m_dataFolder + QStringLiteral("/Ohje.db"));
    const QString subgroupFile = canonical(m_dataFolder + QStringLiteral("/Alaryhma.db"));
    SqlStatement list(m_handle, QStringLiteral("PRAGMA database_list"));
    while (list.step()) {
        const QString file = list.columnText(2);
        if (file.isEmpty())
            continue;
        if (canonical(file) == recipeFile)
            m_recipeSchema = list.columnText(1);
        else if (canonical(file) == subgroupFile)
            m_subgroupSchema = list.columnText(1);
    }
    if (m_recipeSchema.isEmpty()) {
        m_connection->attach(m_dataFolder + QStringLiteral("/Ohje.db"));
        m_handle = nullptr;
        follow();
    }
}

RecipeSearch::IndexState RecipeSearch::checkFile(QString *stampInFile)
{
    const QString path = m_dataFolder + QLatin1Char('/') + indexFileName();
    if (!QFileInfo(path).isFile())
        return IndexState::Missing;
    OwnConnection own;
    // Read-write, so that a journal left by a crash is rolled back first.
    if (!own.open(path, SQLITE_OPEN_READWRITE))
        return IndexState::Damaged;
    try {
        SqlStatement id(own.db, QStringLiteral("PRAGMA application_id"));
        if (!id.step() || id.columnInt64(0) != IndexApplicationId)
            return IndexState::Damaged;
        SqlStatement version(own.db, QStringLiteral("PRAGMA user_version"));
        if (!version.step() || version.columnInt64(0) != IndexVersion)
            return IndexState::Stale;
        SqlStatement tables(own.db, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name IN "
                                                   "('HakuTila', 'HakuTeksti', 'HakuSanat', 'HakuOsat', "
                                                   "'HakuNimiSanat', 'HakuNimiOsat', 'HakuAlkuSanat', 'HakuAlkuOsat')"));
        if (!tables.step() || tables.columnInt64(0) != 8)
            return IndexState::Damaged;
        SqlStatement stamp(own.db, QStringLiteral("SELECT arvo FROM HakuTila WHERE avain = 'leima'"));
        *stampInFile = stamp.step() ? stamp.columnText(0) : QString();
    } catch (const StoreError &) {
        return IndexState::Damaged;
    }
    return IndexState::Current;
}

QString RecipeSearch::recipeFileStamp()
{
    // A read first, so that a journal left by a crash is rolled back before
    // the header is looked at.
    {
        SqlStatement read(m_handle, QStringLiteral("SELECT count(*) FROM %1.sqlite_master")
                                        .arg(SqlStatement::quoteName(m_recipeSchema)));
        read.step();
    }
    const QString path = m_dataFolder + QStringLiteral("/Ohje.db");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw StoreError(QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
    const QByteArray header = file.read(100);
    if (header.size() < 100)
        throw StoreError(QStringLiteral("%1 is not a table file").arg(path));
    auto number = [&](int at) {
        return (quint32(quint8(header[at])) << 24) | (quint32(quint8(header[at + 1])) << 16)
            | (quint32(quint8(header[at + 2])) << 8) | quint32(quint8(header[at + 3]));
    };
    struct stat info {};
    ::stat(QFile::encodeName(path).constData(), &info);
    // Change counter, size in pages, device and inode.
    return QStringLiteral("%1:%2:%3:%4")
        .arg(number(24))
        .arg(number(28))
        .arg(quint64(info.st_dev))
        .arg(quint64(info.st_ino));
}

qint64 RecipeSearch::recipeDataVersion()
{
    SqlStatement version(m_handle,
                         QStringLiteral("PRAGMA %1.data_version").arg(SqlStatement::quoteName(m_recipeSchema)));
    return version.step() ? version.columnInt64(0) : -1;
}

RecipeSearch::IndexState RecipeSearch::indexState()
{
    follow();
    if (m_damaged)
        return IndexState::Damaged;
    if (m_attached) {
        const bool sameFile = identityOf(m_dataFolder + QLatin1Char('/') + indexFileName()) == m_attachedIdentity;
        if (sameFile && recipeDataVersion() == m_dataVersion)
            return IndexState::Current;
        // The recipe file was written by another connection (or SQLite read
        // it anew for another reason): the index serves while its copy of the
        // text still equals the recipes.
        if (sameFile && sqlite3_get_autocommit(m_handle) && indexMatchesRecipes()) {
            m_dataVersion = recipeDataVersion();
            return IndexState::Current;
        }
        // The index file was removed or replaced, or the recipes changed
        // without it: the attached index no longer serves.
        detachIndex();
        if (m_attached || sameFile)
            return IndexState::Stale;
    }
    QString stored;
    const IndexState state = checkFile(&stored);
    if (state != IndexState::Current)
        return state;
    // Attaching waits until no transaction is open.
    if (!sqlite3_get_autocommit(m_handle))
        return IndexState::Stale;
    attachIndex();
    // The recipe file changed since the index last recorded it (a crash
    // before the record, a change by another program): the index serves
    // while its copy of the text equals the recipes, which is far quicker to
    // see than to build it anew.
    if (stored != recipeFileStamp()) {
        if (!indexMatchesRecipes()) {
            detachIndex();
            return IndexState::Stale;
        }
        recordStampIfInStep();
    }
    return IndexState::Current;
}

bool RecipeSearch::indexMatchesRecipes()
{
    const QString recipes = SqlStatement::quoteName(m_recipeSchema) + QStringLiteral(".\"Ohje\"");
    const QString copy = QLatin1String(Schema) + QStringLiteral(".HakuTeksti");
    SqlStatement counts(m_handle, QStringLiteral("SELECT (SELECT count(*) FROM %1), (SELECT count(*) FROM %2)")
                                      .arg(recipes, copy));
    if (!counts.step() || counts.columnInt64(0) != counts.columnInt64(1))
        return false;
    SqlStatement differing(
        m_handle,
        QStringLiteral("SELECT 1 FROM %1 o LEFT JOIN %2 h ON h.id = o.id WHERE h.id IS NULL OR h.nimi IS NOT %3 "
                       "OR h.aineet IS NOT %4 OR h.kuvaus IS NOT %5 OR h.ohje IS NOT %6 LIMIT 1")
            .arg(recipes, copy, textOf(QStringLiteral("o.\"Nimi\"")), textOf(QStringLiteral("o.\"Aineet\"")),
                 textOf(QStringLiteral("o.\"Kuvaus\"")), textOf(QStringLiteral("o.\"Ohje\""))));
    return !differing.step();
}

void RecipeSearch::attachIndex()
{
    const QString path = m_dataFolder + QLatin1Char('/') + indexFileName();
    SqlStatement attach(m_handle, QStringLiteral("ATTACH DATABASE ? AS %1").arg(QLatin1String(Schema)));
    attach.bindText(1, uriFor(path, "rw"));
    attach.run();
    try {
        // As the table files: a commit over several files is atomic only
        // with a rollback journal.
        execAll(m_handle, QStringLiteral("PRAGMA %1.journal_mode=DELETE; PRAGMA %1.synchronous=FULL;")
                              .arg(QLatin1String(Schema)));
        installTriggers();
    } catch (const StoreError &) {
        dropTriggers();
        execAll(m_handle, QStringLiteral("DETACH DATABASE %1").arg(QLatin1String(Schema)));
        throw;
    }
    m_dataVersion = recipeDataVersion();
    m_attachedIdentity = identityOf(path);
    m_attached = true;
}

void RecipeSearch::detachIndex()
{
    if (!m_attached || !sqlite3_get_autocommit(m_handle))
        return;
    dropTriggers();
    execAll(m_handle, QStringLiteral("DETACH DATABASE %1").arg(QLatin1String(Schema)));
    m_attached = false;
}

void RecipeSearch::installTriggers()
{
    const QString table = SqlStatement::quoteName(m_recipeSchema) + QStringLiteral(".\"Ohje\"");
    execAll(m_handle,
            QStringLiteral("CREATE TEMP TRIGGER IF NOT EXISTS mealdeck_haku_lisays AFTER INSERT ON %1 BEGIN %2 %3 END;"
                           "CREATE TEMP TRIGGER IF NOT EXISTS mealdeck_haku_poisto AFTER DELETE ON %1 BEGIN %4 END;"
                           "CREATE TEMP TRIGGER IF NOT EXISTS mealdeck_haku_muutos AFTER UPDATE OF id, \"Nimi\", "
                           "\"Kuvaus\", \"Aineet\", \"Ohje\" ON %1 BEGIN %4 %2 %3 END;")
                .arg(table, removeEntrySql(QStringLiteral("new.id")), addEntrySql(),
                     removeEntrySql(QStringLiteral("old.id"))));
}

void RecipeSearch::dropTriggers()
{
    execAll(m_handle, QStringLiteral("DROP TRIGGER IF EXISTS temp.mealdeck_haku_lisays;"
                                     "DROP TRIGGER IF EXISTS temp.mealdeck_haku_poisto;"
                                     "DROP TRIGGER IF EXISTS temp.mealdeck_haku_muutos;"));
}

bool RecipeSearch::setIndexAside()
{
    if (!m_attached || m_handle != m_connection->handle() || m_generation != m_connection->generation())
        return false;
    try {
        dropTriggers();
        m_damaged = true;
        if (sqlite3_get_autocommit(m_handle)) {
            execAll(m_handle, QStringLiteral("DETACH DATABASE %1").arg(QLatin1String(Schema)));
            m_attached = false;
            // Derived data: the next search builds it anew, also after a
            // restart.
            QFile::remove(m_dataFolder + QLatin1Char('/') + indexFileName());
        }
    } catch (const StoreError &) {
        if (!m_damaged)
            return false;
    }
    if (m_setAsideNotice)
        m_setAsideNotice(QStringLiteral("The search index %1 is damaged or cannot be written. It was set "
                                        "aside, so that the book is changed without it; it is built anew at the "
                                        "next search.")
                             .arg(QDir::toNativeSeparators(m_dataFolder + QLatin1Char('/') + indexFileName())));
    return true;
}

void RecipeSearch::recordStampIfInStep()
{
    if (!m_attached || m_damaged || !sqlite3_get_autocommit(m_handle) || recipeDataVersion() != m_dataVersion)
        return;
    const QString now = recipeFileStamp();
    SqlStatement stored(m_handle,
                        QStringLiteral("SELECT arvo FROM %1.HakuTila WHERE avain = 'leima'").arg(QLatin1String(Schema)));
    if (stored.step() && stored.columnText(0) == now)
        return;
    SqlStatement update(m_handle, QStringLiteral("INSERT OR REPLACE INTO %1.HakuTila(avain, arvo) VALUES ('leima', ?)")
                                      .arg(QLatin1String(Schema)));
    update.bindText(1, now);
    update.run();
}

qint64 RecipeSearch::recipeCount()
{
    follow();
    SqlStatement count(m_handle,
                       QStringLiteral("SELECT count(*) FROM %1.\"Ohje\"").arg(SqlStatement::quoteName(m_recipeSchema)));
    return count.step() ? count.columnInt64(0) : 0;
}

bool RecipeSearch::rebuild(const Progress &progress, QString *error)
{
    error->clear();
    const QString path = m_dataFolder + QLatin1Char('/') + indexFileName();
    const QString building = path + QStringLiteral(".new");
    try {
        follow();
        if (!sqlite3_get_autocommit(m_handle)) {
            *error = QStringLiteral("The search index cannot be built while the book is being changed");
            return false;
        }
        detachIndex();
        m_damaged = false;
        QFile::remove(building);
        QFile::remove(building + QStringLiteral("-journal"));

        bool cancelled = false;
        {
            OwnConnection own;
            if (!own.open(building, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI))
                throw StoreError(QStringLiteral("Cannot create %1: %2")
                                     .arg(building, QString::fromUtf8(sqlite3_errmsg(own.db))));
            registerFold(own.db);
            execAll(own.db, QStringLiteral("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; "
                                           "PRAGMA cache_size=-65536; PRAGMA application_id=%1; "
                                           "PRAGMA user_version=%2;")
                                .arg(IndexApplicationId)
                                .arg(IndexVersion));
            SqlStatement attach(own.db, QStringLiteral("ATTACH DATABASE ? AS kirja"));
            attach.bindText(1, uriFor(m_dataFolder + QStringLiteral("/Ohje.db"), "ro"));
            attach.run();
            execAll(own.db, QStringLiteral("BEGIN;") + QLatin1String(CreateIndexSql));
            SqlStatement count(own.db, QStringLiteral("SELECT count(*) FROM kirja.\"Ohje\""));
            const qint64 total = count.step() ? count.columnInt64(0) : 0;
            // The recipe file cannot change while this transaction reads it.
            const QString stamp = recipeFileStamp();
            SqlStatement copy(own.db,
                              QStringLiteral("INSERT INTO HakuTeksti(id, nimi, aineet, kuvaus, ohje, avain) "
                                             "SELECT id, %1, %2, %3, %4, mealdeck_fold(%1) FROM kirja.\"Ohje\" "
                                             "WHERE id > ? ORDER BY id LIMIT 2000")
                                  .arg(textOf(QStringLiteral("\"Nimi\"")), textOf(QStringLiteral("\"Aineet\"")),
                                       textOf(QStringLiteral("\"Kuvaus\"")), textOf(QStringLiteral("\"Ohje\""))));
            SqlStatement last(own.db, QStringLiteral("SELECT max(id) FROM HakuTeksti"));
            qint64 done = 0;
            qint64 lastId = std::numeric_limits<qint64>::min();
            if (progress && !progress(0, total))
                cancelled = true;
            while (!cancelled) {
                copy.bindInt64(1, lastId);
                copy.run();
                copy.reset();
                const qint64 copied = sqlite3_changes64(own.db);
                if (copied == 0)
                    break;
                last.step();
                const qint64 upTo = last.columnInt64(0);
                last.reset();
                execAll(own.db, indexCopySql(QStringLiteral("id > %1 AND id <= %2").arg(lastId).arg(upTo)));
                lastId = upTo;
                done += copied;
                if (progress && !progress(done, total))
                    cancelled = true;
            }
            if (!cancelled) {
                execAll(own.db, QStringLiteral("INSERT INTO HakuSanat(HakuSanat) VALUES ('optimize');"
                                               "INSERT INTO HakuOsat(HakuOsat) VALUES ('optimize');"
                                               "INSERT INTO HakuNimiSanat(HakuNimiSanat) VALUES ('optimize');"
                                               "INSERT INTO HakuNimiOsat(HakuNimiOsat) VALUES ('optimize');"
                                               "INSERT INTO HakuAlkuSanat(HakuAlkuSanat) VALUES ('optimize');"
                                               "INSERT INTO HakuAlkuOsat(HakuAlkuOsat) VALUES ('optimize');"));
                SqlStatement record(own.db, QStringLiteral("INSERT INTO HakuTila(avain, arvo) VALUES ('leima', ?)"));
                record.bindText(1, stamp);
                record.run();
                execAll(own.db, QStringLiteral("COMMIT"));
            }
        }
        if (cancelled) {
            QFile::remove(building);
            QFile::remove(path);
            return false;
        }
        if (!syncFile(building))
            throw StoreError(QStringLiteral("Cannot write %1").arg(building));
        // A journal of the old file must never be played into the new one.
        QFile::remove(path + QStringLiteral("-journal"));
        if (::rename(QFile::encodeName(building).constData(), QFile::encodeName(path).constData()) != 0)
            throw StoreError(QStringLiteral("Cannot replace %1").arg(path));
        syncFile(m_dataFolder);
        if (indexState() != IndexState::Current) {
            *error = QStringLiteral("The book changed while the search index was built");
            return false;
        }
        return true;
    } catch (const StoreError &e) {
        QFile::remove(building);
        *error = e.message();
        return false;
    }
}

QVector<RecipeSearch::Ranked> RecipeSearch::matchingRanks(const QVector<SearchText::Term> &terms)
{
    QVector<Ranked> result;
    bool first = true;
    auto run = [&](const char *table, const QString &query) {
        if (query.isEmpty())
            return;
        SqlStatement select(m_handle,
                            QStringLiteral("SELECT rowid, mealdeck_rank(%2) FROM %1.%2 WHERE %2 MATCH ? ORDER BY rowid")
                                .arg(QLatin1String(Schema), QLatin1String(table)));
        select.bindText(1, query);
        QVector<Ranked> found;
        while (select.step())
            found.append({select.columnInt64(0), int(select.columnInt64(1))});
        if (first) {
            result = found;
        } else {
            // Matches of both queries, ranked by the worse of the two.
            QVector<Ranked> both;
            auto a = result.cbegin();
            auto b = found.cbegin();
            while (a != result.cend() && b != found.cend()) {
                if (a->id < b->id) {
                    ++a;
                } else if (b->id < a->id) {
                    ++b;
                } else {
                    both.append({a->id, std::max(a->rank, b->rank)});
                    ++a;
                    ++b;
                }
            }
            result = both;
        }
        first = false;
    };
    for (int from = 0; from < terms.size(); from += TermsPerQuery) {
        const QVector<SearchText::Term> part = terms.mid(from, TermsPerQuery);
        run("HakuOsat", SearchText::partQuery(part));
        if (!first && result.isEmpty())
            return result;
        run("HakuSanat", SearchText::wordQuery(part));
        if (!first && result.isEmpty())
            return result;
    }
    return result;
}

// The matches of the terms in one group of tables (0: name, 1: name and
// ingredients, 2: every field): read in full when some table has few of them,
// else the one table whose rows are tested one by one.
struct RecipeSearch::Level
{
    bool exact = false;
    QVector<qint64> ids;
    QString table;
    QString query;
};

bool RecipeSearch::probe(int level, const QVector<SearchText::Term> &terms, Level *out)
{
    static const char *const tables[3][2] = {{"HakuNimiOsat", "HakuNimiSanat"},
                                             {"HakuAlkuOsat", "HakuAlkuSanat"},
                                             {"HakuOsat", "HakuSanat"}};
    struct Part
    {
        QString table;
        QString query;
        QVector<qint64> first;
    };
    QVector<Part> parts;
    const QString queries[2] = {SearchText::partQuery(terms), SearchText::wordQuery(terms)};
    for (int i = 0; i < 2; ++i) {
        if (queries[i].isEmpty())
            continue;
        Part part{QLatin1String(tables[level][i]), queries[i], {}};
        SqlStatement select(m_handle, QStringLiteral("SELECT rowid FROM %1.%2 WHERE %2 MATCH ? ORDER BY rowid LIMIT %3")
                                          .arg(QLatin1String(Schema), part.table)
                                          .arg(FewMatches + 1));
        select.bindText(1, part.query);
        while (select.step())
            part.first.append(select.columnInt64(0));
        parts.append(part);
    }
    if (parts.isEmpty())
        return false;
    int fewest = 0;
    for (int i = 1; i < parts.size(); ++i) {
        if (parts.at(i).first.size() < parts.at(fewest).first.size())
            fewest = i;
    }
    if (parts.at(fewest).first.size() > FewMatches) {
        if (parts.size() > 1)
            return false;
        out->exact = false;
        out->table = parts.at(0).table;
        out->query = parts.at(0).query;
        return true;
    }
    out->exact = true;
    out->ids = parts.at(fewest).first;
    for (int i = 0; i < parts.size(); ++i) {
        if (i == fewest)
            continue;
        SqlStatement test(m_handle, QStringLiteral("SELECT 1 FROM %1.%2 WHERE %2 MATCH ? AND rowid = ?")
                                        .arg(QLatin1String(Schema), parts.at(i).table));
        QVector<qint64> kept;
        for (qint64 id : std::as_const(out->ids)) {
            test.bindText(1, parts.at(i).query);
            test.bindInt64(2, id);
            if (test.step())
                kept.append(id);
            test.reset();
        }
        out->ids = kept;
    }
    return true;
}

bool RecipeSearch::firstByRank(const QVector<SearchText::Term> &terms, int limit, QVector<qint64> *order, int *total,
                               bool *more)
{
    Level levels[3];
    for (int level = 2; level >= 0; --level) {
        if (!probe(level, terms, &levels[level]))
            return false;
    }
    *total = levels[2].exact ? int(levels[2].ids.size()) : FewMatches;
    *more = !levels[2].exact;
    // A recipe in a group of tables that is read one by one.
    std::unique_ptr<SqlStatement> tests[3];
    auto contains = [&](int level, qint64 id) {
        const Level &l = levels[level];
        if (l.exact)
            return std::binary_search(l.ids.cbegin(), l.ids.cend(), id);
        if (!tests[level])
            tests[level] = std::make_unique<SqlStatement>(
                m_handle, QStringLiteral("SELECT 1 FROM %1.%2 WHERE %2 MATCH ? AND rowid = ?")
                              .arg(QLatin1String(Schema), l.table));
        SqlStatement &test = *tests[level];
        test.bindText(1, l.query);
        test.bindInt64(2, id);
        const bool found = test.step();
        test.reset();
        return found;
    };
    for (int rank = 0; rank < 3 && order->size() < limit; ++rank) {
        const int need = limit - int(order->size());
        if (levels[rank].exact) {
            // The groups before it have fewer matches, so they are read in
            // full too.
            if (rank > 0 && !levels[rank - 1].exact)
                return false;
            QVector<qint64> ids = levels[rank].ids;
            if (rank > 0) {
                QVector<qint64> rest;
                const QVector<qint64> &better = levels[rank - 1].ids;
                std::set_difference(ids.cbegin(), ids.cend(), better.cbegin(), better.cend(),
                                    std::back_inserter(rest));
                ids = rest;
            }
            *order += orderedByName(ids, need);
            continue;
        }
        SqlStatement walk(m_handle,
                          QStringLiteral("SELECT id FROM %1.HakuTeksti INDEXED BY HakuJarjestys ORDER BY avain, nimi")
                              .arg(QLatin1String(Schema)));
        int found = 0;
        int looked = 0;
        while (found < need && walk.step()) {
            if (++looked > WalkLimit)
                return false;
            const qint64 id = walk.columnInt64(0);
            if (contains(rank, id) && (rank == 0 || !contains(rank - 1, id))) {
                order->append(id);
                ++found;
            }
        }
    }
    return true;
}

QVector<qint64> RecipeSearch::orderedByName(const QVector<qint64> &ids, int need)
{
    QVector<qint64> ordered;
    if (ids.isEmpty() || need == 0)
        return ordered;
    if (ids.size() <= SortByLookupLimit || (need < 0 && ids.size() < 20000)) {
        struct Keyed
        {
            QString key;
            QString name;
            qint64 id;
        };
        QVector<Keyed> keyed;
        keyed.reserve(ids.size());
        SqlStatement lookup(m_handle, QStringLiteral("SELECT avain, nimi FROM %1.HakuTeksti WHERE id = ?")
                                          .arg(QLatin1String(Schema)));
        for (qint64 id : ids) {
            lookup.bindInt64(1, id);
            if (lookup.step())
                keyed.append({lookup.columnText(0), lookup.columnText(1), id});
            lookup.reset();
        }
        std::sort(keyed.begin(), keyed.end(), [](const Keyed &a, const Keyed &b) {
            if (a.key != b.key)
                return a.key < b.key;
            if (a.name != b.name)
                return a.name < b.name;
            return a.id < b.id;
        });
        for (const Keyed &k : keyed) {
            if (need >= 0 && ordered.size() >= need)
                break;
            ordered.append(k.id);
        }
        return ordered;
    }
    // Many hits: walk the names in order and keep those among them.
    SqlStatement walk(m_handle,
                      QStringLiteral("SELECT id FROM %1.HakuTeksti INDEXED BY HakuJarjestys ORDER BY avain, nimi")
                          .arg(QLatin1String(Schema)));
    while ((need < 0 || ordered.size() < need) && walk.step()) {
        const qint64 id = walk.columnInt64(0);
        if (std::binary_search(ids.cbegin(), ids.cend(), id))
            ordered.append(id);
    }
    return ordered;
}

void RecipeSearch::fillHit(Hit &hit, const QVector<SearchText::Term> &terms, bool withExcerpts)
{
    SqlStatement row(m_handle,
                     QStringLiteral("SELECT \"Nimi\", \"Ryhma\", \"Aineet\", \"Kuvaus\", \"Ohje\" FROM %1.\"Ohje\" "
                                    "WHERE id = ?")
                         .arg(SqlStatement::quoteName(m_recipeSchema)));
    row.bindInt64(1, hit.id);
    if (!row.step())
        return;
    hit.name = row.columnText(0);
    hit.subgroup = row.columnText(1);
    if (!m_subgroupSchema.isEmpty()) {
        SqlStatement group(m_handle, QStringLiteral("SELECT \"Ryhma\" FROM %1.\"Alaryhma\" WHERE \"Nimi\" = ? LIMIT 1")
                                         .arg(SqlStatement::quoteName(m_subgroupSchema)));
        group.bindText(1, hit.subgroup);
        if (group.step())
            hit.mainGroup = group.columnText(0);
    }
    hit.field = Hit::Field::Name;
    if (!withExcerpts)
        return;
    hit.nameMarks = SearchText::matches(hit.name, terms);
    const Hit::Field fields[] = {Hit::Field::Ingredients, Hit::Field::Description, Hit::Field::Directions};
    for (int i = 0; i < 3; ++i) {
        SearchText::Excerpt found = SearchText::excerpt(row.columnText(2 + i), terms);
        if (!found.text.isEmpty()) {
            hit.excerpt = found;
            hit.field = fields[i];
            return;
        }
    }
}

void RecipeSearch::fillHits(Result &result, const QVector<qint64> &order, const QVector<SearchText::Term> &terms,
                            bool withExcerpts)
{
    result.hits.reserve(order.size());
    for (qint64 id : order) {
        Hit hit;
        hit.id = id;
        fillHit(hit, terms, withExcerpts);
        result.hits.append(hit);
    }
}

RecipeSearch::Result RecipeSearch::find(const QString &text, int limit, bool withExcerpts)
{
    Result result;
    const QVector<SearchText::Term> terms = SearchText::parse(text);
    try {
        if (indexState() != IndexState::Current) {
            result.needsRebuild = true;
            return result;
        }
        if (terms.isEmpty())
            return result;
        recordStampIfInStep();
        QVector<qint64> first;
        if (limit >= 0 && terms.size() <= TermsPerQuery
            && firstByRank(terms, limit, &first, &result.total, &result.moreThanTotal)) {
            fillHits(result, first, terms, withExcerpts);
            return result;
        }
        const QVector<Ranked> all = matchingRanks(terms);
        result.total = int(all.size());
        if (all.isEmpty())
            return result;
        // By rank: all words in the name, in name and ingredients, elsewhere.
        QVector<qint64> ranked[3];
        for (const Ranked &r : all)
            ranked[std::clamp(r.rank, 1, 3) - 1].append(r.id);
        QVector<qint64> order;
        auto remaining = [&] { return limit < 0 ? -1 : limit - int(order.size()); };
        for (const QVector<qint64> &ids : ranked) {
            if (remaining() == 0)
                break;
            order += orderedByName(ids, remaining());
        }
        fillHits(result, order, terms, withExcerpts);
    } catch (const StoreError &e) {
        const int code = sqlite3_errcode(m_handle) & 0xff;
        if (code == SQLITE_CORRUPT || code == SQLITE_NOTADB) {
            m_damaged = true;
            try {
                detachIndex();
            } catch (const StoreError &) {
            }
            result = Result();
            result.needsRebuild = true;
            return result;
        }
        result.hits.clear();
        result.error = e.message();
    }
    return result;
}

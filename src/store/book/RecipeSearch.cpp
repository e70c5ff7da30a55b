#include "store/book/RecipeSearch.h"

#include "store/table/ProgramError.h"
#include "store/table/SqlStatement.h"
#include "store/table/StoreConnection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// "MDHX" in the index file's application id field; the version names the
// index layout and the folding, so that another one is rebuilt.
constexpr int IndexApplicationId = 0x4D444858;
constexpr int IndexVersion = 5;
const char *const Schema = "mealdeck_haku";
// Up to this many hits are sorted by their names read one by one; above it the
// name order of the whole index is walked instead.
constexpr int SortByLookupLimit = 3000;
// The matches of a query are read in full when there are at most this many
// (or an eighth of the book); above it the first hits are found by walking
// the names in order, and the status says "more than" this many.
constexpr int FewMatches = 20000;
// Recipes a walk tests one by one before it reads all matches instead.
constexpr int WalkTests = 2000;
// A query whose word parts are held by more words than this reads a word
// list a word from the index, which costs more than testing this many names
// in their order: when only the first hits are wanted, the names are tested
// first.
constexpr int ManyPartWords = 200;
constexpr int NameTests = 4000;
// Recipes changed while the index was brought up to date that the owner's
// thread takes in itself; more go to the indexing thread again.
constexpr int TakenInHere = 1000;
// Words shorter than this (in characters) are found by their beginnings
// only, so the list of word ends leaves them out.
constexpr int ShortestPart = 3;

void foldFunction(sqlite3_context *context, int, sqlite3_value **values)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(values[0]));
    const QByteArray folded = SearchText::foldUtf8(text, text ? sqlite3_value_bytes(values[0]) : 0);
    sqlite3_result_text64(context, folded.constData(), sqlite3_uint64(folded.size()), SQLITE_TRANSIENT, SQLITE_UTF8);
}

// A 64-bit FNV-1a hash of the texts, each closed by a byte that UTF-8 never
// holds: the same texts give the same value in every process.
void hashFunction(sqlite3_context *context, int count, sqlite3_value **values)
{
    quint64 hash = 14695981039346656037ull;
    for (int i = 0; i < count; ++i) {
        const auto *text = sqlite3_value_text(values[i]);
        const int size = text ? sqlite3_value_bytes(values[i]) : 0;
        for (int b = 0; b < size; ++b) {
            hash ^= text[b];
            hash *= 1099511628211ull;
        }
        hash ^= 0xffu;
        hash *= 1099511628211ull;
    }
    sqlite3_result_int64(context, sqlite3_int64(hash));
}

int characterCount(const char *text, int size)
{
    int count = 0;
    for (int i = 0; i < size; ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xc0) != 0x80)
            ++count;
    }
    return count;
}

void appendJsonString(std::string &out, const char *text, int size)
{
    out += '"';
    for (int i = 0; i < size; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += char(c);
        }
    }
    out += '"';
}

void resultJson(sqlite3_context *context, const std::vector<std::string> &items)
{
    std::string json = "[";
    for (const std::string &item : items) {
        if (json.size() > 1)
            json += ',';
        appendJsonString(json, item.data(), int(item.size()));
    }
    json += ']';
    sqlite3_result_text64(context, json.data(), sqlite3_uint64(json.size()), SQLITE_TRANSIENT, SQLITE_UTF8);
}

fts5_api *fts5Of(sqlite3 *db)
{
    fts5_api *api = nullptr;
    sqlite3_stmt *find = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT fts5(?1)", -1, &find, nullptr) == SQLITE_OK) {
        sqlite3_bind_pointer(find, 1, &api, "fts5_api_ptr", nullptr);
        sqlite3_step(find);
    }
    sqlite3_finalize(find);
    if (!api || api->iVersion < 2)
        throw StoreError(QStringLiteral("The full-text search of SQLite is not available"));
    return api;
}

// The word index's own tokenizer, so that the list of words holds exactly
// the words that the index holds.
struct WordSplitter
{
    fts5_tokenizer calls{};
    Fts5Tokenizer *tokenizer = nullptr;
    ~WordSplitter()
    {
        if (tokenizer)
            calls.xDelete(tokenizer);
    }
};

int collectWord(void *context, int, const char *token, int size, int, int)
{
    if (characterCount(token, size) >= ShortestPart)
        static_cast<std::vector<std::string> *>(context)->emplace_back(token, size_t(size));
    return SQLITE_OK;
}

// The distinct words of its arguments, as a JSON array, leaving out those
// too short to hold a part of a word.
void wordsFunction(sqlite3_context *context, int count, sqlite3_value **values)
{
    auto *splitter = static_cast<WordSplitter *>(sqlite3_user_data(context));
    std::vector<std::string> words;
    for (int i = 0; i < count; ++i) {
        const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(values[i]));
        if (!text)
            continue;
        const int rc = splitter->calls.xTokenize(splitter->tokenizer, &words, FTS5_TOKENIZE_DOCUMENT, text,
                                                 sqlite3_value_bytes(values[i]), collectWord);
        if (rc != SQLITE_OK) {
            sqlite3_result_error_code(context, rc);
            return;
        }
    }
    std::sort(words.begin(), words.end());
    words.erase(std::unique(words.begin(), words.end()), words.end());
    resultJson(context, words);
}

// The ends of a word that are long enough to be looked for, the whole word
// first, as a JSON array.
void endsFunction(sqlite3_context *context, int, sqlite3_value **values)
{
    const auto *word = reinterpret_cast<const char *>(sqlite3_value_text(values[0]));
    const int size = word ? sqlite3_value_bytes(values[0]) : 0;
    std::vector<std::string> ends;
    int left = characterCount(word, size);
    for (int i = 0; i < size && left >= ShortestPart; ++i) {
        if ((static_cast<unsigned char>(word[i]) & 0xc0) == 0x80)
            continue;
        ends.emplace_back(word + i, size_t(size - i));
        --left;
    }
    resultJson(context, ends);
}

void registerFunctions(sqlite3 *db)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    auto check = [db](int rc) {
        if (rc != SQLITE_OK)
            throw StoreError(QString::fromUtf8(sqlite3_errmsg(db)));
    };
    check(sqlite3_create_function_v2(db, "mealdeck_fold", 1, flags, nullptr, foldFunction, nullptr, nullptr,
                                     nullptr));
    check(sqlite3_create_function_v2(db, "mealdeck_hash", 4, flags, nullptr, hashFunction, nullptr, nullptr,
                                     nullptr));
    check(sqlite3_create_function_v2(db, "mealdeck_ends", 1, flags, nullptr, endsFunction, nullptr, nullptr,
                                     nullptr));
    fts5_api *api = fts5Of(db);
    auto splitter = std::make_unique<WordSplitter>();
    void *userData = nullptr;
    const char *arguments[] = {"remove_diacritics", "2"};
    if (api->xFindTokenizer(api, "unicode61", &userData, &splitter->calls) != SQLITE_OK
        || splitter->calls.xCreate(userData, arguments, 2, &splitter->tokenizer) != SQLITE_OK)
        throw StoreError(QStringLiteral("The word tokenizer of SQLite is not available"));
    check(sqlite3_create_function_v2(db, "mealdeck_words", -1, flags, splitter.release(), wordsFunction, nullptr,
                                     nullptr, [](void *p) { delete static_cast<WordSplitter *>(p); }));
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
// that the triggers can name them unqualified. HakuSanat holds the words of
// the four fields (no copy of the text: a recipe's entries are removed with
// the text the recipe table still holds then); HakuNimet the words of the
// names alone, so that the matches in names are read without the entries of
// the other fields; HakuRivit each recipe's name,
// its sort key and a hash of its indexed text; HakuLoput the ends of every
// word, so that a part of a word is found as the beginning of an end;
// HakuEtusanat every word ever indexed in a name or an ingredient list (it
// keeps the words their recipes lost), so that a word found only in the
// other texts is known to match no name or ingredients without reading all
// its entries; HakuEpavarmat the recipes whose entries may still hold words
// of a text they no longer have (changed or removed without the index), tested
// against their text until the index is built anew.
const char *const CreateIndexSql =
    "CREATE TABLE HakuTila(avain TEXT PRIMARY KEY, arvo TEXT);"
    "CREATE TABLE HakuRivit(id INTEGER PRIMARY KEY, avain TEXT, nimi TEXT, tiiviste INTEGER);"
    "CREATE VIRTUAL TABLE HakuSanat USING fts5(nimi, aineet, kuvaus, ohje, content='', "
    "tokenize='unicode61 remove_diacritics 2', prefix='1 2');"
    "CREATE VIRTUAL TABLE HakuNimet USING fts5(nimi, content='', tokenize='unicode61 remove_diacritics 2', "
    "prefix='1 2');"
    "CREATE TABLE HakuLoput(loppu TEXT, sana TEXT, PRIMARY KEY(loppu, sana)) WITHOUT ROWID;"
    "CREATE TABLE HakuEtusanat(sana TEXT PRIMARY KEY) WITHOUT ROWID;"
    "CREATE TABLE HakuEpavarmat(id INTEGER PRIMARY KEY);";

QString textOf(const QString &column)
{
    return QStringLiteral("coalesce(CAST(%1 AS TEXT), '')").arg(column);
}

// The four indexed texts of the row `row` ("new", "old" or a table).
QString textsOf(const QString &row)
{
    QStringList texts;
    for (const char *column : {"Nimi", "Aineet", "Kuvaus", "Ohje"})
        texts << textOf(QStringLiteral("%1.\"%2\"").arg(row, QLatin1String(column)));
    return texts.join(QStringLiteral(", "));
}

// The words of a name and an ingredient list (texts or NULLs) into the
// words ever indexed there; for each row of `source` that meets `condition`
// when given.
QString frontWordsSql(const QString &name, const QString &ingredients, const QString &source = QString(),
                      const QString &condition = QString())
{
    return QStringLiteral("INSERT OR IGNORE INTO HakuEtusanat(sana) SELECT j.value FROM %3json_each(mealdeck_words(%1, "
                          "%2)) j%4;")
        .arg(name, ingredients, source.isEmpty() ? QString() : source + QStringLiteral(", "),
             condition.isEmpty() ? QString() : QStringLiteral(" WHERE ") + condition);
}

// The index entries of the recipe as `row` holds it: the row of a trigger,
// or each row `row` of `table` that meets `condition`.
QString addEntrySql(const QString &row, const QString &table = QString(), const QString &condition = QString())
{
    const QString from = table.isEmpty() ? QString() : QStringLiteral(" FROM %1 %2 WHERE %3").arg(table, row, condition);
    const QString wordsFrom = table.isEmpty() ? QStringLiteral(" FROM json_each(mealdeck_words(%1)) j")
                                              : QStringLiteral(" FROM %2 %3, json_each(mealdeck_words(%1)) j WHERE %4")
                                                    .arg(QStringLiteral("%1"), table, row, condition);
    const QString name = textOf(row + QStringLiteral(".\"Nimi\""));
    return QStringLiteral("INSERT INTO HakuSanat(rowid, nimi, aineet, kuvaus, ohje) SELECT %1.id, %2%4;"
                          "INSERT INTO HakuNimet(rowid, nimi) SELECT %1.id, %3%4;"
                          "INSERT INTO HakuRivit(id, avain, nimi, tiiviste) SELECT %1.id, mealdeck_fold(%3), %3, "
                          "mealdeck_hash(%2)%4;"
                          "INSERT OR IGNORE INTO HakuLoput(loppu, sana) SELECT j.value, j.value%5;")
               .arg(row, textsOf(row), name, from, wordsFrom.arg(textsOf(row)))
        + frontWordsSql(name, textOf(row + QStringLiteral(".\"Aineet\"")),
                        table.isEmpty() ? QString() : table + QLatin1Char(' ') + row, condition);
}

// The index entries of the recipe go; `row` holds the text that was indexed.
QString removeEntrySql(const QString &row)
{
    return QStringLiteral("INSERT INTO HakuSanat(HakuSanat, rowid, nimi, aineet, kuvaus, ohje) VALUES ('delete', "
                          "%1.id, %2);"
                          "INSERT INTO HakuNimet(HakuNimet, rowid, nimi) VALUES ('delete', %1.id, %3);"
                          "DELETE FROM HakuRivit WHERE id = %1.id;")
        .arg(row, textsOf(row), textOf(row + QStringLiteral(".\"Nimi\"")));
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

QString quoted(const QString &text)
{
    QString inner = text;
    inner.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
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

std::function<void(qint64, qint64)> &batchHook()
{
    static std::function<void(qint64, qint64)> hook;
    return hook;
}

// Recipes read in one short read while indexing: the book's own writes wait
// at most that long.
constexpr int Batch = 1000;

// SQLite's progress callback: stops the statement once `stop` is set.
int stopRequested(void *stop)
{
    return static_cast<const std::atomic<bool> *>(stop)->load() ? 1 : 0;
}

// A connection of its own that stops its SQL when `stop` is set.
void openStoppable(OwnConnection &own, const QString &uri, int flags, const std::atomic<bool> *stop)
{
    if (!own.open(uri, flags | SQLITE_OPEN_URI))
        throw StoreError(QStringLiteral("Cannot open %1: %2").arg(uri, QString::fromUtf8(sqlite3_errmsg(own.db))));
    if (stop)
        sqlite3_progress_handler(own.db, 1000, stopRequested, const_cast<std::atomic<bool> *>(stop));
}

// A prepared statement, finalized on every path: values are copied from one
// connection to another as they are.
struct RawStatement
{
    sqlite3 *db;
    sqlite3_stmt *stmt = nullptr;
    RawStatement(sqlite3 *connection, const QString &sql)
        : db(connection)
    {
        if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &stmt, nullptr) != SQLITE_OK)
            throw StoreError(QString::fromUtf8(sqlite3_errmsg(db)));
    }
    ~RawStatement() { sqlite3_finalize(stmt); }
    Q_DISABLE_COPY_MOVE(RawStatement)
    [[noreturn]] void fail() const { throw StoreError(QString::fromUtf8(sqlite3_errmsg(db))); }
};

// The state of the recipe file that an index matches: change counter, size
// in pages, device and inode. `db` has the file attached as `schema`.
QString recipeStampOf(const QString &dataFolder, sqlite3 *db, const QString &schema)
{
    // A read first, so that a journal left by a crash is rolled back before
    // the header is looked at.
    {
        SqlStatement read(db, QStringLiteral("SELECT count(*) FROM %1.sqlite_master").arg(SqlStatement::quoteName(schema)));
        read.step();
    }
    const QString path = dataFolder + QStringLiteral("/Ohje.db");
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
    return QStringLiteral("%1:%2:%3:%4")
        .arg(number(24))
        .arg(number(28))
        .arg(quint64(info.st_dev))
        .arg(quint64(info.st_ino));
}

// Builds the index of the book in `dataFolder` into the file `building`. The
// recipes are read a batch at a time, each batch in a short read of its own,
// so that the book is changed meanwhile without waiting; the state of the
// recipe file recorded is that before the first batch. False when `progress`
// or `stop` cancelled. Throws StoreError.
bool buildIndexFile(const QString &dataFolder, const QString &building, const RecipeSearch::Progress &progress,
                    const std::atomic<bool> *stop, std::atomic<int> *percent)
{
    QFile::remove(building);
    QFile::remove(building + QStringLiteral("-journal"));
    OwnConnection out;
    openStoppable(out, uriFor(building, "rwc"), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, stop);
    registerFunctions(out.db);
    execAll(out.db, QStringLiteral("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; "
                                   "PRAGMA cache_size=-65536; PRAGMA temp_store=FILE; PRAGMA application_id=%1; "
                                   "PRAGMA user_version=%2;")
                        .arg(IndexApplicationId)
                        .arg(IndexVersion));
    OwnConnection in;
    openStoppable(in, uriFor(dataFolder + QStringLiteral("/Ohje.db"), "ro"), SQLITE_OPEN_READONLY, stop);
    const QString stamp = recipeStampOf(dataFolder, in.db, QStringLiteral("main"));
    qint64 total = 0;
    {
        SqlStatement count(in.db, QStringLiteral("SELECT count(*) FROM \"Ohje\""));
        total = count.step() ? count.columnInt64(0) : 0;
    }
    execAll(out.db, QStringLiteral("BEGIN;") + QLatin1String(CreateIndexSql));
    RawStatement read(in.db, QStringLiteral("SELECT id, %1 FROM \"Ohje\" o WHERE id > ?1 ORDER BY id LIMIT %2")
                                 .arg(textsOf(QStringLiteral("o")))
                                 .arg(Batch));
    RawStatement words(out.db, QStringLiteral("INSERT INTO HakuSanat(rowid, nimi, aineet, kuvaus, ohje) "
                                              "VALUES (?1, ?2, ?3, ?4, ?5)"));
    RawStatement names(out.db, QStringLiteral("INSERT INTO HakuNimet(rowid, nimi) VALUES (?1, ?2)"));
    RawStatement rows(out.db, QStringLiteral("INSERT INTO HakuRivit(id, avain, nimi, tiiviste) "
                                             "VALUES (?1, mealdeck_fold(?2), ?2, mealdeck_hash(?2, ?3, ?4, ?5))"));
    qint64 done = 0;
    qint64 lastId = std::numeric_limits<qint64>::min();
    if (progress && !progress(0, total))
        return false;
    for (;;) {
        if (batchHook())
            batchHook()(done, total);
        if (stop && stop->load())
            return false;
        sqlite3_bind_int64(read.stmt, 1, lastId);
        int copied = 0;
        int rc = SQLITE_ROW;
        while ((rc = sqlite3_step(read.stmt)) == SQLITE_ROW) {
            lastId = sqlite3_column_int64(read.stmt, 0);
            for (RawStatement *insert : {&words, &names, &rows}) {
                const int columns = sqlite3_bind_parameter_count(insert->stmt);
                for (int column = 0; column < columns; ++column)
                    sqlite3_bind_value(insert->stmt, column + 1, sqlite3_column_value(read.stmt, column));
                if (sqlite3_step(insert->stmt) != SQLITE_DONE)
                    insert->fail();
                sqlite3_reset(insert->stmt);
            }
            ++copied;
        }
        if (rc != SQLITE_DONE)
            read.fail();
        // The read ends here, before the next batch.
        sqlite3_reset(read.stmt);
        if (copied == 0)
            break;
        done += copied;
        if (percent)
            percent->store(int(std::min<qint64>(80, total > 0 ? done * 80 / total : 80)));
        if (progress && !progress(done, total))
            return false;
    }
    if (percent)
        percent->store(80);
    // The words as the index holds them, and their ends.
    execAll(out.db, QStringLiteral("INSERT INTO HakuSanat(HakuSanat) VALUES ('optimize');"
                                   "INSERT INTO HakuNimet(HakuNimet) VALUES ('optimize');"
                                   "CREATE INDEX HakuJarjestys ON HakuRivit(avain, nimi);"
                                   "CREATE VIRTUAL TABLE temp.HakuSanasto USING fts5vocab(main, HakuSanat, row);"
                                   "INSERT INTO HakuLoput(loppu, sana) SELECT e.value, v.term FROM temp.HakuSanasto v, "
                                   "json_each(mealdeck_ends(v.term)) e ORDER BY 1, 2;"
                                   "DROP TABLE temp.HakuSanasto;"
                                   "CREATE VIRTUAL TABLE temp.HakuSarakkeet USING fts5vocab(main, HakuSanat, col);"
                                   "INSERT INTO HakuEtusanat(sana) SELECT DISTINCT term FROM temp.HakuSarakkeet "
                                   "WHERE col IN ('nimi', 'aineet') ORDER BY 1;"
                                   "DROP TABLE temp.HakuSarakkeet;"));
    SqlStatement record(out.db, QStringLiteral("INSERT INTO HakuTila(avain, arvo) VALUES ('leima', ?)"));
    record.bindText(1, stamp);
    record.run();
    execAll(out.db, QStringLiteral("COMMIT"));
    return true;
}

// Puts the built index file in place of the index, atomically.
void swapIn(const QString &dataFolder, const QString &building, const QString &path)
{
    if (!syncFile(building))
        throw StoreError(QStringLiteral("Cannot write %1").arg(building));
    // A journal of the old file must never be played into the new one.
    QFile::remove(path + QStringLiteral("-journal"));
    if (::rename(QFile::encodeName(building).constData(), QFile::encodeName(path).constData()) != 0)
        throw StoreError(QStringLiteral("Cannot replace %1").arg(path));
    syncFile(dataFolder);
}

// The recipes whose indexed text differs from what the index file at `path`
// holds (changed, added or removed without it), read a batch at a time.
// False when so many of those the index holds differ that a new index is
// better.
bool differingRecipes(const QString &dataFolder, const QString &path, std::vector<qint64> *ids,
                      const std::atomic<bool> *stop, std::atomic<int> *percent)
{
    OwnConnection own;
    openStoppable(own, uriFor(path, "ro"), SQLITE_OPEN_READONLY, stop);
    registerFunctions(own.db);
    SqlStatement attach(own.db, QStringLiteral("ATTACH DATABASE ? AS kirja"));
    attach.bindText(1, uriFor(dataFolder + QStringLiteral("/Ohje.db"), "ro"));
    attach.run();
    SqlStatement counts(own.db, QStringLiteral("SELECT (SELECT count(*) FROM HakuEpavarmat), (SELECT max(id) FROM "
                                               "HakuRivit), (SELECT count(*) FROM kirja.\"Ohje\")"));
    counts.step();
    qint64 held = counts.columnInt64(0);
    // As catchUp(): beyond this many recipes tested on their own, a new
    // index is better.
    const qint64 tolerated = std::max<qint64>(1000, counts.columnInt64(1) / 16);
    const qint64 total = counts.columnInt64(2);
    counts.reset();
    SqlStatement next(own.db, QStringLiteral("SELECT count(*), max(id) FROM (SELECT id FROM kirja.\"Ohje\" WHERE id > ? "
                                             "ORDER BY id LIMIT %1)")
                                  .arg(Batch));
    SqlStatement differ(own.db, QStringLiteral("SELECT o.id, h.id IS NOT NULL FROM kirja.\"Ohje\" o LEFT JOIN HakuRivit h "
                                               "ON h.id = o.id WHERE o.id > ?1 AND o.id <= ?2 AND (h.id IS NULL OR "
                                               "h.tiiviste IS NOT mealdeck_hash(%1))")
                                    .arg(textsOf(QStringLiteral("o"))));
    SqlStatement gone(own.db, QStringLiteral("SELECT h.id FROM HakuRivit h WHERE h.id > ?1 AND h.id <= ?2 AND NOT EXISTS "
                                             "(SELECT 1 FROM kirja.\"Ohje\" o WHERE o.id = h.id)"));
    qint64 done = 0;
    qint64 lastId = std::numeric_limits<qint64>::min();
    for (;;) {
        if (batchHook())
            batchHook()(done, total);
        if (stop && stop->load())
            return true;
        next.bindInt64(1, lastId);
        next.step();
        const qint64 copied = next.columnInt64(0);
        const qint64 upTo = copied == 0 ? std::numeric_limits<qint64>::max() : next.columnInt64(1);
        next.reset();
        differ.bindInt64(1, lastId);
        differ.bindInt64(2, upTo);
        while (differ.step()) {
            ids->push_back(differ.columnInt64(0));
            held += differ.columnInt64(1);
        }
        differ.reset();
        gone.bindInt64(1, lastId);
        gone.bindInt64(2, upTo);
        while (gone.step()) {
            ids->push_back(gone.columnInt64(0));
            ++held;
        }
        gone.reset();
        if (held > tolerated)
            return false;
        if (copied == 0)
            return true;
        lastId = upTo;
        done += copied;
        if (percent)
            percent->store(int(std::min<qint64>(99, total > 0 ? done * 100 / total : 99)));
    }
}

// A word met for the first time brings its ends.
QString wordEndsTriggerSql()
{
    return QStringLiteral("CREATE TEMP TRIGGER IF NOT EXISTS mealdeck_haku_sana AFTER INSERT ON %1.HakuLoput "
                          "WHEN new.loppu = new.sana BEGIN INSERT OR IGNORE INTO HakuLoput(loppu, sana) "
                          "SELECT value, new.sana FROM json_each(mealdeck_ends(new.sana)); END;")
        .arg(QLatin1String(Schema));
}

enum class CatchUp { InStep, TakenIn, TooMany };

// Brings the index attached to `db` as the schema of that name up to the
// recipes of `recipes` (a table, with its schema) whose text differs from
// what it holds; with `candidates` (a query of ids) only those are compared.
CatchUp catchUpRecipes(sqlite3 *db, const QString &recipes, const QString &candidates)
{
    const QString rows = QLatin1String(Schema) + QStringLiteral(".HakuRivit");
    execAll(db, QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS mealdeck_haku_eri(id INTEGER PRIMARY KEY, "
                                     "uusi INTEGER, poissa INTEGER); DELETE FROM temp.mealdeck_haku_eri;"
                                     "INSERT INTO temp.mealdeck_haku_eri SELECT o.id, h.id IS NULL, 0 FROM %1 o "
                                     "LEFT JOIN %2 h ON h.id = o.id WHERE (h.id IS NULL OR h.tiiviste IS NOT "
                                     "mealdeck_hash(%3))%4;"
                                     "INSERT INTO temp.mealdeck_haku_eri SELECT h.id, 0, 1 FROM %2 h WHERE NOT EXISTS "
                                     "(SELECT 1 FROM %1 o WHERE o.id = h.id)%5;")
                          .arg(recipes, rows, textsOf(QStringLiteral("o")),
                               candidates.isEmpty() ? QString() : QStringLiteral(" AND o.id IN (%1)").arg(candidates),
                               candidates.isEmpty() ? QString() : QStringLiteral(" AND h.id IN (%1)").arg(candidates)));
    SqlStatement counts(db, QStringLiteral("SELECT (SELECT count(*) FROM temp.mealdeck_haku_eri), "
                                                 "(SELECT count(*) FROM temp.mealdeck_haku_eri WHERE uusi = 0), "
                                                 "(SELECT count(*) FROM %1.HakuEpavarmat), (SELECT max(id) FROM %2)")
                                      .arg(QLatin1String(Schema), rows));
    counts.step();
    const qint64 differing = counts.columnInt64(0);
    // Beyond this many recipes tested on their own, a new index is better.
    const qint64 tolerated = std::max<qint64>(1000, counts.columnInt64(3) / 16);
    const bool fits = counts.columnInt64(1) + counts.columnInt64(2) <= tolerated;
    counts.reset();
    if (differing == 0)
        return CatchUp::InStep;
    if (!fits)
        return CatchUp::TooMany;
    // The entries of a changed recipe are removed as far as its new text
    // tells; what it no longer holds may stay, so it is marked doubtful.
    const QString changed = QStringLiteral("o.id IN (SELECT id FROM temp.mealdeck_haku_eri WHERE uusi = 0 AND poissa = 0)");
    execAll(db,
            QStringLiteral("SAVEPOINT mealdeck_haku_kiinni;"
                           "INSERT INTO HakuSanat(HakuSanat, rowid, nimi, aineet, kuvaus, ohje) SELECT 'delete', o.id, "
                           "%2 FROM %1 o WHERE %3;"
                           "INSERT INTO HakuNimet(HakuNimet, rowid, nimi) SELECT 'delete', o.id, %5 FROM %1 o WHERE %3;"
                           "DELETE FROM HakuRivit WHERE id IN (SELECT id FROM temp.mealdeck_haku_eri WHERE uusi = 0);"
                           "INSERT OR IGNORE INTO HakuEpavarmat(id) SELECT id FROM temp.mealdeck_haku_eri WHERE uusi = 0;"
                           "%4"
                           "RELEASE mealdeck_haku_kiinni;")
                .arg(recipes, textsOf(QStringLiteral("o")), changed,
                     addEntrySql(QStringLiteral("o"), recipes,
                                 QStringLiteral("o.id IN (SELECT id FROM temp.mealdeck_haku_eri WHERE poissa = 0)")),
                     textOf(QStringLiteral("o.\"Nimi\""))));
    return CatchUp::TakenIn;
}

// Takes the recipes `ids` into the index file at `path` on a connection of
// its own, a batch at a time, each in a short transaction, so that the
// book's writes never wait long. False when so many differ that a new index
// is better. A recipe changed meanwhile is compared by its hash then.
bool takeIn(const QString &dataFolder, const QString &path, const std::vector<qint64> &ids,
            const std::atomic<bool> *stop)
{
    OwnConnection own;
    openStoppable(own, QStringLiteral("file:"), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, stop);
    registerFunctions(own.db);
    SqlStatement attachIndex(own.db, QStringLiteral("ATTACH DATABASE ? AS %1").arg(QLatin1String(Schema)));
    attachIndex.bindText(1, uriFor(path, "rw"));
    attachIndex.run();
    SqlStatement attachBook(own.db, QStringLiteral("ATTACH DATABASE ? AS kirja"));
    attachBook.bindText(1, uriFor(dataFolder + QStringLiteral("/Ohje.db"), "ro"));
    attachBook.run();
    execAll(own.db, QStringLiteral("PRAGMA %1.synchronous=OFF; CREATE TEMP TABLE mealdeck_haku_era(id INTEGER PRIMARY "
                                   "KEY);")
                        .arg(QLatin1String(Schema))
                        + wordEndsTriggerSql());
    SqlStatement note(own.db, QStringLiteral("INSERT INTO temp.mealdeck_haku_era(id) VALUES (?)"));
    for (size_t from = 0; from < ids.size(); from += Batch) {
        if (stop && stop->load())
            return true;
        execAll(own.db, QStringLiteral("BEGIN; DELETE FROM temp.mealdeck_haku_era;"));
        for (size_t i = from; i < std::min(ids.size(), from + Batch); ++i) {
            note.bindInt64(1, ids[i]);
            note.run();
            note.reset();
        }
        if (catchUpRecipes(own.db, QStringLiteral("kirja.\"Ohje\""),
                           QStringLiteral("SELECT id FROM temp.mealdeck_haku_era"))
            == CatchUp::TooMany)
            return false;
        execAll(own.db, QStringLiteral("COMMIT"));
    }
    return true;
}

// Binds as ?1 and ?2 the range of the word ends that begin with the part
// `term`.
void bindPart(SqlStatement &statement, const SearchText::Term &term)
{
    statement.bindText(1, term.folded);
    statement.bindText(2, term.folded + QString(QChar::highSurrogate(0x10FFFF)) + QChar::lowSurrogate(0x10FFFF));
}

// False when some word part of `terms` is held by no word ever indexed in a
// name or an ingredient list: then no recipe has all of them there, which
// the word index could tell only by reading every entry of those words.
bool mayMatchNameOrIngredients(sqlite3 *db, const QVector<SearchText::Term> &terms)
{
    SqlStatement front(db, QStringLiteral("SELECT 1 FROM %1.HakuLoput l JOIN %1.HakuEtusanat e ON e.sana = l.sana "
                                          "WHERE l.loppu >= ?1 AND l.loppu < ?2 LIMIT 1")
                               .arg(QLatin1String(Schema)));
    for (const SearchText::Term &term : terms) {
        if (term.kind != SearchText::Term::Kind::Part)
            continue;
        bindPart(front, term);
        const bool held = front.step();
        front.reset();
        if (!held)
            return false;
    }
    return true;
}

// A read transaction while it lives, when none is open yet.
class ReadTransaction
{
public:
    explicit ReadTransaction(sqlite3 *db)
        : m_db(sqlite3_get_autocommit(db) && sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK ? db
                                                                                                          : nullptr)
    {
    }
    ~ReadTransaction()
    {
        if (m_db && !sqlite3_get_autocommit(m_db))
            sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
    }
    ReadTransaction(const ReadTransaction &) = delete;
    ReadTransaction &operator=(const ReadTransaction &) = delete;

private:
    sqlite3 *m_db;
};

} // namespace

// A build or catch-up of the index on a thread of its own. What it finds is
// read on the owner's thread only after `done`.
struct RecipeSearch::Job
{
    bool build = false;
    std::thread thread;
    std::atomic<bool> stop{false};
    std::atomic<bool> done{false};
    std::atomic<int> percent{0};
    QString error;
    // Catch-up: a new index is better.
    bool tooMany = false;
    // Catch-up: the recipes that differ, until the thread has taken them in.
    std::vector<qint64> differing;

    void run(const QString &dataFolder)
    {
        const QString path = dataFolder + QLatin1Char('/') + RecipeSearch::indexFileName();
        const QString building = path + QStringLiteral(".new");
        try {
            if (build) {
                if (buildIndexFile(dataFolder, building, {}, &stop, &percent))
                    swapIn(dataFolder, building, path);
                else
                    QFile::remove(building);
            } else {
                tooMany = !differingRecipes(dataFolder, path, &differing, &stop, &percent)
                    || !takeIn(dataFolder, path, differing, &stop);
                // In the index now; what changed meanwhile was noted.
                differing.clear();
            }
        } catch (const StoreError &e) {
            error = e.message();
        } catch (const std::exception &e) {
            error = QString::fromLocal8Bit(e.what());
        }
        if (build && !error.isEmpty())
            QFile::remove(building);
        done.store(true);
    }
};

void RecipeSearch::setBatchHook(std::function<void(qint64, qint64)> hook)
{
    batchHook() = std::move(hook);
}

RecipeSearch::RecipeSearch(const QString &dataFolder, bool lookNow, Changes changes)
    : m_dataFolder(QDir::cleanPath(QFileInfo(dataFolder).absoluteFilePath()))
    , m_changes(changes)
{
    m_connection = StoreConnection::acquire(m_dataFolder, m_dataFolder + QStringLiteral("/Paaryhma.db"));
    m_connection->setDerivedDetacher([this] { return setIndexAside(); });
    follow();
    if (lookNow)
        indexState();
}

RecipeSearch::~RecipeSearch()
{
    m_connection->setDerivedDetacher({});
    stopJob();
    try {
        follow();
        dropRecorder();
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
    registerFunctions(m_handle);
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
        return;
    }
    // The notes of changes went with the old connection.
    if (m_job) {
        m_trackingLost = true;
        installRecorder();
    }
}

namespace {

// Whether the index file attached or opened as `schema` is one of ours, of
// this layout and whole, and the recipe file state it records.
RecipeSearch::IndexState checkIndex(sqlite3 *db, const QString &schema, QString *stampInFile)
{
    const QString s = SqlStatement::quoteName(schema);
    try {
        SqlStatement id(db, QStringLiteral("PRAGMA %1.application_id").arg(s));
        if (!id.step() || id.columnInt64(0) != IndexApplicationId)
            return RecipeSearch::IndexState::Damaged;
        SqlStatement version(db, QStringLiteral("PRAGMA %1.user_version").arg(s));
        if (!version.step() || version.columnInt64(0) != IndexVersion)
            return RecipeSearch::IndexState::Stale;
        SqlStatement tables(db, QStringLiteral("SELECT count(*) FROM %1.sqlite_master WHERE name IN "
                                               "('HakuTila', 'HakuRivit', 'HakuSanat', 'HakuNimet', 'HakuLoput', "
                                               "'HakuEtusanat', 'HakuEpavarmat')")
                                    .arg(s));
        if (!tables.step() || tables.columnInt64(0) != 7)
            return RecipeSearch::IndexState::Damaged;
        SqlStatement stamp(db, QStringLiteral("SELECT arvo FROM %1.HakuTila WHERE avain = 'leima'").arg(s));
        *stampInFile = stamp.step() ? stamp.columnText(0) : QString();
    } catch (const StoreError &) {
        return RecipeSearch::IndexState::Damaged;
    }
    return RecipeSearch::IndexState::Current;
}

} // namespace

RecipeSearch::IndexState RecipeSearch::checkFile(QString *stampInFile)
{
    const QString path = m_dataFolder + QLatin1Char('/') + indexFileName();
    if (!QFileInfo(path).isFile())
        return IndexState::Missing;
    OwnConnection own;
    // Read-write, so that a journal left by a crash is rolled back first.
    if (!own.open(path, SQLITE_OPEN_READWRITE))
        return IndexState::Damaged;
    return checkIndex(own.db, QStringLiteral("main"), stampInFile);
}

RecipeSearch::IndexState RecipeSearch::attachIfCurrent(QString *stampInFile)
{
    // The file is checked where it is attached: opening it on a connection
    // of its own first would cost a search from the command line a good
    // part of its time.
    const QString path = m_dataFolder + QLatin1Char('/') + indexFileName();
    if (!QFileInfo(path).isFile())
        return IndexState::Missing;
    try {
        attachFile(path);
    } catch (const StoreError &) {
        return IndexState::Damaged;
    }
    const IndexState state = checkIndex(m_handle, QLatin1String(Schema), stampInFile);
    if (state != IndexState::Current) {
        execAll(m_handle, QStringLiteral("DETACH DATABASE %1").arg(QLatin1String(Schema)));
        return state;
    }
    joinAttached(path);
    return IndexState::Current;
}

QString RecipeSearch::recipeFileStamp()
{
    return recipeStampOf(m_dataFolder, m_handle, m_recipeSchema);
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
    // The index is not attached while it is brought up to date.
    if (m_job)
        return IndexState::Stale;
    if (m_damaged)
        return IndexState::Damaged;
    if (m_attached) {
        const bool sameFile = identityOf(m_dataFolder + QLatin1Char('/') + indexFileName()) == m_attachedIdentity;
        if (sameFile && recipeDataVersion() == m_dataVersion)
            return IndexState::Current;
        // The recipe file was written by another connection (or SQLite read
        // it anew for another reason): the index catches up with the
        // recipes whose text differs from what it holds.
        if (sameFile && sqlite3_get_autocommit(m_handle) && catchUp()) {
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
    // Attaching waits until no transaction is open.
    if (!sqlite3_get_autocommit(m_handle)) {
        const IndexState state = checkFile(&stored);
        return state == IndexState::Current ? IndexState::Stale : state;
    }
    const IndexState state = attachIfCurrent(&stored);
    if (state != IndexState::Current)
        return state;
    // The recipe file changed since the index last recorded it (a crash
    // before the record, a change by another program): the index catches up
    // with the recipes whose text differs, far quicker than building it
    // anew.
    if (stored != recipeFileStamp()) {
        if (!catchUp()) {
            detachIndex();
            return IndexState::Stale;
        }
        recordStampIfInStep();
    }
    return IndexState::Current;
}

bool RecipeSearch::catchUp(const QString &candidates)
{
    if (m_suspended || !sqlite3_get_autocommit(m_handle))
        return false;
    // New words bring their ends through a trigger, which a search that
    // follows no changes has not set up.
    execAll(m_handle, wordEndsTriggerSql());
    const CatchUp done = catchUpRecipes(
        m_handle, SqlStatement::quoteName(m_recipeSchema) + QStringLiteral(".\"Ohje\""), candidates);
    if (done == CatchUp::TakenIn)
        loadDoubtful();
    return done != CatchUp::TooMany;
}

void RecipeSearch::suspendUpkeep()
{
    follow();
    if (!m_attached || m_suspended || !sqlite3_get_autocommit(m_handle))
        return;
    dropTriggers();
    m_suspended = true;
}

bool RecipeSearch::resumeUpkeep()
{
    if (!m_suspended)
        return m_job != nullptr;
    m_suspended = false;
    follow();
    if (!m_attached)
        return m_job != nullptr;
    if (m_background) {
        // The indexing thread takes the changes in; the names answer
        // meanwhile.
        detachIndex();
        if (!m_attached) {
            startJob(false);
            return true;
        }
    }
    // Before the catch-up, so that new words bring their ends.
    if (m_changes == Changes::Followed)
        installTriggers();
    if (!catchUp())
        detachIndex();
    return false;
}

void RecipeSearch::loadDoubtful()
{
    m_doubtful.clear();
    SqlStatement select(m_handle, QStringLiteral("SELECT id FROM %1.HakuEpavarmat").arg(QLatin1String(Schema)));
    while (select.step())
        m_doubtful.insert(select.columnInt64(0));
}

void RecipeSearch::attachIndex()
{
    const QString path = m_dataFolder + QLatin1Char('/') + indexFileName();
    attachFile(path);
    joinAttached(path);
}

void RecipeSearch::attachFile(const QString &path)
{
    SqlStatement attach(m_handle, QStringLiteral("ATTACH DATABASE ? AS %1").arg(QLatin1String(Schema)));
    attach.bindText(1, uriFor(path, "rw"));
    attach.run();
}

void RecipeSearch::joinAttached(const QString &path)
{
    try {
        // The index is written in the transaction of each change to a
        // recipe, but without syncs: it then takes no part in the commit
        // over several files (no super-journal), and a change costs the
        // index a few writes. Its journal still rolls back what a crash
        // left half written. That the index says it is current only after
        // a durable record of the recipe file's state (see the triggers and
        // recordStampIfInStep) makes a crash between the two files' commits
        // harmless: the next start compares the hashes.
        execAll(m_handle, QStringLiteral("PRAGMA %1.journal_mode=DELETE; PRAGMA %1.synchronous=OFF;")
                              .arg(QLatin1String(Schema)));
        if (m_changes == Changes::Followed)
            installTriggers();
    } catch (const StoreError &) {
        dropTriggers();
        execAll(m_handle, QStringLiteral("DETACH DATABASE %1").arg(QLatin1String(Schema)));
        throw;
    }
    loadDoubtful();
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
    // A change that leaves the indexed text as it was (the recipe window
    // stores every field) costs the index nothing.
    const QString changed = QStringLiteral("old.id IS NOT new.id OR old.\"Nimi\" IS NOT new.\"Nimi\" OR old.\"Aineet\" "
                                           "IS NOT new.\"Aineet\" OR old.\"Kuvaus\" IS NOT new.\"Kuvaus\" OR "
                                           "old.\"Ohje\" IS NOT new.\"Ohje\"");
    // A change rewrites only what it touches: the name's entries and row
    // when the name (or id) changed, else the row's hash alone; and only the
    // words of the changed fields are looked up in the list of words (the
    // others are there since their text was indexed).
    QStringList changedTexts;
    for (const char *column : {"Nimi", "Aineet", "Kuvaus", "Ohje"})
        changedTexts << QStringLiteral("CASE WHEN old.\"%1\" IS new.\"%1\" THEN NULL ELSE %2 END")
                            .arg(QLatin1String(column), textOf(QStringLiteral("new.\"%1\"").arg(QLatin1String(column))));
    const QString update =
        QStringLiteral("INSERT INTO HakuSanat(HakuSanat, rowid, nimi, aineet, kuvaus, ohje) VALUES ('delete', old.id, %1);"
                       "INSERT INTO HakuSanat(rowid, nimi, aineet, kuvaus, ohje) VALUES (new.id, %2);"
                       "UPDATE HakuRivit SET tiiviste = mealdeck_hash(%2) WHERE id = new.id;"
                       "INSERT OR IGNORE INTO HakuLoput(loppu, sana) SELECT j.value, j.value FROM "
                       "json_each(mealdeck_words(%3)) j;")
            .arg(textsOf(QStringLiteral("old")), textsOf(QStringLiteral("new")), changedTexts.join(QStringLiteral(", ")))
        + frontWordsSql(changedTexts.at(0), changedTexts.at(1));
    const QString oldName = textOf(QStringLiteral("old.\"Nimi\""));
    const QString newName = textOf(QStringLiteral("new.\"Nimi\""));
    const QString rename =
        QStringLiteral("INSERT INTO HakuNimet(HakuNimet, rowid, nimi) VALUES ('delete', old.id, %1);"
                       "INSERT INTO HakuNimet(rowid, nimi) VALUES (new.id, %2);"
                       "DELETE FROM HakuRivit WHERE id = old.id;"
                       "INSERT OR REPLACE INTO HakuRivit(id, avain, nimi, tiiviste) VALUES (new.id, mealdeck_fold(%2), "
                       "%2, mealdeck_hash(%3));")
            .arg(oldName, newName, textsOf(QStringLiteral("new")));
    // Every change forgets the recorded state of the recipe file in the
    // index's own transaction: when a crash lets the index's commit through
    // but rolls the recipe file's back, the index does not match the recipe
    // file as it was before.
    const QString unstamped = QStringLiteral("UPDATE HakuTila SET arvo = '' WHERE avain = 'leima' AND arvo <> '';");
    execAll(m_handle,
            QStringLiteral("CREATE TEMP TRIGGER IF NOT EXISTS mealdeck_haku_lisays AFTER INSERT ON %1 BEGIN %8%2 END;"
                           "CREATE TEMP TRIGGER IF NOT EXISTS mealdeck_haku_poisto AFTER DELETE ON %1 BEGIN %8%3 END;"
                           "CREATE TEMP TRIGGER IF NOT EXISTS mealdeck_haku_muutos AFTER UPDATE OF id, \"Nimi\", "
                           "\"Kuvaus\", \"Aineet\", \"Ohje\" ON %1 WHEN %4 BEGIN %8%6 END;"
                           "CREATE TEMP TRIGGER IF NOT EXISTS mealdeck_haku_nimi AFTER UPDATE OF id, \"Nimi\" ON %1 "
                           "WHEN old.id IS NOT new.id OR old.\"Nimi\" IS NOT new.\"Nimi\" BEGIN %7 END;"
                           "%5")
                .arg(table, addEntrySql(QStringLiteral("new")), removeEntrySql(QStringLiteral("old")), changed,
                     wordEndsTriggerSql(), update, rename, unstamped));
}

void RecipeSearch::dropTriggers()
{
    execAll(m_handle, QStringLiteral("DROP TRIGGER IF EXISTS temp.mealdeck_haku_lisays;"
                                     "DROP TRIGGER IF EXISTS temp.mealdeck_haku_poisto;"
                                     "DROP TRIGGER IF EXISTS temp.mealdeck_haku_muutos;"
                                     "DROP TRIGGER IF EXISTS temp.mealdeck_haku_nimi;"
                                     "DROP TRIGGER IF EXISTS temp.mealdeck_haku_sana;"));
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
    if (!m_attached || m_damaged || m_suspended || !sqlite3_get_autocommit(m_handle)
        || recipeDataVersion() != m_dataVersion)
        return;
    const QString now = recipeFileStamp();
    SqlStatement stored(m_handle,
                        QStringLiteral("SELECT arvo FROM %1.HakuTila WHERE avain = 'leima'").arg(QLatin1String(Schema)));
    if (stored.step() && stored.columnText(0) == now)
        return;
    // Durably, with every write of the index before it: the record says
    // that the index matches the recipe file.
    execAll(m_handle, QStringLiteral("PRAGMA %1.synchronous=FULL").arg(QLatin1String(Schema)));
    const auto unsynced = qScopeGuard([this] {
        sqlite3_exec(m_handle, "PRAGMA mealdeck_haku.synchronous=OFF", nullptr, nullptr, nullptr);
    });
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

void RecipeSearch::rebuild(const Progress &progress)
{
    const QString path = m_dataFolder + QLatin1Char('/') + indexFileName();
    const QString building = path + QStringLiteral(".new");
    try {
        follow();
        if (!sqlite3_get_autocommit(m_handle))
            throw StoreError(QStringLiteral("The search index cannot be built while the book is being changed"));
        stopJob();
        dropRecorder();
        detachIndex();
        m_damaged = false;
        if (!buildIndexFile(m_dataFolder, building, progress, nullptr, nullptr)) {
            QFile::remove(building);
            QFile::remove(path);
            throw StoreCancelled();
        }
        swapIn(m_dataFolder, building, path);
    } catch (const StoreCancelled &) {
        throw;
    } catch (const StoreError &) {
        QFile::remove(building);
        throw;
    }
    if (indexState() != IndexState::Current)
        throw StoreError(QStringLiteral("The book changed while the search index was built"));
}

bool RecipeSearch::attachedAndCurrent()
{
    follow();
    return m_attached && !m_damaged
        && identityOf(m_dataFolder + QLatin1Char('/') + indexFileName()) == m_attachedIdentity
        && recipeDataVersion() == m_dataVersion;
}

bool RecipeSearch::startIndexing()
{
    m_background = true;
    if (m_job)
        return true;
    m_failed = false;
    if (attachedAndCurrent() || !sqlite3_get_autocommit(m_handle))
        return false;
    // Changed without it, replaced or set aside: the index waits until it is
    // up to date again.
    detachIndex();
    QString stored;
    const IndexState state = m_damaged ? IndexState::Damaged : checkFile(&stored);
    if (state == IndexState::Current && stored == recipeFileStamp()) {
        attachIndex();
        return false;
    }
    startJob(state != IndexState::Current);
    return true;
}

void RecipeSearch::startJob(bool build)
{
    // The job reads every recipe after this: what was noted before is in
    // what it reads.
    installRecorder();
    execAll(m_handle, QStringLiteral("DELETE FROM temp.mealdeck_haku_kesken"));
    m_jobDataVersion = recipeDataVersion();
    m_trackingLost = false;
    if (build)
        m_damaged = false;
    auto job = std::make_unique<Job>();
    job->build = build;
    Job *work = job.get();
    const QString folder = m_dataFolder;
    job->thread = std::thread([work, folder] { work->run(folder); });
    m_job = std::move(job);
}

void RecipeSearch::stopJob()
{
    if (!m_job)
        return;
    m_job->stop.store(true);
    m_job->thread.join();
    m_job.reset();
}

int RecipeSearch::indexingPercent() const
{
    return m_job ? m_job->percent.load() : -1;
}

bool RecipeSearch::continueIndexing()
{
    if (!m_job)
        return false;
    follow();
    if (!m_job->done.load() || !sqlite3_get_autocommit(m_handle))
        return true;
    m_job->thread.join();
    const std::unique_ptr<Job> job = std::move(m_job);
    try {
        if (!job->error.isEmpty()) {
            if (job->build) {
                failJob(job->error);
                return false;
            }
            // The index file cannot be read: it is built anew.
            if (m_setAsideNotice)
                m_setAsideNotice(QStringLiteral("The search index %1 is damaged (%2). It is built anew; until then "
                                                "Find looks at the recipe names only.")
                                     .arg(QDir::toNativeSeparators(m_dataFolder + QLatin1Char('/') + indexFileName()),
                                          job->error));
            startJob(true);
            return true;
        }
        if (job->tooMany) {
            startJob(true);
            return true;
        }
        SqlStatement note(m_handle, QStringLiteral("INSERT OR IGNORE INTO temp.mealdeck_haku_kesken(id) VALUES (?)"));
        for (qint64 id : job->differing) {
            note.bindInt64(1, id);
            note.run();
            note.reset();
        }
        // Many changed (an import meanwhile): they are taken in on the
        // indexing thread (or the index built anew there), not here.
        SqlStatement noted(m_handle, QStringLiteral("SELECT count(*) FROM temp.mealdeck_haku_kesken"));
        if (noted.step() && noted.columnInt64(0) > TakenInHere) {
            startJob(false);
            return true;
        }
        noted.reset();
        QString stored;
        if (checkFile(&stored) != IndexState::Current) {
            if (job->build) {
                failJob(QStringLiteral("The new index file cannot be read."));
                return false;
            }
            startJob(true);
            return true;
        }
        attachIndex();
        // From here the triggers keep the index in step; what changed
        // before is taken in now.
        if (!catchUp(QStringLiteral("SELECT id FROM temp.mealdeck_haku_kesken"))) {
            detachIndex();
            startJob(true);
            return true;
        }
        if (m_trackingLost || recipeDataVersion() != m_jobDataVersion) {
            // Another program changed recipes meanwhile.
            detachIndex();
            startJob(false);
            return true;
        }
        dropRecorder();
        recordStampIfInStep();
    } catch (const StoreError &e) {
        try {
            detachIndex();
        } catch (const StoreError &) {
        }
        failJob(e.message());
    }
    return false;
}

void RecipeSearch::failJob(const QString &why)
{
    m_failed = true;
    try {
        dropRecorder();
    } catch (const StoreError &) {
    }
    if (m_setAsideNotice)
        m_setAsideNotice(QStringLiteral("The search index %1 could not be brought up to date: %2\nUntil it is, Find "
                                        "looks at the recipe names only; it is tried again the next time Find is "
                                        "opened.")
                             .arg(QDir::toNativeSeparators(m_dataFolder + QLatin1Char('/') + indexFileName()), why));
}

void RecipeSearch::installRecorder()
{
    const QString table = SqlStatement::quoteName(m_recipeSchema) + QStringLiteral(".\"Ohje\"");
    execAll(m_handle,
            QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS mealdeck_haku_kesken(id INTEGER PRIMARY KEY);"
                           "CREATE TEMP TRIGGER IF NOT EXISTS mealdeck_haku_kesken_lisays AFTER INSERT ON %1 BEGIN "
                           "INSERT OR IGNORE INTO mealdeck_haku_kesken(id) VALUES (new.id); END;"
                           "CREATE TEMP TRIGGER IF NOT EXISTS mealdeck_haku_kesken_poisto AFTER DELETE ON %1 BEGIN "
                           "INSERT OR IGNORE INTO mealdeck_haku_kesken(id) VALUES (old.id); END;"
                           "CREATE TEMP TRIGGER IF NOT EXISTS mealdeck_haku_kesken_muutos AFTER UPDATE OF id, \"Nimi\", "
                           "\"Kuvaus\", \"Aineet\", \"Ohje\" ON %1 BEGIN "
                           "INSERT OR IGNORE INTO mealdeck_haku_kesken(id) VALUES (old.id); "
                           "INSERT OR IGNORE INTO mealdeck_haku_kesken(id) VALUES (new.id); END;")
                .arg(table));
}

void RecipeSearch::dropRecorder()
{
    execAll(m_handle, QStringLiteral("DROP TRIGGER IF EXISTS temp.mealdeck_haku_kesken_lisays;"
                                     "DROP TRIGGER IF EXISTS temp.mealdeck_haku_kesken_poisto;"
                                     "DROP TRIGGER IF EXISTS temp.mealdeck_haku_kesken_muutos;"
                                     "DROP TABLE IF EXISTS temp.mealdeck_haku_kesken;"));
}

RecipeSearch::Result RecipeSearch::findByName(const QVector<SearchText::Term> &terms, int limit, bool withExcerpts)
{
    Result result;
    result.namesOnly = true;
    result.indexingPercent = indexingPercent();
    if (terms.isEmpty())
        return result;
    // The longest word of the terms narrows the walk through the names;
    // each name found is then tested against every term as the index would.
    QString longest;
    for (const SearchText::Term &term : terms) {
        for (const QString &word : term.folded.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (word.size() > longest.size())
                longest = word;
        }
    }
    QString pattern = longest;
    pattern.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('%'), QStringLiteral("\\%"))
        .replace(QLatin1Char('_'), QStringLiteral("\\_"));
    SqlStatement walk(m_handle, QStringLiteral("SELECT id, \"Nimi\" FROM %1.\"Ohje\" WHERE mealdeck_fold(\"Nimi\") "
                                               "LIKE ?1 ESCAPE '\\' ORDER BY \"Nimi\"")
                                    .arg(SqlStatement::quoteName(m_recipeSchema)));
    walk.bindText(1, QLatin1Char('%') + pattern + QLatin1Char('%'));
    // Names in the order of their text; sorted as the index sorts them
    // below. Beyond this many the count says "more than".
    const int cap = limit < 0 ? std::numeric_limits<int>::max() : std::max(limit, 1000);
    struct Named
    {
        QString key;
        QString name;
        qint64 id;
    };
    QVector<Named> found;
    while (walk.step()) {
        const QString name = walk.columnText(1);
        if (!std::all_of(terms.cbegin(), terms.cend(),
                         [&](const SearchText::Term &term) { return SearchText::contains(name, term); }))
            continue;
        if (found.size() >= cap) {
            result.moreThanTotal = true;
            break;
        }
        found.append({SearchText::fold(name), name, walk.columnInt64(0)});
    }
    std::sort(found.begin(), found.end(), [](const Named &a, const Named &b) {
        if (a.key != b.key)
            return a.key < b.key;
        if (a.name != b.name)
            return a.name < b.name;
        return a.id < b.id;
    });
    result.total = int(found.size());
    QVector<qint64> order;
    for (const Named &named : found) {
        if (limit >= 0 && order.size() >= limit)
            break;
        order.append(named.id);
    }
    fillHits(result, order, terms, withExcerpts);
    return result;
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
        SqlStatement lookup(m_handle, QStringLiteral("SELECT avain, nimi FROM %1.HakuRivit WHERE id = ?")
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
                      QStringLiteral("SELECT id FROM %1.HakuRivit INDEXED BY HakuJarjestys ORDER BY avain, nimi")
                          .arg(QLatin1String(Schema)));
    while ((need < 0 || ordered.size() < need) && walk.step()) {
        const qint64 id = walk.columnInt64(0);
        if (std::binary_search(ids.cbegin(), ids.cend(), id))
            ordered.append(id);
    }
    return ordered;
}

QString RecipeSearch::matchQuery(const QVector<SearchText::Term> &terms, int *partWords)
{
    *partWords = 0;
    SqlStatement words(m_handle, QStringLiteral("SELECT DISTINCT sana FROM %1.HakuLoput WHERE loppu >= ?1 AND loppu < ?2")
                                     .arg(QLatin1String(Schema)));
    QStringList all;
    for (const SearchText::Term &term : terms) {
        if (term.kind == SearchText::Term::Kind::Prefix) {
            all << quoted(term.words.first()) + QLatin1Char('*');
        } else if (term.kind == SearchText::Term::Kind::Phrase) {
            all << quoted(term.words.join(QLatin1Char(' ')));
        } else {
            // The words that hold the part: those with an end that begins
            // with it.
            bindPart(words, term);
            QStringList holding;
            while (words.step())
                holding << quoted(words.columnText(0));
            words.reset();
            *partWords += int(holding.size());
            if (holding.isEmpty())
                return QString();
            all << (holding.size() == 1 ? holding.first()
                                        : QLatin1Char('(') + holding.join(QStringLiteral(" OR ")) + QLatin1Char(')'));
        }
    }
    return all.join(QStringLiteral(" AND "));
}

// The recipes that match the terms in some columns: read in full (`exact`),
// or, when there are many, the first of them and each other one tested on
// its own.
struct RecipeSearch::Level
{
    // Matches of this level have this rank or a better one.
    int rank = 3;
    const QVector<SearchText::Term> *terms = nullptr;
    // The word index asked: the names' own for the name level.
    QString table = QStringLiteral("HakuSanat");
    QString query;
    bool exact = false;
    QVector<qint64> ids;
    std::unique_ptr<SqlStatement> test;
};

int RecipeSearch::rankOf(qint64 id, const QVector<SearchText::Term> &terms)
{
    const auto known = m_ranks.constFind(id);
    if (known != m_ranks.cend())
        return *known;
    SqlStatement row(m_handle, QStringLiteral("SELECT \"Nimi\", \"Aineet\", \"Kuvaus\", \"Ohje\" FROM %1.\"Ohje\" WHERE id = ?")
                                   .arg(SqlStatement::quoteName(m_recipeSchema)));
    row.bindInt64(1, id);
    int rank = 4;
    if (row.step()) {
        rank = 1;
        for (const SearchText::Term &term : terms) {
            int found = 4;
            for (int column = 3; column >= 0; --column) {
                if (SearchText::contains(row.columnText(column), term))
                    found = std::min(column + 1, 3);
            }
            rank = std::max(rank, found);
        }
    }
    m_ranks.insert(id, rank);
    return rank;
}

void RecipeSearch::readLevel(Level &level, int cap)
{
    SqlStatement select(m_handle, QStringLiteral("SELECT rowid FROM %1.%2 WHERE %2 MATCH ?%3")
                                      .arg(QLatin1String(Schema), level.table,
                                           cap < 0 ? QString() : QStringLiteral(" LIMIT %1").arg(cap + 1)));
    select.bindText(1, level.query);
    level.ids.clear();
    while (select.step())
        level.ids.append(select.columnInt64(0));
    level.exact = cap < 0 || level.ids.size() <= cap;
    if (!m_doubtful.isEmpty())
        level.ids.erase(std::remove_if(level.ids.begin(), level.ids.end(),
                                       [&](qint64 id) {
                                           return m_doubtful.contains(id) && rankOf(id, *level.terms) > level.rank;
                                       }),
                        level.ids.end());
}

void RecipeSearch::readLevelForWalk(Level &level, int cap, int need)
{
    // The walk tests names in their order, which the ids do not follow: the
    // share of the first ids that match is about the share of names that
    // will, and so tells how many tests the walk needs for its hits. Where
    // it meets them soon, reading more of the level is left out.
    const int walkBudget = WalkTests / 8;
    const int probe = std::max(need * 2, cap / 16);
    if (need > 0 && need <= walkBudget && probe < cap) {
        readLevel(level, probe);
        if (level.exact || level.ids.isEmpty())
            return;
        const qint64 spread = level.ids.last();
        if (qint64(need) * spread <= qint64(walkBudget) * level.ids.size())
            return;
    }
    readLevel(level, cap);
}

bool RecipeSearch::inLevel(Level &level, qint64 id)
{
    if (m_doubtful.contains(id))
        return rankOf(id, *level.terms) <= level.rank;
    if (level.exact)
        return std::binary_search(level.ids.cbegin(), level.ids.cend(), id);
    if (!level.test)
        level.test = std::make_unique<SqlStatement>(
            m_handle, QStringLiteral("SELECT 1 FROM %1.%2 WHERE %2 MATCH ? AND rowid = ?")
                          .arg(QLatin1String(Schema), level.table));
    SqlStatement &test = *level.test;
    test.bindText(1, level.query);
    test.bindInt64(2, id);
    const bool found = test.step();
    test.reset();
    return found;
}

bool RecipeSearch::firstByName(const QVector<SearchText::Term> &terms, int need, QVector<qint64> *order)
{
    SqlStatement walk(m_handle,
                      QStringLiteral("SELECT id, nimi FROM %1.HakuRivit INDEXED BY HakuJarjestys ORDER BY avain, nimi")
                          .arg(QLatin1String(Schema)));
    for (int tested = 0; order->size() < need && tested < NameTests && walk.step(); ++tested) {
        const QString name = walk.columnText(1);
        if (std::all_of(terms.cbegin(), terms.cend(),
                        [&](const SearchText::Term &term) { return SearchText::contains(name, term); }))
            order->append(walk.columnInt64(0));
    }
    return order->size() >= need;
}

bool RecipeSearch::walkLevel(Level *levels, int rank, int need, QVector<qint64> *order)
{
    SqlStatement walk(m_handle,
                      QStringLiteral("SELECT id FROM %1.HakuRivit INDEXED BY HakuJarjestys ORDER BY avain, nimi")
                          .arg(QLatin1String(Schema)));
    const int start = int(order->size());
    int tests = 0;
    while (int(order->size()) - start < need && walk.step()) {
        const qint64 id = walk.columnInt64(0);
        tests += (levels[rank].exact ? 0 : 1) + (rank > 0 && !levels[rank - 1].exact ? 1 : 0);
        if (tests > WalkTests) {
            order->resize(start);
            return false;
        }
        if (inLevel(levels[rank], id) && (rank == 0 || !inLevel(levels[rank - 1], id)))
            order->append(id);
    }
    return true;
}

void RecipeSearch::fillHit(Hit &hit, SqlStatement &row, SqlStatement *group, const QVector<SearchText::Term> &terms,
                           bool withExcerpts)
{
    row.bindInt64(1, hit.id);
    const auto done = qScopeGuard([&] {
        row.reset();
        if (group)
            group->reset();
    });
    if (!row.step())
        return;
    hit.name = row.columnText(0);
    hit.subgroup = row.columnText(1);
    if (group) {
        group->bindText(1, hit.subgroup);
        if (group->step())
            hit.mainGroup = group->columnText(0);
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
    // Prepared once for all hits; the texts are read only for excerpts.
    SqlStatement row(m_handle, QStringLiteral("SELECT \"Nimi\", \"Ryhma\"%2 FROM %1.\"Ohje\" WHERE id = ?")
                                   .arg(SqlStatement::quoteName(m_recipeSchema),
                                        withExcerpts ? QStringLiteral(", \"Aineet\", \"Kuvaus\", \"Ohje\"") : QString()));
    std::unique_ptr<SqlStatement> group;
    if (!m_subgroupSchema.isEmpty())
        group = std::make_unique<SqlStatement>(
            m_handle, QStringLiteral("SELECT \"Ryhma\" FROM %1.\"Alaryhma\" WHERE \"Nimi\" = ? LIMIT 1")
                          .arg(SqlStatement::quoteName(m_subgroupSchema)));
    for (qint64 id : order) {
        Hit hit;
        hit.id = id;
        fillHit(hit, row, group.get(), terms, withExcerpts);
        result.hits.append(hit);
    }
}

RecipeSearch::Result RecipeSearch::find(const QString &text, int limit, bool withExcerpts, Counting counting)
{
    Result result;
    const QVector<SearchText::Term> terms = SearchText::parse(text);
    try {
        // In the background: what changed without the index is taken in by
        // the indexing thread, and the names answer meanwhile.
        if (m_background && !m_job && !m_failed && !attachedAndCurrent())
            startIndexing();
        if (m_job || (m_background && !m_attached))
            return findByName(terms, limit, withExcerpts);
        if (indexState() != IndexState::Current) {
            result.needsRebuild = true;
            return result;
        }
        if (terms.isEmpty())
            return result;
        recordStampIfInStep();
        // One read transaction for the whole search: each statement on its
        // own would lock and unlock every attached file.
        ReadTransaction reading(m_handle);
        int partWords = 0;
        const QString query = matchQuery(terms, &partWords);
        if (query.isEmpty())
            return result;
        // Every hit in the names, and more beyond them: the first hits are
        // found, and nothing is counted.
        if (partWords > ManyPartWords && limit >= 0 && counting == Counting::HitsOnly) {
            QVector<qint64> order;
            if (firstByName(terms, limit + 1, &order)) {
                order.resize(limit);
                result.total = limit;
                result.moreThanTotal = true;
                fillHits(result, order, terms, withExcerpts);
                return result;
            }
        }
        // By rank: all words in the name, in name or ingredients, anywhere.
        m_ranks.clear();
        Level levels[3];
        for (int rank = 0; rank < 3; ++rank) {
            levels[rank].rank = rank + 1;
            levels[rank].terms = &terms;
        }
        levels[0].table = QStringLiteral("HakuNimet");
        levels[0].query = query;
        levels[1].query = QStringLiteral("{nimi aineet} : (%1)").arg(query);
        // Known empty: read as such.
        levels[1].exact = !mayMatchNameOrIngredients(m_handle, terms);
        levels[2].query = query;
        // Above an eighth of the book a walk through the names meets the
        // first hits within a few hundred tests.
        int cap = -1;
        if (limit >= 0) {
            SqlStatement last(m_handle, QStringLiteral("SELECT max(id) FROM %1.HakuRivit").arg(QLatin1String(Schema)));
            const qint64 recipes = last.step() ? last.columnInt64(0) : 0;
            cap = int(std::max<qint64>(limit, std::clamp<qint64>(recipes / 8, 200, FewMatches)));
        }
        // Without a count, the first read only tells whether more than the
        // hits match.
        const int countCap = counting == Counting::HitsOnly && limit >= 0 ? limit : cap;
        readLevel(levels[2], countCap);
        result.total = int(levels[2].ids.size());
        result.moreThanTotal = !levels[2].exact;
        if (!levels[2].exact)
            result.total = countCap;
        if (result.total == 0)
            return result;
        QVector<qint64> order;
        for (int rank = 0; rank < 3 && (limit < 0 || order.size() < limit); ++rank) {
            const int need = limit < 0 ? -1 : limit - int(order.size());
            if (!levels[rank].exact && (rank < 2 || countCap != cap))
                readLevelForWalk(levels[rank], cap, need);
            if (!levels[rank].exact) {
                if (walkLevel(levels, rank, need, &order))
                    continue;
                readLevel(levels[rank], -1);
            }
            QVector<qint64> ids = levels[rank].ids;
            if (ids.isEmpty())
                continue;
            if (rank > 0) {
                if (!levels[rank - 1].exact)
                    readLevel(levels[rank - 1], -1);
                QVector<qint64> rest;
                const QVector<qint64> &better = levels[rank - 1].ids;
                std::set_difference(ids.cbegin(), ids.cend(), better.cbegin(), better.cend(),
                                    std::back_inserter(rest));
                ids = rest;
            }
            order += orderedByName(ids, need);
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

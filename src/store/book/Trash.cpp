#include "store/book/Trash.h"

#include "store/book/Menu.h"
#include "store/table/PictureFiles.h"
#include "store/table/PicturePaths.h"
#include "store/table/ProgramError.h"
#include "store/table/RecipeSchema.h"
#include "store/table/SqlStatement.h"
#include "store/table/StoreConnection.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <limits>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace RecipeBook {

namespace {

// "MDTR" in the trash file's application id field.
constexpr int TrashApplicationId = 0x4D445452;

// Names found in no table file of the book, so that they never meet the
// book's own tables when a name is resolved through the attached files.
const QString Entries = QStringLiteral("RoskaPoistot");
const char *const TableNames[] = {"Paaryhma", "Alaryhma", "Ohje"};

QString trashTable(int table)
{
    return QStringLiteral("Roska") + QLatin1String(TableNames[table]);
}

QString kindText(Trash::Kind kind)
{
    switch (kind) {
    case Trash::Kind::MainGroup:
        return QStringLiteral("Paaryhma");
    case Trash::Kind::Subgroup:
        return QStringLiteral("Alaryhma");
    case Trash::Kind::Recipe:
        break;
    }
    return QStringLiteral("Ohje");
}

Trash::Kind kindOf(const QString &text)
{
    if (text == QLatin1String("Paaryhma"))
        return Trash::Kind::MainGroup;
    if (text == QLatin1String("Alaryhma"))
        return Trash::Kind::Subgroup;
    return Trash::Kind::Recipe;
}

QStringList fieldNames(int table)
{
    QStringList names;
    for (const RecipeSchema::Field &f : RecipeSchema::fields(QLatin1String(TableNames[table])))
        names << SqlStatement::quoteName(f.name);
    return names;
}

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

using PictureFiles::syncFolder;

struct FileId
{
    dev_t device = 0;
    ino_t inode = 0;
    nlink_t links = 0;
    bool exists = false;
};

FileId fileId(const QString &path)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0 || S_ISDIR(info.st_mode))
        return {};
    return {info.st_dev, info.st_ino, info.st_nlink, true};
}

// The names in a folder: its subfolders, or everything else (links are not
// followed).
QStringList namesIn(const QString &folder, bool subfolders)
{
    QStringList names;
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return names;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        struct stat info {};
        if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0
            && S_ISDIR(info.st_mode) == subfolders)
            names << QFile::decodeName(name);
    }
    ::closedir(dir);
    return names;
}

// Removes a picture folder of the trash: its files, then the folder. Links
// are removed, never followed.
int removeFolder(const QString &folder)
{
    int removed = 0;
    for (const QString &name : namesIn(folder, false)) {
        if (::unlink(QFile::encodeName(folder + QLatin1Char('/') + name).constData()) == 0)
            ++removed;
    }
    if (::rmdir(QFile::encodeName(folder).constData()) == 0)
        ++removed;
    return removed;
}

bool makeFolder(const QString &folder)
{
    return ::mkdir(QFile::encodeName(folder).constData(), 0755) == 0 || errno == EEXIST;
}

// Puts a second name on the picture `from`: a hard link, or a copy where the
// file system has no links. False with `reason` when neither works.
bool linkPicture(const QString &from, const QString &to, QString *reason)
{
    if (::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    const int error = errno;
    if (error != EXDEV && error != EPERM && error != EMLINK && error != EOPNOTSUPP) {
        *reason = systemReason(error);
        return false;
    }
    return PictureFiles::copyPicture(from, to, reason);
}

// Creates an empty trash file: made under another name and renamed into
// place, so that a crash never leaves half a trash file.
void createTrashFile(const QString &path)
{
    const QString temporary = QFileInfo(path).absolutePath() + QStringLiteral("/.Roskakori.db.new");
    QFile::remove(temporary);
    QFile::remove(temporary + QStringLiteral("-journal"));
    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(temporary).constData(), &db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXRESCODE, nullptr);
    QString why;
    if (rc != SQLITE_OK) {
        why = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    } else {
        try {
            SqlStatement::exec(db, QStringLiteral("PRAGMA journal_mode=DELETE"));
            SqlStatement::exec(db, QStringLiteral("PRAGMA synchronous=FULL"));
            SqlStatement::exec(db, QStringLiteral("BEGIN"));
            SqlStatement::exec(db, QStringLiteral("PRAGMA application_id=%1").arg(TrashApplicationId));
            SqlStatement::exec(db, QStringLiteral("PRAGMA user_version=1"));
            SqlStatement::exec(db, QStringLiteral("CREATE TABLE %1 (id INTEGER PRIMARY KEY, Laji TEXT NOT NULL, "
                                                  "Nimi TEXT, Paaryhma TEXT, Alaryhma TEXT, Poistettu INTEGER)")
                                       .arg(Entries));
            for (int table = 0; table < 3; ++table) {
                QStringList columns{QStringLiteral("Poisto INTEGER NOT NULL"), QStringLiteral("id INTEGER")};
                for (const RecipeSchema::Field &f : RecipeSchema::fields(QLatin1String(TableNames[table])))
                    columns << SqlStatement::quoteName(f.name) + QLatin1Char(' ') + f.type;
                SqlStatement::exec(db, QStringLiteral("CREATE TABLE %1 (%2)")
                                           .arg(trashTable(table), columns.join(QStringLiteral(", "))));
                SqlStatement::exec(db, QStringLiteral("CREATE INDEX %1_Poisto ON %1 (Poisto)").arg(trashTable(table)));
            }
            SqlStatement::exec(db, QStringLiteral("COMMIT"));
        } catch (const StoreError &e) {
            why = e.message();
        }
    }
    if (sqlite3_close_v2(db) != SQLITE_OK && why.isEmpty())
        why = QStringLiteral("close failed");
    if (why.isEmpty() && !QFile::rename(temporary, path))
        why = QStringLiteral("cannot rename %1").arg(temporary);
    if (!why.isEmpty()) {
        QFile::remove(temporary);
        QFile::remove(temporary + QStringLiteral("-journal"));
        throw StoreError(QStringLiteral("The trash %1 cannot be created: %2").arg(path, why));
    }
    syncFolder(QFileInfo(path).absolutePath());
}

Trash::NoticeHandler &noticeHandler()
{
    static Trash::NoticeHandler handler;
    return handler;
}

// True when `file` is not empty and does not start as an SQLite database does.
bool notADatabase(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(16);
    return !head.isEmpty() && head != QByteArray("SQLite format 3\0", 16);
}

// A transaction over the book's connection; rolled back unless committed.
class Scope
{
public:
    explicit Scope(StoreConnection &connection)
        : m_connection(connection)
    {
        m_connection.beginScope();
    }
    ~Scope()
    {
        if (!m_done) {
            try {
                m_connection.endScope(false);
            } catch (...) {
            }
        }
    }
    Scope(const Scope &) = delete;
    Scope &operator=(const Scope &) = delete;
    void commit()
    {
        m_done = true;
        m_connection.endScope(true);
    }

private:
    StoreConnection &m_connection;
    bool m_done = false;
};

QString q(const QString &name)
{
    return SqlStatement::quoteName(name);
}

} // namespace

// ---- The trash ------------------------------------------------------------------

QString Trash::fileName(const QString &dataFolder)
{
    return dataFolder + QStringLiteral("/Roskakori.db");
}

QString Trash::pictureFolder(const QString &picsFolder)
{
    return picsFolder + QStringLiteral("Roskakori/");
}

Trash::Trash(const QString &dataFolder, const QString &picsFolder)
    : m_dataFolder(dataFolder)
    , m_picsFolder(picsFolder)
{
    const QString first = dataFolder + QStringLiteral("/Paaryhma.db");
    if (!QFileInfo(first).isFile())
        throw StoreError(QStringLiteral("Table Paaryhma: file %1 not found").arg(first));
    m_connection = StoreConnection::acquire(dataFolder, first);
    const QString file = fileName(dataFolder);
    if (!QFileInfo::exists(file))
        createTrashFile(file);
    try {
        m_schema = m_connection->attach(file);
        m_connection->release(m_schema);
    } catch (const StoreError &) {
        // A file that is not a database at all; any other failure stands.
        if (!notADatabase(file))
            throw;
    }
    if (m_schema.isEmpty() || !isTrash()) {
        setForeignFileAside(file);
        createTrashFile(file);
        m_schema = m_connection->attach(file);
        m_connection->release(m_schema);
    }
    for (const char *table : TableNames) {
        const QString path = dataFolder + QLatin1Char('/') + QLatin1String(table) + QStringLiteral(".db");
        const QString schema = m_connection->attach(path);
        m_connection->release(schema);
    }
}

Trash::~Trash() = default;

void Trash::setNoticeHandler(NoticeHandler handler)
{
    noticeHandler() = std::move(handler);
}

bool Trash::isTrash() const
{
    SqlStatement id(m_connection->handle(), QStringLiteral("PRAGMA %1.application_id").arg(q(m_schema)));
    return id.step() && id.columnInt64(0) == TrashApplicationId;
}

// Moves a file that stands where the trash belongs (with its journal, which
// must never be played into the new trash) to a dated name beside it.
void Trash::setForeignFileAside(const QString &file)
{
    if (!m_schema.isEmpty() && !m_connection->detach(file))
        throw StoreError(QStringLiteral("%1 is not the trash of a recipe book").arg(file));
    m_schema.clear();
    const QString stem = m_dataFolder + QStringLiteral("/Roskakori-not-a-trash-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
    QString aside = stem + QStringLiteral(".db");
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo::exists(aside + QStringLiteral("-journal")); ++n)
        aside = stem + QStringLiteral("-%1.db").arg(n);
    const QString journal = file + QStringLiteral("-journal");
    if (QFileInfo::exists(journal)
        && ::rename(QFile::encodeName(journal).constData(),
                    QFile::encodeName(aside + QStringLiteral("-journal")).constData())
            != 0)
        throw StoreError(QStringLiteral("%1 is not the trash of a recipe book, and it cannot be moved aside: %2")
                             .arg(file, systemReason(errno)));
    if (::rename(QFile::encodeName(file).constData(), QFile::encodeName(aside).constData()) != 0)
        throw StoreError(QStringLiteral("%1 is not the trash of a recipe book, and it cannot be moved aside: %2")
                             .arg(file, systemReason(errno)));
    syncFolder(m_dataFolder);
    const QString text = QStringLiteral("The file %1 was not the trash of this recipe book. It is kept as %2, "
                                        "and a new, empty trash was started.")
                             .arg(file, aside);
    if (noticeHandler())
        noticeHandler()(text);
    else
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

namespace {

// The schema of a table file of the book (attached when the trash opened).
QString tableSchema(StoreConnection &connection, const QString &dataFolder, int table)
{
    const QString schema =
        connection.attach(dataFolder + QLatin1Char('/') + QLatin1String(TableNames[table]) + QStringLiteral(".db"));
    connection.release(schema);
    return q(schema) + QLatin1Char('.') + QLatin1String(TableNames[table]);
}

Trash::Entry readEntry(const SqlStatement &row)
{
    Trash::Entry entry;
    entry.id = row.columnInt64(0);
    entry.kind = kindOf(row.columnText(1));
    entry.name = row.columnText(2);
    entry.mainGroup = row.columnText(3);
    entry.subgroup = row.columnText(4);
    entry.deleted = QDateTime::fromMSecsSinceEpoch(row.columnInt64(5));
    entry.subgroups = int(row.columnInt64(6));
    entry.recipes = int(row.columnInt64(7));
    return entry;
}

QString entrySelect(const QString &trash)
{
    return QStringLiteral("SELECT e.id, e.Laji, e.Nimi, e.Paaryhma, e.Alaryhma, e.Poistettu, "
                          "(SELECT count(*) FROM %1.RoskaAlaryhma WHERE Poisto = e.id), "
                          "(SELECT count(*) FROM %1.RoskaOhje WHERE Poisto = e.id) FROM %1.RoskaPoistot e ")
        .arg(trash);
}

} // namespace

QVector<Trash::Entry> Trash::entries() const
{
    QVector<Entry> list;
    SqlStatement select(m_connection->handle(), entrySelect(q(m_schema)) + QStringLiteral("ORDER BY e.id DESC"));
    while (select.step())
        list << readEntry(select);
    return list;
}

std::optional<Trash::Entry> Trash::newest() const
{
    SqlStatement select(m_connection->handle(),
                        entrySelect(q(m_schema)) + QStringLiteral("ORDER BY e.id DESC LIMIT 1"));
    if (select.step())
        return readEntry(select);
    return std::nullopt;
}

std::optional<Trash::Entry> Trash::findByName(const QString &name) const
{
    SqlStatement select(m_connection->handle(),
                        entrySelect(q(m_schema)) + QStringLiteral("WHERE e.Nimi = ? ORDER BY e.id DESC LIMIT 1"));
    select.bindText(1, name);
    if (select.step())
        return readEntry(select);
    return std::nullopt;
}

void Trash::removeEntryFolder(qint64 id) const
{
    const QString folder = pictureFolder(m_picsFolder) + QString::number(id);
    if (QFileInfo(folder).isDir())
        removeFolder(folder);
}

namespace {

// The work of one restore, inside its transaction.
class Restoring
{
public:
    Restoring(sqlite3 *db, const QString &trash, const QString (&tables)[3], qint64 entry)
        : m_db(db)
        , m_trash(trash)
        , m_tables(tables)
        , m_entry(entry)
    {
    }

    struct Row
    {
        qint64 id = 0;
        QString name;
        QString group;
    };

    QVector<Row> rows(int table) const
    {
        QVector<Row> list;
        const QString ryhma = table == 0 ? QStringLiteral("NULL") : QStringLiteral("Ryhma");
        SqlStatement select(m_db, QStringLiteral("SELECT id, Nimi, %1 FROM %2.%3 WHERE Poisto = ? ORDER BY rowid")
                                      .arg(ryhma, m_trash, trashTable(table)));
        select.bindInt64(1, m_entry);
        while (select.step())
            list << Row{select.columnInt64(0), select.columnText(1), select.columnText(2)};
        return list;
    }

    bool stored(int table, const QString &name) const
    {
        SqlStatement find(m_db, QStringLiteral("SELECT 1 FROM %1 WHERE Nimi = ? LIMIT 1").arg(m_tables[table]));
        find.bindText(1, name);
        return find.step();
    }
    bool groupTaken(const QString &name) const { return stored(0, name) || stored(1, name); }
    bool recipeTaken(const QString &name) const { return stored(2, name); }

    // The name, or with " (2)", " (3)" ... the first one not taken.
    template<typename Taken>
    QString freeName(const QString &name, Taken taken)
    {
        if (!taken(name))
            return name;
        for (int n = 2;; ++n) {
            const QString candidate = QStringLiteral("%1 (%2)").arg(name).arg(n);
            if (!taken(candidate)) {
                renamed << QStringLiteral("\"%1\" is now \"%2\"").arg(name, candidate);
                return candidate;
            }
        }
    }

    // Puts a row of the trash back into its table under `name` (and `group`),
    // with its old row id when that is still free, so it takes its old place
    // in the list.
    qint64 putBack(int table, const Row &row, const QString &name, const QString &group)
    {
        SqlStatement taken(m_db, QStringLiteral("SELECT 1 FROM %1 WHERE id = ?").arg(m_tables[table]));
        taken.bindInt64(1, row.id);
        const bool idTaken = taken.step();
        QStringList fields = fieldNames(table);
        QStringList values = fields;
        values[0] = QStringLiteral("?2");
        if (table > 0)
            values[1] = QStringLiteral("?3");
        SqlStatement insert(m_db, QStringLiteral("INSERT INTO %1 (id, %2) SELECT ?1, %3 FROM %4.%5 "
                                                 "WHERE Poisto = ?4 AND id = ?5")
                                      .arg(m_tables[table], fields.join(QStringLiteral(", ")),
                                           values.join(QStringLiteral(", ")), m_trash, trashTable(table)));
        if (idTaken)
            insert.bindNull(1);
        else
            insert.bindInt64(1, row.id);
        insert.bindText(2, name);
        if (table > 0)
            insert.bindText(3, group);
        insert.bindInt64(4, m_entry);
        insert.bindInt64(5, row.id);
        insert.run();
        return sqlite3_last_insert_rowid(m_db);
    }

    // The main group `name` as it is now in the book, made anew when gone.
    QString mainGroup(const QString &name)
    {
        const QString wanted = name.isEmpty() ? QStringLiteral("Restored") : name;
        if (stored(0, wanted))
            return wanted;
        const QString fresh = freeName(wanted, [this](const QString &n) { return groupTaken(n); });
        SqlStatement insert(m_db, QStringLiteral("INSERT INTO %1 (Nimi) VALUES (?)").arg(m_tables[0]));
        insert.bindText(1, fresh);
        insert.run();
        return fresh;
    }

    QString mainGroupOfSubgroup(const QString &subgroup) const
    {
        SqlStatement find(m_db, QStringLiteral("SELECT Ryhma FROM %1 WHERE Nimi = ? LIMIT 1").arg(m_tables[1]));
        find.bindText(1, subgroup);
        return find.step() ? find.columnText(0) : QString();
    }

    QStringList renamed;

private:
    sqlite3 *m_db;
    QString m_trash;
    const QString (&m_tables)[3];
    qint64 m_entry;
};

} // namespace

Trash::Restored Trash::restore(qint64 id)
{
    sqlite3 *db = m_connection->handle();
    const QString trash = q(m_schema);
    QString tables[3];
    for (int table = 0; table < 3; ++table)
        tables[table] = tableSchema(*m_connection, m_dataFolder, table);
    const QString folder = pictureFolder(m_picsFolder) + QString::number(id) + QLatin1Char('/');

    Restored done;
    QStringList placed; // pictures put into Pics, removed again when the commit fails
    QHash<qint64, qint64> restoredIds; // recipes' old ids to the ids they have now
    try {
        Scope scope(*m_connection);
        SqlStatement select(db, entrySelect(trash) + QStringLiteral("WHERE e.id = ?"));
        select.bindInt64(1, id);
        if (!select.step())
            throw StoreError(QStringLiteral("The deletion is no longer in the trash"));
        const Entry entry = readEntry(select);
        done.kind = entry.kind;

        Restoring work(db, trash, tables, id);
        auto groupTaken = [&work](const QString &n) { return work.groupTaken(n); };
        auto recipeTaken = [&work](const QString &n) { return work.recipeTaken(n); };
        QHash<QString, QString> subgroupNames; // old name -> name now
        const QVector<Restoring::Row> mains = work.rows(0);
        const QVector<Restoring::Row> subs = work.rows(1);
        const QVector<Restoring::Row> recipes = work.rows(2);

        if (entry.kind == Kind::MainGroup) {
            if (mains.isEmpty())
                throw StoreError(QStringLiteral("The trash holds no rows for \"%1\"").arg(entry.name));
            done.mainGroup = work.freeName(mains.first().name, groupTaken);
            work.putBack(0, mains.first(), done.mainGroup, QString());
        } else if (entry.kind == Kind::Subgroup) {
            if (subs.isEmpty())
                throw StoreError(QStringLiteral("The trash holds no rows for \"%1\"").arg(entry.name));
            done.mainGroup = work.mainGroup(subs.first().group);
        }
        for (const Restoring::Row &sub : subs) {
            const QString name = work.freeName(sub.name, groupTaken);
            work.putBack(1, sub, name, done.mainGroup);
            subgroupNames.insert(sub.name, name);
            if (done.subgroup.isEmpty())
                done.subgroup = name;
        }
        if (entry.kind == Kind::Recipe) {
            if (recipes.isEmpty())
                throw StoreError(QStringLiteral("The trash holds no rows for \"%1\"").arg(entry.name));
            const QString subgroup = recipes.first().group;
            if (work.stored(1, subgroup)) {
                done.subgroup = subgroup;
                done.mainGroup = work.mainGroupOfSubgroup(subgroup);
            } else {
                done.mainGroup = work.mainGroup(entry.mainGroup);
                done.subgroup = work.freeName(subgroup, groupTaken);
                SqlStatement insert(db, QStringLiteral("INSERT INTO %1 (Nimi, Ryhma) VALUES (?, ?)").arg(tables[1]));
                insert.bindText(1, done.subgroup);
                insert.bindText(2, done.mainGroup);
                insert.run();
            }
            subgroupNames.insert(subgroup, done.subgroup);
        }
        for (const Restoring::Row &recipe : recipes) {
            const QString name = work.freeName(recipe.name, recipeTaken);
            restoredIds.insert(recipe.id, work.putBack(2, recipe, name, subgroupNames.value(recipe.group, recipe.group)));
            if (done.recipe.isEmpty())
                done.recipe = name;
            ++done.recipes;
            // The picture goes back under the name the recipe has now. A
            // file of that name belongs to no recipe (the name was free).
            const QString from = folder + PicturePaths::pictureFileName(recipe.name);
            if (!fileId(from).exists)
                continue;
            const QString to = m_picsFolder + PicturePaths::pictureFileName(name);
            if (fileId(to).exists)
                ::unlink(QFile::encodeName(to).constData());
            QString why;
            if (!linkPicture(from, to, &why))
                throw StoreError(QStringLiteral("The picture of \"%1\" cannot be put back: %2").arg(name, why));
            placed << to;
        }
        if (!placed.isEmpty())
            syncFolder(m_picsFolder);
        if (entry.kind != Kind::Recipe)
            done.recipe.clear();
        removeEntryRows(id);
        done.renamed = work.renamed;
        scope.commit();
    } catch (...) {
        for (const QString &path : placed)
            ::unlink(QFile::encodeName(path).constData());
        throw;
    }
    // The pictures are in Pics now; the trash copies go.
    removeEntryFolder(id);
    // The week menu has its recipes back; the restore stands without that.
    try {
        Menu::markRestored(m_dataFolder, restoredIds);
    } catch (const StoreError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
    }
    return done;
}

void Trash::removeEntryRows(qint64 id)
{
    sqlite3 *db = m_connection->handle();
    const QString trash = q(m_schema);
    for (int table = 0; table < 3; ++table) {
        SqlStatement remove(db, QStringLiteral("DELETE FROM %1.%2 WHERE Poisto = ?").arg(trash, trashTable(table)));
        remove.bindInt64(1, id);
        remove.run();
    }
    SqlStatement remove(db, QStringLiteral("DELETE FROM %1.%2 WHERE id = ?").arg(trash, Entries));
    remove.bindInt64(1, id);
    remove.run();
}

void Trash::destroy(qint64 id)
{
    {
        Scope scope(*m_connection);
        removeEntryRows(id);
        scope.commit();
    }
    removeEntryFolder(id);
}

void Trash::empty()
{
    sqlite3 *db = m_connection->handle();
    const QString trash = q(m_schema);
    {
        Scope scope(*m_connection);
        for (int table = 0; table < 3; ++table)
            SqlStatement::exec(db, QStringLiteral("DELETE FROM %1.%2").arg(trash, trashTable(table)));
        SqlStatement::exec(db, QStringLiteral("DELETE FROM %1.%2").arg(trash, Entries));
        scope.commit();
    }
    settle();
    // The file gives back the space of what was in it.
    try {
        SqlStatement::exec(db, QStringLiteral("VACUUM %1").arg(trash));
    } catch (const StoreError &) {
    }
}

int Trash::settle()
{
    const QString root = pictureFolder(m_picsFolder);
    if (!QFileInfo(root).isDir())
        return 0;
    sqlite3 *db = m_connection->handle();
    const QString trash = q(m_schema);
    const QString recipes = tableSchema(*m_connection, m_dataFolder, 2);
    int removed = 0;
    for (const QString &name : namesIn(root, true)) {
        bool numeric = false;
        const qint64 id = name.toLongLong(&numeric);
        if (!numeric || QString::number(id) != name)
            continue; // not a folder the trash made
        SqlStatement find(db, QStringLiteral("SELECT 1 FROM %1.%2 WHERE id = ?").arg(trash, Entries));
        find.bindInt64(1, id);
        if (!find.step()) {
            removed += removeFolder(root + name);
            continue;
        }
        // A picture of the entry that has another name is also in Pics: left
        // by a deletion that ended before it removed the original, or by a
        // restore that ended before its commit. The entry is still in the
        // trash, so that file belongs to no recipe in the book.
        SqlStatement names(db, QStringLiteral("SELECT Nimi FROM %1.RoskaOhje WHERE Poisto = ?").arg(trash));
        names.bindInt64(1, id);
        while (names.step()) {
            const QString recipe = names.columnText(0);
            const FileId held = fileId(root + name + QLatin1Char('/') + PicturePaths::pictureFileName(recipe));
            if (!held.exists || held.links < 2)
                continue;
            for (int n = 1;; ++n) {
                const QString candidate = n == 1 ? recipe : QStringLiteral("%1 (%2)").arg(recipe).arg(n);
                SqlStatement inBook(db, QStringLiteral("SELECT 1 FROM %1 WHERE Nimi = ? LIMIT 1").arg(recipes));
                inBook.bindText(1, candidate);
                const bool taken = inBook.step();
                const QString path = m_picsFolder + PicturePaths::pictureFileName(candidate);
                const FileId there = fileId(path);
                if (!taken && there.exists && there.device == held.device && there.inode == held.inode
                    && ::unlink(QFile::encodeName(path).constData()) == 0)
                    ++removed;
                if (!taken)
                    break;
            }
        }
    }
    return removed;
}

// ---- A deletion into the trash -----------------------------------------------------

TrashDeposit::TrashDeposit(const QString &dataFolder, const QString &picsFolder)
    : m_trash(dataFolder, picsFolder)
{
}

TrashDeposit::~TrashDeposit()
{
    if (!m_committed && m_entry > 0)
        m_trash.removeEntryFolder(m_entry);
}

void TrashDeposit::put(Trash::Kind kind, const Rows &rows)
{
    sqlite3 *db = m_trash.m_connection->handle();
    const QString trash = q(m_trash.m_schema);
    QString tables[3];
    for (int table = 0; table < 3; ++table)
        tables[table] = tableSchema(*m_trash.m_connection, m_trash.m_dataFolder, table);

    auto readRow = [&](int table, qint64 id, QString *name, QString *group) {
        SqlStatement select(db, QStringLiteral("SELECT Nimi, %1 FROM %2 WHERE id = ?")
                                    .arg(table == 0 ? QStringLiteral("NULL") : QStringLiteral("Ryhma"), tables[table]));
        select.bindInt64(1, id);
        if (!select.step())
            return false;
        *name = select.columnText(0);
        *group = select.columnText(1);
        return true;
    };
    const int top = kind == Trash::Kind::MainGroup ? 0 : kind == Trash::Kind::Subgroup ? 1 : 2;
    const QVector<qint64> &topRows = top == 0 ? rows.mainGroups : top == 1 ? rows.subgroups : rows.recipes;
    QString name;
    QString group;
    if (topRows.isEmpty() || !readRow(top, topRows.first(), &name, &group))
        return; // never stored: nothing to keep
    QString mainGroup;
    QString subgroup;
    if (kind == Trash::Kind::Subgroup) {
        mainGroup = group;
    } else if (kind == Trash::Kind::Recipe) {
        subgroup = group;
        SqlStatement find(db, QStringLiteral("SELECT Ryhma FROM %1 WHERE Nimi = ? LIMIT 1").arg(tables[1]));
        find.bindText(1, subgroup);
        if (find.step())
            mainGroup = find.columnText(0);
    }

    {
        SqlStatement last(db, QStringLiteral("SELECT coalesce(max(id), 0) FROM %1.%2").arg(trash, Entries));
        last.step();
        const qint64 highest = std::max<qint64>(0, last.columnInt64(0));
        if (highest == std::numeric_limits<qint64>::max())
            throw StoreError(QStringLiteral("The trash is full: it has no number left for another deletion. "
                                            "Empty the trash, then delete again."));
        m_entry = highest + 1;
    }
    SqlStatement entry(db, QStringLiteral("INSERT INTO %1.%2 (id, Laji, Nimi, Paaryhma, Alaryhma, Poistettu) "
                                          "VALUES (?, ?, ?, ?, ?, ?)")
                               .arg(trash, Entries));
    entry.bindInt64(1, m_entry);
    entry.bindText(2, kindText(kind));
    entry.bindText(3, name);
    entry.bindText(4, mainGroup);
    entry.bindText(5, subgroup);
    entry.bindInt64(6, QDateTime::currentMSecsSinceEpoch());
    entry.run();

    m_recipes << rows.recipes;
    const QVector<qint64> *ids[3] = {&rows.mainGroups, &rows.subgroups, &rows.recipes};
    for (int table = 0; table < 3; ++table) {
        if (ids[table]->isEmpty())
            continue;
        const QString fields = fieldNames(table).join(QStringLiteral(", "));
        SqlStatement copy(db, QStringLiteral("INSERT INTO %1.%2 (Poisto, id, %3) SELECT ?, id, %3 FROM %4 WHERE id = ?")
                                  .arg(trash, trashTable(table), fields, tables[table]));
        for (const qint64 id : *ids[table]) {
            copy.bindInt64(1, m_entry);
            copy.bindInt64(2, id);
            copy.run();
            copy.reset();
        }
    }

    // The pictures get a second name in the trash now; the names in Pics go
    // once the rows are gone for good (committed()).
    const QString root = Trash::pictureFolder(m_trash.m_picsFolder);
    const QString folder = root + QString::number(m_entry);
    SqlStatement names(db, QStringLiteral("SELECT Nimi FROM %1.RoskaOhje WHERE Poisto = ?").arg(trash));
    names.bindInt64(1, m_entry);
    bool madeFolder = false;
    bool madeRoot = false;
    while (names.step()) {
        const QString fileName = PicturePaths::pictureFileName(names.columnText(0));
        const QString original = m_trash.m_picsFolder + fileName;
        if (!fileId(original).exists)
            continue;
        if (!madeFolder) {
            // A folder of this number is left from a deletion that never committed.
            if (QFileInfo(folder).isDir())
                removeFolder(folder);
            madeRoot = !QFileInfo(root).isDir();
            if (!makeFolder(root) || !makeFolder(folder))
                throw StoreError(QStringLiteral("The trash folder %1 cannot be made: %2").arg(folder, systemReason(errno)));
            madeFolder = true;
        }
        QString why;
        if (!linkPicture(original, folder + QLatin1Char('/') + fileName, &why))
            throw StoreError(QStringLiteral("The picture of \"%1\" cannot be put into the trash: %2")
                                 .arg(names.columnText(0), why));
        m_originals << original;
    }
    // The new names are on disk before the commit says the pictures are here.
    if (madeFolder && (!syncFolder(folder) || !syncFolder(root) || (madeRoot && !syncFolder(m_trash.m_picsFolder))))
        throw StoreError(QStringLiteral("The trash folder %1 cannot be written: %2").arg(folder, systemReason(errno)));
}

void TrashDeposit::committed()
{
    m_committed = true;
    for (const QString &path : m_originals)
        ::unlink(QFile::encodeName(path).constData());
    // The week menu keeps its entries of these recipes, marked deleted; the
    // deletion stands without that.
    try {
        Menu::markDeleted(m_trash.m_dataFolder, m_recipes);
    } catch (const StoreError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
    }
}

} // namespace RecipeBook

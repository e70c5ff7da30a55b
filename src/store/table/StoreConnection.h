#pragma once

#include <QHash>
#include <QPointer>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>
#include <vector>

struct sqlite3;

// The one SQLite connection of a data folder, shared by every open table of
// that folder. The first table file opened is the connection's main database
// (a named file, so that a commit over several attached files is atomic
// through SQLite's super-journal); the other table files of the folder are
// attached. Files are opened read-write without creation and stay attached
// while the connection lives. Internal to the store.
class StoreConnection
{
public:
    // The connection of `folder`, opened on `firstFile` when the folder has
    // none yet. Throws StoreError.
    static std::shared_ptr<StoreConnection> acquire(const QString &folder, const QString &firstFile);
    ~StoreConnection();
    Q_DISABLE_COPY_MOVE(StoreConnection)

    sqlite3 *handle() const { return m_db; }
    // How long a statement waits for another process's lock on a file.
    static constexpr int BusyTimeoutMs = 5000;

    // The schema name under which `file` is reached; attaches it when needed.
    QString attach(const QString &file);
    // Gives up one use of the schema.
    void release(const QString &schema);
    // Detaches `file` when no table uses it and no transaction is open, so
    // that it may be moved away; false when it stays attached.
    bool detach(const QString &file);

    void exec(const QString &sql);

    // ---- Files replaced behind the program's back -------------------------
    // A sync tool writes a new file and renames it over the old one; the
    // connection would go on reading the old, unlinked file and fail every
    // write. When a table file is no longer the file that was opened, the
    // connection is opened anew on the files as they are now (not inside a
    // transaction scope) and the generation grows, so that the tables drop
    // what they read from the old files. Returns true when it reopened.
    // Throws StoreError when the new files cannot be opened.
    bool reopenIfReplaced();
    quint64 generation() const { return m_generation; }
    // Called once after each such reopening with the data folder, for the
    // windows to read the book again and tell the user.
    using ReopenedHandler = std::function<void(const QString &folder)>;
    static void setReopenedHandler(ReopenedHandler handler);

    // ---- Derived files ------------------------------------------------------
    // A file of derived data kept in step by the connection's writes (the
    // search index) must never block a change to the book. When a write
    // fails the way a damaged or unreadable file fails, the table calls
    // detachDerived(): the detacher sets the derived file aside from the
    // writes and says whether it did, and the write is tried once more.
    using DerivedDetacher = std::function<bool()>;
    void setDerivedDetacher(DerivedDetacher detacher) { m_derivedDetacher = std::move(detacher); }
    bool detachDerived() { return m_derivedDetacher && m_derivedDetacher(); }
    // True for the SQLite result codes of a damaged or unreadable file.
    static bool isFileFault(int extendedCode);

    // ---- Store transaction scopes (see StoreTransaction) --------------------
    bool inScope() const { return m_depth > 0; }
    void beginScope();
    // Ends one level; the outermost one commits or rolls back. Throws
    // StoreError when the outermost commit fails (after rolling back).
    void endScope(bool commit);
    // `table` takes part in the open scope; `finished` is called (while the
    // table exists) with whether the outermost scope committed.
    void addParticipant(QObject *table, std::function<void(bool committed)> finished);

private:
    StoreConnection() = default;
    void finishParticipants(bool committed);
    void configure(const QString &schema);
    static QString uriFor(const QString &file);

    struct FileIdentity
    {
        quint64 device = 0;
        quint64 inode = 0;
        bool operator==(const FileIdentity &other) const { return device == other.device && inode == other.inode; }
    };
    static FileIdentity identityOf(const QString &file);
    bool filesReplaced() const;
    sqlite3 *openHandle() const;
    void attachInto(sqlite3 *db, const QString &file, const QString &schema) const;

    sqlite3 *m_db = nullptr;
    QString m_folder;
    QString m_mainFile;
    FileIdentity m_mainIdentity;
    quint64 m_generation = 0;
    struct Attached
    {
        QString schema;
        int uses = 0;
        FileIdentity identity;
    };
    QHash<QString, Attached> m_files; // by absolute file path
    int m_counter = 0;

    DerivedDetacher m_derivedDetacher;

    int m_depth = 0;
    bool m_scopeFailed = false;
    struct Participant
    {
        QPointer<QObject> table;
        std::function<void(bool committed)> finished;
    };
    std::vector<Participant> m_participants;
};

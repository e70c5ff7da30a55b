#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <functional>
#include <map>
#include <memory>
#include <optional>

class SqlStatement;
class StoreConnection;
struct sqlite3;
class StoreTransaction;

// The kind of table file, as the table name's extension states it (see
// ResolveTableType).
enum class TTableType { Default, Paradox, dBase };

// One recipe table: a SQLite file `<DatabaseName>/<name>.db` holding one table
// of the same name with an explicit INTEGER PRIMARY KEY `id`, so that the row
// order (insertion order) survives packing. All tables of one data folder share
// one SQLite connection, each file attached to it, so that the applies of
// several tables can commit together (StoreTransaction).
//
// Pending changes: rows added, edited and deleted are held in memory and reach
// the file only on apply(); discard() drops them. An edit in progress is
// posted when the current row moves (first, next, RecNo, returnTo, append,
// apply, a new filter). Closing the table drops its pending changes, as does
// discard().
//
// The view: the rows that pass the filter, in id order. Only their ids are
// held; a row's values are read from the file when first needed, so that a
// subgroup of a large book can be shown without loading the recipe table. The
// view is worked out anew on open, whenever Filter or Filtered is set (also to
// the same value), on apply and on discard, and only when it is next used, so
// opening a table or switching its filter costs nothing until rows are asked
// for (a failure to read it then throws StoreError from the next operation
// that is not a plain read). In between, appended rows join it at the
// end and deleted rows leave it, but an edited row stays in the view even when
// its new values no longer pass the filter, so a loop over the view can rewrite
// the filtered field of every row.
//
// Errors of the store (a file that cannot be opened, a failed commit, an
// unknown field, a write outside edit or append) throw StoreError. Field reads
// never throw: a row that cannot be read reads as absent values.
//
// Every signal is emitted after the change, with the table in its new state.
class TPackTable : public QObject
{
    Q_OBJECT

public:
    enum class State { Inactive, Browse, Edit, Insert };
    // A remembered position; see remember().
    using Bookmark = int;

    explicit TPackTable(QObject *parent = nullptr);
    ~TPackTable() override;
    Q_DISABLE_COPY_MOVE(TPackTable)

    // The data folder and the table name (without extension for the recipe
    // tables). Both may only change while the table is closed.
    QString DatabaseName() const { return m_databaseName; }
    void setDatabaseName(const QString &folder);
    QString TableName() const { return m_tableName; }
    void setTableName(const QString &name);
    TTableType TableType() const { return m_tableType; }
    void setTableType(TTableType type);

    // The table file that TableName and TableType name: `<name>.db` for a
    // Paradox or Default table (whatever the case of a ".db" extension),
    // `<name>.dbf` for a ".dbf" extension, other extensions as given.
    QString tableFilePath() const;

    // Opening checks that the file exists and is a table file of this program
    // with this table in it; it never creates or changes a file. A missing file,
    // a file that is not SQLite, a truncated or corrupt file or a foreign schema
    // throws StoreError and leaves the table closed.
    bool Active() const;
    void setActive(bool active);
    void open() { setActive(true); }
    // Drops the edit in progress and the pending changes.
    void close() { setActive(false); }

    // Set before packing; stays as set.
    bool Exclusive() const { return m_exclusive; }
    void setExclusive(bool exclusive) { m_exclusive = exclusive; }

    // The filter text is kept as given. The one form understood is
    // "Ryhma = '" + name + "'": the name is everything between the first quote
    // after "=" and the last quote, and rows pass when their Ryhma equals it
    // exactly (by value, so quotes, % and backslashes in names work). An empty
    // filter lets every row pass. A filter in another form throws StoreError
    // when it would take effect, and the previous Filter and Filtered stay.
    QString Filter() const { return m_filter; }
    void setFilter(const QString &filter);
    bool Filtered() const { return m_filtered; }
    void setFiltered(bool filtered);

    // ---- Moving through the view -------------------------------------------

    // To the first row; eof() is true when the view is empty.
    void first();
    // To the following row; on the last row it stays there and eof() turns true.
    void next();
    bool eof() const;
    // Rows in the view (appended rows included, deleted ones not).
    int recordCount() const;
    // 1-based position of the current row in the view, 0 when there is none.
    int RecNo() const;
    // Moves to the row at that position; a position outside the view is
    // clamped to the first or last row.
    void setRecNo(int recNo);

    // Remembers the current row; returnTo() moves back to it and returns false
    // (staying put) when the row is no longer in the view. Release a bookmark
    // that is no longer needed.
    Bookmark remember();
    bool returnTo(Bookmark bookmark);
    void release(Bookmark bookmark);

    // A number that stays with the current row while the table is open (also
    // for appended rows); 0 when there is no current row.
    qint64 currentRowId() const;
    // The ids of `count` rows of the view from the 1-based position
    // `fromRecNo` (fewer at the end of the view).
    QVector<qint64> rowIds(int fromRecNo, int count) const;
    // The 1-based position of the row `id` in the view, 0 when it is not in it.
    int positionOf(qint64 id) const;
    // Moves to the row `id`; false (staying put) when it is not in the view.
    bool locate(qint64 id);
    // Narrows the view to the one row `id` (none when it is not stored),
    // whatever the filter; setting a filter widens it again.
    void showOnlyRow(qint64 id);
    // Reads the stored rows anew (another table of the folder changed them):
    // the current row stays current while it is in the view, pending changes
    // stay pending.
    void reread();

    // ---- Fields of the current row -----------------------------------------

    // The table's fields, without the row id.
    QStringList fieldNames() const;
    bool hasField(const QString &field) const;

    // Reads as the program shows a value: text as stored, an integer in
    // decimal, a logical as "True" or "False"; an absent value (and no current
    // row) reads as empty text. An unknown field throws StoreError.
    QString fieldText(const QString &field) const;
    // fieldText() of `count` rows of the view from the 1-based position
    // `fromRecNo` (fewer at the end of the view), read without moving the
    // current row and with one query for many stored rows.
    QStringList fieldTexts(const QString &field, int fromRecNo, int count) const;
    // The value, or nullopt when it is absent: QString for text fields, qint64
    // for integer fields, bool for logical fields.
    std::optional<QVariant> fieldValue(const QString &field) const;
    bool isNull(const QString &field) const { return !fieldValue(field).has_value(); }

    // Writes need edit() or append() first. Text written to an integer field
    // must be a number ("'x' is not a valid integer value", ConversionError);
    // empty text makes any field absent. Integers and logicals written to a
    // text field are stored as their text.
    void setFieldText(const QString &field, const QString &value);
    void setFieldInt(const QString &field, qint64 value);
    void setFieldBool(const QString &field, bool value);
    void clearField(const QString &field);

    // ---- Changing rows -----------------------------------------------------

    State state() const;
    // Adds a new empty row at the end of the view and makes it current; the row
    // is in edit until post() or a move.
    void append();
    // Starts editing the current row (throws StoreError when there is none).
    void edit();
    // Finishes the edit in progress into the pending changes.
    void post();
    // Deletes the current row (an edit in progress on it is dropped); the
    // following row becomes current, or the new last row when it was the last.
    void deleteRow();

    // Writes all pending changes of the table in one SQLite transaction, then
    // clears them. Inside a StoreTransaction of the same folder the rows are
    // written into that scope's transaction and count as applied only when the
    // scope commits. On failure nothing of this apply is written, every row
    // stays pending, and StoreError names the table and the reason.
    //
    // Another program may have changed the file since the rows were read. An
    // edited row writes only the fields that were changed, and only while the
    // stored row still exists and still holds, in those fields and in Nimi,
    // what was read; a deleted row goes only while it still holds what was
    // read (a row already gone is fine). Otherwise nothing is written and
    // StoreConflict is thrown, with every row still pending.
    void apply();
    // After a StoreConflict: the edited rows whose stored row has gone become
    // rows to add again, with their values and row ids. Returns the Ryhma of
    // each (empty for a table without parents).
    QStringList restoreVanishedRows();
    // After a StoreConflict: the pending rows take what the file holds now as
    // what was read, so that the next apply writes them over it (the user has
    // been told). Rows that have gone stay as they are.
    void rebase();
    // True when the file (pending changes ignored) has a row with exactly
    // `value` in `field`. Inside a StoreTransaction the answer holds until the
    // scope ends: no other program can change the file in between.
    bool storedContains(const QString &field, const QString &value) const;
    // Drops the edit in progress and all pending changes.
    void discard();
    bool hasPendingChanges() const;

    // True when some row of the whole table (filter ignored) has exactly
    // `value` in `field`, pending rows and the edit in progress counted as
    // they would be after apply. Indexed on Nimi and Ryhma: the duplicate-name
    // check of a large book takes a few milliseconds and loads no rows.
    bool containsName(const QString &field, const QString &value) const;

    // When a table file of the folder was replaced by another file since it
    // was opened (a sync tool renames a new file over it), the folder's
    // connection is opened anew on the new files and every table of the
    // folder reads its rows from them. Opening a table, an apply and a store
    // transaction check this themselves. Returns true when it reopened.
    bool reopenIfReplaced();
    // Called, on the thread of the store, after each such reopening with the
    // data folder; the handler must not use the tables at once (it runs in
    // the middle of a store call).
    static void setReopenedHandler(std::function<void(const QString &folder)> handler);

    // ---- Packing -----------------------------------------------------------

    // Compacts the table file (VACUUM of its file; a dBase table is also
    // reindexed) so that deleted rows take no space; rows, their order and
    // values stay. Needs the Exclusive flag. Leaves the table open or closed
    // as it found it (pending changes are dropped by the close). Every failure,
    // also inside a StoreTransaction, is the result false.
    bool Pack();
    // Closes the table and makes the table name and type agree: the first four
    // characters of the upper-cased extension ".DBF" make it dBase, ".DB"
    // Paradox, any other Default; without an extension a Paradox table gets
    // ".DB" and a dBase table ".DBF" appended.
    void ResolveTableType();

signals:
    // The rows of the view changed as a whole: opened, closed, a new filter,
    // apply, discard, a row appended or deleted.
    void viewChanged();
    // The current row moved (RecNo may be the same after a deletion).
    void currentRowChanged();
    // Values of the row at this position of the view changed (a write).
    void rowDataChanged(int recNo);

private:
    friend class StoreTransaction;
    friend class StoreConnection;

    using Values = QVector<std::optional<QVariant>>;
    enum class RowState { Inserted, Modified, Deleted };
    struct PendingRow
    {
        RowState state;
        Values values;
        // A stored row's values as they were read before the change: an apply
        // writes only the fields that differ from them, and only while the
        // file still holds them.
        Values base;
    };
    enum class FieldKind { Text, Integer, Logical };

    void ensureActive(const char *operation) const;
    void ensureClosed(const char *what) const;
    // Sets `member`, which may only change while the table is closed (the
    // `what` of ensureClosed), to `value`.
    template<typename T> void setWhileClosed(T &member, const T &value, const char *what);
    // Sets `member`, the filter or whether it is on, to `value`; when
    // `refilter` and the table is open, the rows are filtered anew. A filter
    // that cannot take effect throws StoreError, `member` keeping what it was.
    template<typename T> void setFiltering(T &member, const T &value, bool refilter);
    int fieldIndex(const QString &field) const;
    std::optional<QString> filterValue() const;
    bool passesFilter(const Values &values) const;
    // The view is worked out when next used; the row `keepId` stays current
    // when it is still in it, else the row at `fallbackIndex`.
    void invalidateView(qint64 keepId, int fallbackIndex);
    void ensureView() const;
    void computeView() const;
    // ensureView(), and a failure to read the view throws.
    void checkedView();
    void loadSchema();
    const Values *rowValues(qint64 id) const;
    // The values the table holds itself (edit buffer, pending, cache); `held`
    // is false when the row would have to be read from the file.
    const Values *heldValues(qint64 id, bool &held) const;
    // A statement reading the stored fields of the row whose id is bound to it.
    std::unique_ptr<SqlStatement> selectingRowById() const;
    std::optional<Values> readStoredRow(qint64 id) const;
    Values readValues(const SqlStatement &select, int firstColumn) const;
    static std::optional<QVariant> readValue(const SqlStatement &select, int column, FieldKind kind);
    void moveTo(int index);
    void postIfEditing();
    Values &editBuffer(const char *operation);
    void writeField(const QString &field, std::optional<QVariant> value);
    std::optional<QVariant> convertForField(int column, const QVariant &value) const;
    qint64 newRowId();
    void writePending(const std::map<qint64, PendingRow> &rows);
    // The ids of `rows` that the file no longer holds as they were read.
    QVector<qint64> conflictingRows(const std::map<qint64, PendingRow> &rows) const;
    // Called by StoreTransaction when the scope's commit succeeded or failed.
    void scopeFinished(bool committed);
    QString displayName() const;
    // The connection's handle; when the connection was opened anew on
    // replaced files, first drops what was read from the old ones.
    sqlite3 *connectionHandle() const;

    QString m_databaseName;
    QString m_tableName;
    TTableType m_tableType = TTableType::Default;
    bool m_exclusive = false;
    QString m_filter;
    bool m_filtered = false;

    std::shared_ptr<StoreConnection> m_connection;
    QString m_schema;   // the attached schema name of the file
    QString m_sqlTable; // the table name inside the file
    QStringList m_fields;
    QVector<FieldKind> m_kinds;

    mutable QVector<qint64> m_view;
    mutable int m_current = -1;
    mutable bool m_eof = true;
    mutable bool m_viewStale = false;
    mutable qint64 m_keepId = 0;
    mutable int m_keepIndex = 0;
    mutable QString m_viewError;
    qint64 m_onlyRow = 0;
    State m_state = State::Inactive;
    Values m_buffer;        // the edit in progress
    Values m_bufferBase;    // the row as read when the edit began
    bool m_bufferIsNew = false;

    std::map<qint64, PendingRow> m_pending;
    // Rows written into a StoreTransaction that has not committed yet.
    std::map<qint64, PendingRow> m_inFlight;
    qint64 m_lastId = 0; // the highest row number given or stored

    mutable QHash<qint64, Values> m_cache;
    mutable std::unique_ptr<SqlStatement> m_selectRow;
    mutable quint64 m_generation = 0;
    QHash<Bookmark, qint64> m_bookmarks;
    Bookmark m_nextBookmark = 1;
};

#include "store/table/PackTable.h"

#include "store/table/ProgramError.h"
#include "store/table/RecipeSchema.h"
#include "store/table/SqlStatement.h"
#include "store/table/StoreConnection.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <limits>

#include <sqlite3.h>

namespace {

constexpr int CacheLimit = 512;

// Combines `newer` changes into `older` ones, both relative to the stored rows.
template<typename Map, typename State>
void mergeNewer(Map &older, const Map &newer, State inserted, State modified, State deleted)
{
    for (const auto &[id, row] : newer) {
        auto found = older.find(id);
        if (found == older.end()) {
            older.emplace(id, row);
            continue;
        }
        if (found->second.state == inserted) {
            if (row.state == deleted)
                older.erase(found);
            else
                found->second.values = row.values;
        } else if (row.state == deleted) {
            found->second.state = deleted;
        } else {
            found->second.state = modified;
            found->second.values = row.values;
        }
    }
}

std::optional<bool> parseLogical(const QString &text)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("true") || t == QLatin1String("t") || t == QLatin1String("yes") || t == QLatin1String("y")
        || t == QLatin1String("1"))
        return true;
    if (t == QLatin1String("false") || t == QLatin1String("f") || t == QLatin1String("no") || t == QLatin1String("n")
        || t == QLatin1String("0"))
        return false;
    return std::nullopt;
}

// Stored text stays UTF-8 in the row cache until a field is read, so that a
// view's rows cost a copy each and only the fields shown are decoded.
std::optional<QVariant> decoded(const std::optional<QVariant> &value)
{
    if (value && value->typeId() == QMetaType::QByteArray)
        return QVariant(QString::fromUtf8(value->toByteArray()));
    return value;
}

QVector<std::optional<QVariant>> normalized(const QVector<std::optional<QVariant>> &values)
{
    QVector<std::optional<QVariant>> result(values.size());
    for (int i = 0; i < values.size(); ++i)
        result[i] = decoded(values.at(i));
    return result;
}

} // namespace

TPackTable::TPackTable(QObject *parent)
    : QObject(parent)
{
}

TPackTable::~TPackTable()
{
    m_selectRow.reset();
    if (m_connection && !m_schema.isEmpty())
        m_connection->release(m_schema);
}

sqlite3 *TPackTable::connectionHandle() const
{
    if (m_generation != m_connection->generation()) {
        m_generation = m_connection->generation();
        m_selectRow.reset();
        m_cache.clear();
        if (!m_viewStale) {
            m_viewStale = true;
            m_keepId = m_current >= 0 && m_current < m_view.size() ? m_view.at(m_current) : 0;
            m_keepIndex = std::max(m_current, 0);
        }
    }
    return m_connection->handle();
}

QString TPackTable::displayName() const
{
    return m_tableName.isEmpty() ? QStringLiteral("(no name)") : m_tableName;
}

void TPackTable::ensureActive(const char *operation) const
{
    if (m_state == State::Inactive)
        throw StoreError(QStringLiteral("Table %1: cannot %2 while the table is closed")
                             .arg(displayName(), QString::fromLatin1(operation)));
}

void TPackTable::ensureClosed(const char *what) const
{
    if (m_state != State::Inactive)
        throw StoreError(QStringLiteral("Table %1: cannot change the %2 of an open table")
                             .arg(displayName(), QString::fromLatin1(what)));
}

template<typename T> void TPackTable::setWhileClosed(T &member, const T &value, const char *what)
{
    if (value == member)
        return;
    ensureClosed(what);
    member = value;
}

void TPackTable::setDatabaseName(const QString &folder)
{
    setWhileClosed(m_databaseName, folder, "data folder");
}

void TPackTable::setTableName(const QString &name)
{
    setWhileClosed(m_tableName, name, "table name");
}

void TPackTable::setTableType(TTableType type)
{
    setWhileClosed(m_tableType, type, "table type");
}

QString TPackTable::tableFilePath() const
{
    const int dot = m_tableName.lastIndexOf(QLatin1Char('.'));
    QString file;
    if (dot < 0) {
        file = m_tableName + (m_tableType == TTableType::dBase ? QLatin1String(".dbf") : QLatin1String(".db"));
    } else {
        const QString extension = m_tableName.mid(dot).toUpper();
        const QString base = m_tableName.left(dot);
        if (extension == QLatin1String(".DB"))
            file = base + QLatin1String(".db");
        else if (extension == QLatin1String(".DBF"))
            file = base + QLatin1String(".dbf");
        else
            file = m_tableName;
    }
    QString folder = m_databaseName;
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + file;
}

bool TPackTable::Active() const
{
    return m_state != State::Inactive;
}

void TPackTable::setActive(bool active)
{
    if (active == Active())
        return;
    if (!active) {
        m_state = State::Inactive;
        m_onlyRow = 0;
        m_buffer.clear();
        m_pending.clear();
        m_inFlight.clear();
        m_cache.clear();
        m_view.clear();
        m_bookmarks.clear();
        m_current = -1;
        m_eof = true;
        m_fields.clear();
        m_kinds.clear();
        m_viewStale = false;
        m_viewError.clear();
        m_selectRow.reset();
        if (m_connection)
            m_connection->release(m_schema);
        m_connection.reset();
        m_schema.clear();
        emit viewChanged();
        emit currentRowChanged();
        return;
    }

    if (m_tableName.isEmpty())
        throw StoreError(QStringLiteral("Table name missing"));
    const QString path = tableFilePath();
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        throw StoreError(QStringLiteral("Table %1: file %2 not found").arg(displayName(), path));

    const int dot = m_tableName.lastIndexOf(QLatin1Char('.'));
    const QString baseName = dot < 0 ? m_tableName : m_tableName.left(dot);
    try {
        m_connection = StoreConnection::acquire(m_databaseName.isEmpty() ? info.absolutePath() : m_databaseName, path);
        m_connection->reopenIfReplaced();
        m_generation = m_connection->generation();
        m_schema = m_connection->attach(path);
        m_sqlTable = baseName;
        loadSchema();
        m_state = State::Browse;
        invalidateView(0, 0);
    } catch (const StoreError &e) {
        m_state = State::Inactive;
        m_fields.clear();
        m_kinds.clear();
        m_view.clear();
        if (m_connection && !m_schema.isEmpty())
            m_connection->release(m_schema);
        m_connection.reset();
        m_schema.clear();
        throw StoreError(QStringLiteral("Table %1: cannot open %2: %3").arg(displayName(), path, e.message()));
    }
    emit viewChanged();
    emit currentRowChanged();
}

void TPackTable::loadSchema()
{
    sqlite3 *db = connectionHandle();
    const QString s = SqlStatement::quoteName(m_schema);
    {
        SqlStatement appId(db, QStringLiteral("PRAGMA %1.application_id").arg(s));
        if (!appId.step() || appId.columnInt64(0) != RecipeSchema::ApplicationId)
            throw StoreError(QStringLiteral("not a recipe table file"));
    }
    {
        // A file cut short still has a valid header; SQLite would only notice
        // the missing pages when it reaches them.
        SqlStatement count(db, QStringLiteral("PRAGMA %1.page_count").arg(s));
        SqlStatement size(db, QStringLiteral("PRAGMA %1.page_size").arg(s));
        const qint64 pages = count.step() ? count.columnInt64(0) : 0;
        const qint64 pageSize = size.step() ? size.columnInt64(0) : 0;
        if (QFileInfo(tableFilePath()).size() < pages * pageSize)
            throw StoreError(QStringLiteral("the file is truncated"));
    }
    {
        SqlStatement find(db, QStringLiteral("SELECT name FROM %1.sqlite_schema WHERE type = 'table' AND name = ? "
                                             "COLLATE NOCASE")
                                  .arg(s));
        find.bindText(1, m_sqlTable);
        if (!find.step())
            throw StoreError(QStringLiteral("the file has no table %1").arg(m_sqlTable));
        m_sqlTable = find.columnText(0);
    }
    m_fields.clear();
    m_kinds.clear();
    bool hasId = false;
    {
        SqlStatement info(db, QStringLiteral("PRAGMA %1.table_info(%2)").arg(s, SqlStatement::quoteName(m_sqlTable)));
        while (info.step()) {
            const QString name = info.columnText(1);
            const QString type = info.columnText(2).toUpper();
            if (name.compare(QLatin1String("id"), Qt::CaseInsensitive) == 0) {
                hasId = info.columnInt64(5) == 1 && type == QLatin1String("INTEGER");
                continue;
            }
            m_fields << name;
            if (type.contains(QLatin1String("BOOL")))
                m_kinds << FieldKind::Logical;
            else if (type.contains(QLatin1String("INT")))
                m_kinds << FieldKind::Integer;
            else
                m_kinds << FieldKind::Text;
        }
    }
    if (!hasId)
        throw StoreError(QStringLiteral("the table has no row id"));
    for (const RecipeSchema::Field &f : RecipeSchema::fields(m_sqlTable)) {
        if (!m_fields.contains(f.name))
            throw StoreError(QStringLiteral("the table has no field %1").arg(f.name));
    }
    SqlStatement maxId(db, QStringLiteral("SELECT max(id) FROM %1.%2").arg(s, SqlStatement::quoteName(m_sqlTable)));
    m_lastId = (maxId.step() && !maxId.isNull(0)) ? std::max<qint64>(0, maxId.columnInt64(0)) : 0;
}

template<typename T> void TPackTable::setFiltering(T &member, const T &value, bool refilter)
{
    const T previous = member;
    member = value;
    m_onlyRow = 0;
    if (!refilter || !Active())
        return;
    try {
        filterValue();
    } catch (const StoreError &) {
        member = previous;
        throw;
    }
    postIfEditing();
    invalidateView(0, 0);
    emit viewChanged();
    emit currentRowChanged();
}

void TPackTable::setFilter(const QString &filter)
{
    setFiltering(m_filter, filter, m_filtered);
}

void TPackTable::setFiltered(bool filtered)
{
    setFiltering(m_filtered, filtered, true);
}

std::optional<QString> TPackTable::filterValue() const
{
    if (!m_filtered || m_filter.trimmed().isEmpty())
        return std::nullopt;
    const QString text = m_filter.trimmed();
    const int equals = text.indexOf(QLatin1Char('='));
    const QString field = equals < 0 ? QString() : text.left(equals).trimmed();
    const int open = text.indexOf(QLatin1Char('\''), equals + 1);
    const int close = text.lastIndexOf(QLatin1Char('\''));
    if (field != QLatin1String("Ryhma") || open < 0 || close <= open || close != text.size() - 1
        || !text.mid(equals + 1, open - equals - 1).trimmed().isEmpty())
        throw StoreError(QStringLiteral("Table %1: filter not understood: %2").arg(displayName(), m_filter));
    if (!m_fields.contains(field))
        throw StoreError(QStringLiteral("Table %1: Field 'Ryhma' not found").arg(displayName()));
    return text.mid(open + 1, close - open - 1);
}

bool TPackTable::passesFilter(const Values &values) const
{
    const std::optional<QString> value = filterValue();
    if (!value)
        return true;
    const auto &v = values.at(m_fields.indexOf(QLatin1String("Ryhma")));
    return v && v->toString() == *value;
}

void TPackTable::invalidateView(qint64 keepId, int fallbackIndex)
{
    m_viewStale = true;
    m_keepId = keepId;
    m_keepIndex = fallbackIndex;
}

void TPackTable::ensureView() const
{
    if (m_state == State::Inactive)
        return;
    connectionHandle();
    if (!m_viewStale)
        return;
    m_viewStale = false;
    try {
        computeView();
        m_viewError.clear();
    } catch (const StoreError &e) {
        m_view.clear();
        m_current = -1;
        m_eof = true;
        m_viewError = QStringLiteral("Table %1: cannot read the rows: %2").arg(displayName(), e.message());
    }
}

void TPackTable::checkedView()
{
    ensureView();
    if (!m_viewError.isEmpty()) {
        const QString error = m_viewError;
        m_viewError.clear();
        throw StoreError(error);
    }
}

void TPackTable::computeView() const
{
    const std::optional<QString> value = filterValue();
    const QString table = SqlStatement::quoteName(m_schema) + QLatin1Char('.') + SqlStatement::quoteName(m_sqlTable);
    QVector<qint64> ids;
    if (m_onlyRow) {
        const auto pending = m_pending.find(m_onlyRow);
        if (pending != m_pending.end() ? pending->second.state != RowState::Deleted : readStoredRow(m_onlyRow).has_value())
            ids.append(m_onlyRow);
        m_view = ids;
        m_current = ids.isEmpty() ? -1 : 0;
        m_eof = ids.isEmpty();
        return;
    }
    if (value) {
        // A filtered view is small: its rows come with it, in one query.
        QStringList columns;
        for (const QString &f : m_fields)
            columns << SqlStatement::quoteName(f);
        SqlStatement select(connectionHandle(), QStringLiteral("SELECT id, %1 FROM %2 WHERE Ryhma = ? ORDER BY id")
                                                        .arg(columns.join(QLatin1String(", ")), table));
        select.bindText(1, *value);
        if (m_cache.size() >= CacheLimit)
            m_cache.clear();
        while (select.step()) {
            const qint64 id = select.columnInt64(0);
            if (m_pending.find(id) != m_pending.end())
                continue;
            ids.append(id);
            if (m_cache.size() < CacheLimit)
                m_cache.insert(id, readValues(select, 1));
        }
    } else {
        // Unfiltered, the narrowest covering index serves the ids fastest;
        // they are sorted here.
        SqlStatement select(connectionHandle(), QStringLiteral("SELECT id FROM %1").arg(table));
        while (select.step()) {
            const qint64 id = select.columnInt64(0);
            if (m_pending.find(id) == m_pending.end())
                ids.append(id);
        }
    }
    bool needsSort = !value;
    for (const auto &[id, row] : m_pending) {
        if (row.state != RowState::Deleted && passesFilter(row.values)) {
            ids.append(id);
            needsSort = true;
        }
    }
    if (needsSort)
        std::sort(ids.begin(), ids.end());
    m_view = ids;

    int index = m_keepId ? int(m_view.indexOf(m_keepId)) : -1;
    if (index < 0 && !m_view.isEmpty())
        index = std::clamp(m_keepIndex, 0, int(m_view.size()) - 1);
    m_current = m_view.isEmpty() ? -1 : index;
    m_eof = m_view.isEmpty();
}

TPackTable::Values TPackTable::readValues(const SqlStatement &select, int firstColumn) const
{
    Values values(m_fields.size());
    for (int i = 0; i < m_fields.size(); ++i)
        values[i] = readValue(select, firstColumn + i, m_kinds.at(i));
    return values;
}

std::optional<QVariant> TPackTable::readValue(const SqlStatement &select, int column, FieldKind kind)
{
    if (select.isNull(column))
        return std::nullopt;
    switch (kind) {
    case FieldKind::Text:
        return QVariant(select.columnUtf8(column));
    case FieldKind::Integer:
        if (select.isInteger(column))
            return QVariant(select.columnInt64(column));
        return QVariant(select.columnText(column));
    case FieldKind::Logical:
        if (select.isInteger(column))
            return QVariant(select.columnInt64(column) != 0);
        return QVariant(parseLogical(select.columnText(column)).value_or(false));
    }
    return std::nullopt;
}

std::unique_ptr<SqlStatement> TPackTable::selectingRowById() const
{
    QStringList columns;
    for (const QString &f : m_fields)
        columns << SqlStatement::quoteName(f);
    return std::make_unique<SqlStatement>(connectionHandle(),
                                          QStringLiteral("SELECT %1 FROM %2.%3 WHERE id = ?")
                                              .arg(columns.join(QLatin1String(", ")), SqlStatement::quoteName(m_schema),
                                                   SqlStatement::quoteName(m_sqlTable)));
}

std::optional<TPackTable::Values> TPackTable::readStoredRow(qint64 id) const
{
    try {
        if (!m_selectRow)
            m_selectRow = selectingRowById();
        SqlStatement &select = *m_selectRow;
        select.reset();
        select.bindInt64(1, id);
        std::optional<Values> values;
        if (select.step())
            values = readValues(select, 0);
        select.reset();
        return values;
    } catch (const StoreError &) {
        if (m_selectRow)
            m_selectRow->reset();
        return std::nullopt;
    }
}

const TPackTable::Values *TPackTable::heldValues(qint64 id, bool &held) const
{
    held = true;
    if ((m_state == State::Edit || m_state == State::Insert) && id == currentRowId())
        return &m_buffer;
    auto pending = m_pending.find(id);
    if (pending != m_pending.end())
        return pending->second.state == RowState::Deleted ? nullptr : &pending->second.values;
    auto cached = m_cache.constFind(id);
    if (cached != m_cache.constEnd())
        return &cached.value();
    held = false;
    return nullptr;
}

const TPackTable::Values *TPackTable::rowValues(qint64 id) const
{
    bool held = false;
    if (const Values *values = heldValues(id, held); held)
        return values;
    std::optional<Values> values = readStoredRow(id);
    if (!values)
        return nullptr;
    if (m_cache.size() >= CacheLimit)
        m_cache.clear();
    return &m_cache.insert(id, *values).value();
}

void TPackTable::postIfEditing()
{
    if (m_state == State::Edit || m_state == State::Insert)
        post();
}

void TPackTable::moveTo(int index)
{
    postIfEditing();
    const int old = m_current;
    m_current = m_view.isEmpty() ? -1 : std::clamp(index, 0, int(m_view.size()) - 1);
    if (old != m_current)
        emit currentRowChanged();
}

void TPackTable::first()
{
    ensureActive("move to the first row");
    checkedView();
    moveTo(0);
    m_eof = m_view.isEmpty();
}

void TPackTable::next()
{
    ensureActive("move to the next row");
    checkedView();
    if (m_current + 1 < m_view.size()) {
        moveTo(m_current + 1);
        m_eof = false;
    } else {
        postIfEditing();
        m_eof = true;
    }
}

bool TPackTable::eof() const
{
    ensureView();
    return m_eof;
}

int TPackTable::recordCount() const
{
    ensureView();
    return int(m_view.size());
}

int TPackTable::RecNo() const
{
    ensureView();
    return m_current + 1;
}

void TPackTable::setRecNo(int recNo)
{
    ensureActive("move to a row");
    checkedView();
    moveTo(recNo - 1);
    m_eof = m_view.isEmpty();
}

TPackTable::Bookmark TPackTable::remember()
{
    const Bookmark bookmark = m_nextBookmark++;
    m_bookmarks.insert(bookmark, currentRowId());
    return bookmark;
}

bool TPackTable::returnTo(Bookmark bookmark)
{
    ensureActive("return to a bookmark");
    return locate(m_bookmarks.value(bookmark));
}

void TPackTable::release(Bookmark bookmark)
{
    m_bookmarks.remove(bookmark);
}

qint64 TPackTable::currentRowId() const
{
    ensureView();
    return m_current >= 0 && m_current < m_view.size() ? m_view.at(m_current) : 0;
}

QVector<qint64> TPackTable::rowIds(int fromRecNo, int count) const
{
    ensureView();
    const qsizetype from = std::max(fromRecNo, 1) - 1;
    if (from >= m_view.size() || count <= 0)
        return {};
    return m_view.mid(from, std::min<qsizetype>(count, m_view.size() - from));
}

int TPackTable::positionOf(qint64 id) const
{
    ensureView();
    return id ? int(m_view.indexOf(id)) + 1 : 0;
}

bool TPackTable::locate(qint64 id)
{
    ensureActive("move to a row");
    checkedView();
    const int index = id ? int(m_view.indexOf(id)) : -1;
    if (index < 0)
        return false;
    moveTo(index);
    m_eof = false;
    return true;
}

void TPackTable::showOnlyRow(qint64 id)
{
    ensureActive("show one row");
    postIfEditing();
    m_onlyRow = id;
    m_cache.remove(id);
    invalidateView(id, 0);
    emit viewChanged();
    emit currentRowChanged();
}

void TPackTable::reread()
{
    if (!Active())
        return;
    postIfEditing();
    ensureView();
    m_cache.clear();
    invalidateView(currentRowId(), m_current);
    emit viewChanged();
    emit currentRowChanged();
}

QStringList TPackTable::fieldNames() const
{
    return m_fields;
}

bool TPackTable::hasField(const QString &field) const
{
    return m_fields.contains(field);
}

int TPackTable::fieldIndex(const QString &field) const
{
    const int index = int(m_fields.indexOf(field));
    if (index < 0)
        throw StoreError(QStringLiteral("%1: Field '%2' not found").arg(displayName(), field));
    return index;
}

std::optional<QVariant> TPackTable::fieldValue(const QString &field) const
{
    const int index = fieldIndex(field);
    const qint64 id = currentRowId();
    if (!id)
        return std::nullopt;
    const Values *values = rowValues(id);
    if (!values)
        return std::nullopt;
    return decoded(values->at(index));
}

namespace {

QString shownText(const std::optional<QVariant> &value)
{
    if (!value)
        return QString();
    if (value->typeId() == QMetaType::Bool)
        return value->toBool() ? QStringLiteral("True") : QStringLiteral("False");
    return value->toString();
}

} // namespace

QString TPackTable::fieldText(const QString &field) const
{
    return shownText(fieldValue(field));
}

QStringList TPackTable::fieldTexts(const QString &field, int fromRecNo, int count) const
{
    const int index = fieldIndex(field);
    const int total = recordCount();
    const int from = std::max(fromRecNo, 1) - 1;
    const int end = int(std::min<qint64>(total, qint64(from) + std::max(count, 0)));
    QStringList texts;
    if (from >= end)
        return texts;
    texts.reserve(end - from);
    // Rows the table does not hold are read afterwards, many per query.
    QHash<qint64, int> unread;
    for (int i = from; i < end; ++i) {
        const qint64 id = m_view.at(i);
        bool held = false;
        const Values *values = heldValues(id, held);
        if (!held)
            unread.insert(id, i - from);
        texts.append(values ? shownText(decoded(values->at(index))) : QString());
    }
    constexpr int Chunk = 256;
    QVector<qint64> ids(unread.keyBegin(), unread.keyEnd());
    std::sort(ids.begin(), ids.end());
    const QString head = QStringLiteral("SELECT id, %1 FROM %2.%3 WHERE id IN (")
                             .arg(SqlStatement::quoteName(m_fields.at(index)), SqlStatement::quoteName(m_schema),
                                  SqlStatement::quoteName(m_sqlTable));
    try {
        for (int start = 0; start < ids.size(); start += Chunk) {
            const int n = std::min(Chunk, int(ids.size()) - start);
            QString sql = head;
            for (int k = 0; k < n; ++k)
                sql += k ? QStringLiteral(",?") : QStringLiteral("?");
            sql += QLatin1Char(')');
            SqlStatement select(connectionHandle(), sql);
            for (int k = 0; k < n; ++k)
                select.bindInt64(k + 1, ids.at(start + k));
            while (select.step())
                texts[unread.value(select.columnInt64(0))] = shownText(decoded(readValue(select, 1, m_kinds.at(index))));
        }
    } catch (const StoreError &) {
        // As with a single row: what cannot be read shows as empty text.
    }
    return texts;
}

TPackTable::State TPackTable::state() const
{
    return m_state;
}

TPackTable::Values &TPackTable::editBuffer(const char *operation)
{
    ensureActive(operation);
    if (m_state != State::Edit && m_state != State::Insert)
        throw StoreError(QStringLiteral("Table %1: not in edit or insert mode").arg(displayName()));
    return m_buffer;
}

std::optional<QVariant> TPackTable::convertForField(int column, const QVariant &value) const
{
    const FieldKind kind = m_kinds.at(column);
    switch (value.typeId()) {
    case QMetaType::Bool:
        if (kind == FieldKind::Logical)
            return QVariant(value.toBool());
        if (kind == FieldKind::Integer)
            return QVariant(qint64(value.toBool() ? 1 : 0));
        return QVariant(value.toBool() ? QStringLiteral("True") : QStringLiteral("False"));
    case QMetaType::LongLong:
        if (kind == FieldKind::Logical)
            return QVariant(value.toLongLong() != 0);
        if (kind == FieldKind::Integer)
            return value;
        return QVariant(QString::number(value.toLongLong()));
    default: {
        const QString text = value.toString();
        if (text.isEmpty())
            return std::nullopt;
        if (kind == FieldKind::Integer) {
            bool ok = false;
            const qint64 number = text.trimmed().toLongLong(&ok);
            if (!ok)
                throw ConversionError(QStringLiteral("'%1' is not a valid integer value").arg(text));
            return QVariant(number);
        }
        if (kind == FieldKind::Logical) {
            const std::optional<bool> flag = parseLogical(text);
            if (!flag)
                throw ConversionError(QStringLiteral("'%1' is not a valid boolean value").arg(text));
            return QVariant(*flag);
        }
        return QVariant(text);
    }
    }
}

void TPackTable::writeField(const QString &field, std::optional<QVariant> value)
{
    const int index = fieldIndex(field);
    Values &buffer = editBuffer("write a field");
    buffer[index] = value ? convertForField(index, *value) : std::nullopt;
    emit rowDataChanged(RecNo());
}

void TPackTable::setFieldText(const QString &field, const QString &value)
{
    writeField(field, QVariant(value));
}

void TPackTable::setFieldInt(const QString &field, qint64 value)
{
    writeField(field, QVariant(qint64(value)));
}

void TPackTable::setFieldBool(const QString &field, bool value)
{
    writeField(field, QVariant(value));
}

void TPackTable::clearField(const QString &field)
{
    writeField(field, std::nullopt);
}

qint64 TPackTable::newRowId()
{
    qint64 highest = m_lastId;
    SqlStatement maxId(connectionHandle(), QStringLiteral("SELECT max(id) FROM %1.%2")
                                                   .arg(SqlStatement::quoteName(m_schema),
                                                        SqlStatement::quoteName(m_sqlTable)));
    if (maxId.step() && !maxId.isNull(0))
        highest = std::max(highest, maxId.columnInt64(0));
    if (!m_pending.empty())
        highest = std::max(highest, m_pending.rbegin()->first);
    if (!m_inFlight.empty())
        highest = std::max(highest, m_inFlight.rbegin()->first);
    // Row numbers only grow: past the largest one there is none left, and
    // wrapping round to negative numbers would mix new rows with old ones.
    if (highest == std::numeric_limits<qint64>::max())
        throw StoreError(QStringLiteral("Table %1 is full: it has no row number left for a new row. "
                                        "Nothing was added.")
                             .arg(displayName()));
    m_lastId = highest + 1;
    return m_lastId;
}

void TPackTable::append()
{
    ensureActive("append a row");
    checkedView();
    postIfEditing();
    const qint64 id = newRowId();
    m_view.append(id);
    m_buffer = Values(m_fields.size());
    m_state = State::Insert;
    m_current = int(m_view.size()) - 1;
    m_eof = false;
    emit viewChanged();
    emit currentRowChanged();
}

void TPackTable::edit()
{
    ensureActive("edit");
    if (m_state == State::Edit || m_state == State::Insert)
        return;
    checkedView();
    const qint64 id = currentRowId();
    if (!id)
        throw StoreError(QStringLiteral("Table %1: no row to edit").arg(displayName()));
    const Values *values = rowValues(id);
    if (!values)
        throw StoreError(QStringLiteral("Table %1: the row cannot be read").arg(displayName()));
    m_buffer = normalized(*values);
    m_bufferBase = m_buffer;
    m_state = State::Edit;
}

void TPackTable::post()
{
    if (m_state != State::Edit && m_state != State::Insert)
        return;
    const qint64 id = currentRowId();
    const bool inserting = m_state == State::Insert;
    Values buffer = std::move(m_buffer);
    Values base = std::move(m_bufferBase);
    m_buffer.clear();
    m_bufferBase.clear();
    m_state = State::Browse;
    auto found = m_pending.find(id);
    if (inserting) {
        m_pending[id] = PendingRow{RowState::Inserted, buffer, {}};
    } else if (found != m_pending.end()) {
        found->second.values = buffer;
    } else {
        const Values *stored = rowValues(id);
        if (stored && normalized(*stored) == buffer)
            return;
        m_pending[id] = PendingRow{RowState::Modified, buffer, base};
    }
    emit rowDataChanged(RecNo());
}

void TPackTable::deleteRow()
{
    ensureActive("delete a row");
    checkedView();
    const qint64 id = currentRowId();
    if (!id)
        throw StoreError(QStringLiteral("Table %1: no row to delete").arg(displayName()));
    const bool wasInserting = m_state == State::Insert;
    m_buffer.clear();
    m_bufferBase.clear();
    m_state = State::Browse;
    if (!wasInserting) {
        auto found = m_pending.find(id);
        if (found != m_pending.end() && found->second.state == RowState::Inserted) {
            m_pending.erase(found);
        } else if (found != m_pending.end()) {
            found->second.state = RowState::Deleted;
        } else {
            const Values *stored = rowValues(id);
            m_pending[id] = PendingRow{RowState::Deleted, {}, stored ? normalized(*stored) : Values()};
        }
    }
    m_cache.remove(id);
    m_view.removeAt(m_current);
    if (m_current >= m_view.size())
        m_current = int(m_view.size()) - 1;
    m_eof = m_view.isEmpty();
    emit viewChanged();
    emit currentRowChanged();
}

void TPackTable::writePending(const std::map<qint64, PendingRow> &rows)
{
    sqlite3 *db = connectionHandle();
    const QString table = SqlStatement::quoteName(m_schema) + QLatin1Char('.') + SqlStatement::quoteName(m_sqlTable);
    QStringList names;
    QStringList marks;
    QStringList sets;
    for (const QString &f : m_fields) {
        names << SqlStatement::quoteName(f);
        marks << QStringLiteral("?");
        sets << SqlStatement::quoteName(f) + QStringLiteral(" = ?");
    }
    const QString insertSql = QStringLiteral("INSERT INTO %1 (id%2%3) VALUES (?%2%4)")
                                  .arg(table, names.isEmpty() ? QString() : QStringLiteral(", "),
                                       names.join(QLatin1String(", ")), marks.join(QLatin1String(", ")));
    const QString deleteSql = QStringLiteral("DELETE FROM %1 WHERE id = ?").arg(table);

    for (const auto &[id, row] : rows) {
        switch (row.state) {
        case RowState::Inserted: {
            SqlStatement insert(db, insertSql);
            insert.bindInt64(1, id);
            for (int i = 0; i < row.values.size(); ++i)
                insert.bindValue(i + 2, row.values.at(i));
            insert.run();
            break;
        }
        case RowState::Modified: {
            // Only the fields that were changed: what another program wrote
            // into the others stays.
            QStringList changed;
            QVector<int> columns;
            for (int i = 0; i < row.values.size(); ++i) {
                if (row.base.size() != row.values.size() || row.values.at(i) != row.base.at(i)) {
                    changed << sets.at(i);
                    columns << i;
                }
            }
            if (changed.isEmpty())
                break;
            SqlStatement update(db, QStringLiteral("UPDATE %1 SET %2 WHERE id = ?")
                                        .arg(table, changed.join(QLatin1String(", "))));
            for (int k = 0; k < columns.size(); ++k)
                update.bindValue(k + 1, row.values.at(columns.at(k)));
            update.bindInt64(int(columns.size()) + 1, id);
            update.run();
            break;
        }
        case RowState::Deleted: {
            SqlStatement remove(db, deleteSql);
            remove.bindInt64(1, id);
            remove.run();
            break;
        }
        }
    }
}

QVector<qint64> TPackTable::conflictingRows(const std::map<qint64, PendingRow> &rows) const
{
    QVector<qint64> conflicts;
    const int nimi = int(m_fields.indexOf(QLatin1String("Nimi")));
    std::unique_ptr<SqlStatement> select;
    for (const auto &[id, row] : rows) {
        if (row.state == RowState::Inserted || row.base.size() != m_fields.size())
            continue;
        if (!select)
            select = selectingRowById();
        select->reset();
        select->bindInt64(1, id);
        if (!select->step()) {
            // Gone: an edit has nothing to go into; a deletion is done already.
            if (row.state == RowState::Modified)
                conflicts << id;
            continue;
        }
        const Values stored = normalized(readValues(*select, 0));
        for (int i = 0; i < stored.size(); ++i) {
            const bool checked = row.state == RowState::Deleted || i == nimi || row.values.at(i) != row.base.at(i);
            if (checked && stored.at(i) != row.base.at(i)) {
                conflicts << id;
                break;
            }
        }
    }
    return conflicts;
}

QStringList TPackTable::restoreVanishedRows()
{
    ensureActive("restore rows");
    postIfEditing();
    const int ryhma = int(m_fields.indexOf(QLatin1String("Ryhma")));
    QStringList restored;
    for (auto &[id, row] : m_pending) {
        if (row.state != RowState::Modified)
            continue;
        SqlStatement select(connectionHandle(), QStringLiteral("SELECT 1 FROM %1.%2 WHERE id = ?")
                                      .arg(SqlStatement::quoteName(m_schema), SqlStatement::quoteName(m_sqlTable)));
        select.bindInt64(1, id);
        if (select.step())
            continue;
        row.state = RowState::Inserted;
        row.base.clear();
        const std::optional<QVariant> parent = ryhma >= 0 ? decoded(row.values.at(ryhma)) : std::nullopt;
        restored << (parent ? parent->toString() : QString());
    }
    return restored;
}

void TPackTable::rebase()
{
    ensureActive("read rows again");
    postIfEditing();
    for (auto &[id, row] : m_pending) {
        if (row.state == RowState::Inserted)
            continue;
        m_cache.remove(id);
        if (const std::optional<Values> stored = readStoredRow(id))
            row.base = normalized(*stored);
    }
}

bool TPackTable::reopenIfReplaced()
{
    ensureActive("check the files");
    return m_connection->reopenIfReplaced();
}

void TPackTable::setReopenedHandler(std::function<void(const QString &folder)> handler)
{
    StoreConnection::setReopenedHandler(std::move(handler));
}

bool TPackTable::storedContains(const QString &field, const QString &value) const
{
    ensureActive("look up a name");
    const int index = fieldIndex(field);
    const std::optional<QVariant> wanted = convertForField(index, QVariant(value));
    if (!wanted)
        return false;
    SqlStatement select(connectionHandle(), QStringLiteral("SELECT 1 FROM %1.%2 WHERE %3 = ? LIMIT 1")
                                  .arg(SqlStatement::quoteName(m_schema), SqlStatement::quoteName(m_sqlTable),
                                       SqlStatement::quoteName(field)));
    select.bindValue(1, wanted);
    return select.step();
}

void TPackTable::apply()
{
    ensureActive("apply changes");
    postIfEditing();
    if (m_pending.empty())
        return;
    if (!m_connection->inScope()) {
        try {
            m_connection->reopenIfReplaced();
        } catch (const StoreError &e) {
            throw StoreError(QStringLiteral("The changes of table %1 could not be saved: %2").arg(displayName(), e.message()));
        }
    }
    sqlite3 *db = connectionHandle();
    auto failure = [this](const QString &why) {
        return StoreError(QStringLiteral("The changes of table %1 could not be saved: %2").arg(displayName(), why));
    };
    auto write = [this] {
        if (!conflictingRows(m_pending).isEmpty())
            throw StoreConflict(QStringLiteral("The changes of table %1 were not saved: another program changed or "
                                               "deleted the rows since they were read")
                                    .arg(displayName()));
        writePending(m_pending);
    };

    if (m_connection->inScope()) {
        try {
            SqlStatement::exec(db, QStringLiteral("SAVEPOINT table_apply"));
        } catch (const StoreError &e) {
            throw failure(e.message());
        }
        for (bool retried = false;; retried = true) {
            try {
                write();
                SqlStatement::exec(db, QStringLiteral("RELEASE table_apply"));
                break;
            } catch (const StoreError &e) {
                const int code = sqlite3_extended_errcode(db);
                sqlite3_exec(db, "ROLLBACK TO table_apply", nullptr, nullptr, nullptr);
                const bool conflict = dynamic_cast<const StoreConflict *>(&e) != nullptr;
                if (!conflict && !retried && StoreConnection::isFileFault(code) && m_connection->detachDerived())
                    continue;
                sqlite3_exec(db, "RELEASE table_apply", nullptr, nullptr, nullptr);
                if (conflict)
                    throw;
                throw failure(e.message());
            }
        }
        mergeNewer(m_inFlight, m_pending, RowState::Inserted, RowState::Modified, RowState::Deleted);
        m_connection->addParticipant(this, [this](bool committed) { scopeFinished(committed); });
    } else {
        // A deferred transaction that has read cannot wait for another
        // process's write lock (SQLite answers "database is locked" at once
        // rather than risk a deadlock): the whole write is tried again for a
        // few seconds.
        const QDeadlineTimer busyDeadline(StoreConnection::BusyTimeoutMs);
        for (bool setAside = false;;) {
            try {
                // Deferred: only this table's file joins the transaction, so
                // its commit needs no super-journal over the other attached
                // files.
                SqlStatement::exec(db, QStringLiteral("BEGIN"));
            } catch (const StoreError &e) {
                throw failure(e.message());
            }
            try {
                write();
                SqlStatement::exec(db, QStringLiteral("COMMIT"));
                break;
            } catch (const StoreError &e) {
                const int code = sqlite3_extended_errcode(db);
                if (!sqlite3_get_autocommit(db))
                    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
                if (dynamic_cast<const StoreConflict *>(&e))
                    throw;
                if ((code & 0xff) == SQLITE_BUSY && !busyDeadline.hasExpired()) {
                    QThread::msleep(50);
                    continue;
                }
                // A damaged derived file (the search index) is set aside
                // and the change stored without it.
                if (setAside || !StoreConnection::isFileFault(code) || !m_connection->detachDerived())
                    throw failure(e.message());
                setAside = true;
            }
        }
    }
    for (const auto &entry : m_pending)
        m_cache.remove(entry.first);
    m_pending.clear();
    invalidateView(currentRowId(), m_current);
    emit viewChanged();
    emit currentRowChanged();
}

void TPackTable::scopeFinished(bool committed)
{
    if (m_state == State::Inactive) {
        m_inFlight.clear();
        return;
    }
    if (committed) {
        m_inFlight.clear();
        return;
    }
    // The rows written in the scope are on disk no more: they are pending
    // again, under whatever was changed after them.
    std::map<qint64, PendingRow> restored = std::move(m_inFlight);
    m_inFlight.clear();
    mergeNewer(restored, m_pending, RowState::Inserted, RowState::Modified, RowState::Deleted);
    m_pending = std::move(restored);
    m_cache.clear();
    invalidateView(currentRowId(), m_current);
    emit viewChanged();
    emit currentRowChanged();
}

void TPackTable::discard()
{
    ensureActive("discard changes");
    const qint64 id = currentRowId();
    const int position = m_current;
    const bool wasInserting = m_state == State::Insert;
    m_buffer.clear();
    m_bufferBase.clear();
    m_state = State::Browse;
    m_pending.clear();
    m_cache.clear();
    invalidateView(wasInserting ? 0 : id, position);
    emit viewChanged();
    emit currentRowChanged();
}

bool TPackTable::hasPendingChanges() const
{
    return !m_pending.empty() || m_state == State::Edit || m_state == State::Insert;
}

bool TPackTable::containsName(const QString &field, const QString &value) const
{
    ensureActive("look up a name");
    const int index = fieldIndex(field);
    const std::optional<QVariant> wanted = convertForField(index, QVariant(value));
    const qint64 editing = (m_state == State::Edit || m_state == State::Insert) ? currentRowId() : 0;
    if (editing && m_buffer.at(index) == wanted)
        return true;
    for (const auto &[id, row] : m_pending) {
        if (id != editing && row.state != RowState::Deleted && row.values.at(index) == wanted)
            return true;
    }
    if (!wanted)
        return false;
    SqlStatement select(connectionHandle(), QStringLiteral("SELECT id FROM %1.%2 WHERE %3 = ?")
                                                    .arg(SqlStatement::quoteName(m_schema),
                                                         SqlStatement::quoteName(m_sqlTable),
                                                         SqlStatement::quoteName(field)));
    select.bindValue(1, wanted);
    while (select.step()) {
        const qint64 id = select.columnInt64(0);
        if (id != editing && m_pending.find(id) == m_pending.end())
            return true;
    }
    return false;
}

void TPackTable::ResolveTableType()
{
    if (Active())
        close();
    const int dot = m_tableName.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0) {
        const QString extension = m_tableName.mid(dot).toUpper().left(4);
        if (extension == QLatin1String(".DBF"))
            m_tableType = TTableType::dBase;
        else if (extension == QLatin1String(".DB"))
            m_tableType = TTableType::Paradox;
        else
            m_tableType = TTableType::Default;
        return;
    }
    if (m_tableType == TTableType::Paradox)
        m_tableName += QLatin1String(".DB");
    else if (m_tableType == TTableType::dBase)
        m_tableName += QLatin1String(".DBF");
}

bool TPackTable::Pack()
{
    const bool wasActive = Active();
    bool packed = false;
    try {
        ResolveTableType();
        if (m_exclusive) {
            open();
            if (m_tableType != TTableType::Default && !m_connection->inScope()) {
                const QString schema = SqlStatement::quoteName(m_schema);
                // Reindexing frees pages, so it comes before the vacuum.
                if (m_tableType == TTableType::dBase)
                    m_connection->exec(QStringLiteral("REINDEX %1.%2").arg(schema, SqlStatement::quoteName(m_sqlTable)));
                m_connection->exec(QStringLiteral("VACUUM %1").arg(schema));
                packed = true;
            }
        }
    } catch (const std::exception &) {
        packed = false;
    }
    try {
        setActive(wasActive);
    } catch (const std::exception &) {
        return false;
    }
    return packed;
}

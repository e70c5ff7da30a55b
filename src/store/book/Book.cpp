#include "store/book/Book.h"

#include "store/table/JpegCodec.h"
#include "store/table/PackTable.h"
#include "store/table/PictureFiles.h"
#include "store/table/PicturePaths.h"
#include "store/table/ProgramError.h"
#include "store/book/RecipeBook.h"
#include "store/book/RecipeSearch.h"
#include "store/table/RecipeRow.h"
#include "store/table/StoreTransaction.h"
#include "store/book/Trash.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QVariant>

#include <optional>

namespace RecipeBook {

namespace {

const QString Nimi = QStringLiteral("Nimi");
const QString Ryhma = QStringLiteral("Ryhma");

std::unique_ptr<TPackTable> makeTable(const QString &dataFolder, const char *objectName, const char *tableName)
{
    auto table = std::make_unique<TPackTable>();
    table->setObjectName(QLatin1String(objectName));
    table->setDatabaseName(dataFolder);
    table->setTableName(QLatin1String(tableName));
    table->setTableType(TTableType::Paradox);
    table->setFiltered(true);
    return table;
}

void openIfClosed(TPackTable &table)
{
    if (!table.Active())
        table.open();
}

// Marks every recipe of the current filter of `recipes` deleted; their names
// are appended to `removed`, their row ids to `ids`.
void deleteFilteredRecipes(TPackTable &recipes, QStringList &removed, QVector<qint64> &ids)
{
    recipes.first();
    while (recipes.recordCount() > 0) {
        removed.append(recipes.fieldText(Nimi));
        ids.append(recipes.currentRowId());
        recipes.deleteRow();
    }
}

bool hasName(TPackTable &table, const QString &name)
{
    if (table.Active())
        return table.containsName(Nimi, name);
    table.open();
    bool found = false;
    try {
        found = table.containsName(Nimi, name);
    } catch (...) {
        table.close();
        throw;
    }
    table.close();
    return found;
}

} // namespace

QString childFilter(const QString &name)
{
    return QStringLiteral("Ryhma = '") + name + QLatin1Char('\'');
}

Book::Book(const QString &dataFolder, const QString &picsFolder)
    : m_mainGroups(makeTable(dataFolder, "Table1", "Paaryhma"))
    , m_subgroups(makeTable(dataFolder, "Table2", "Alaryhma"))
    , m_recipes(makeTable(dataFolder, "Table3", "Ohje"))
    , m_workMainGroups(makeTable(dataFolder, "WorkMainGroups", "Paaryhma"))
    , m_workSubgroups(makeTable(dataFolder, "WorkSubgroups", "Alaryhma"))
    , m_workRecipes(makeTable(dataFolder, "WorkRecipes", "Ohje"))
    , m_listSubgroups(makeTable(dataFolder, "ListSubgroups", "Alaryhma"))
    , m_listRecipes(makeTable(dataFolder, "ListRecipes", "Ohje"))
    , m_editRecipes(makeTable(dataFolder, "EditRecipes", "Ohje"))
    , m_dataFolder(dataFolder)
    , m_picsFolder(picsFolder)
{
}

bool Book::hasTrash() const
{
    return QFile::exists(Trash::fileName(m_dataFolder));
}

std::unique_ptr<Trash> Book::openTrash() const
{
    return std::make_unique<Trash>(m_dataFolder, m_picsFolder);
}

std::unique_ptr<RecipeSearch> Book::openSearch(bool lookNow) const
{
    return std::make_unique<RecipeSearch>(m_dataFolder, lookNow);
}

Trash::Restored Book::restoreFromTrash(qint64 entryId)
{
    const Trash::Restored done = openTrash()->restore(entryId);
    emit groupsChanged();
    emit subgroupsChanged(done.mainGroup);
    if (!done.subgroup.isEmpty())
        emit recipesChanged(done.subgroup);
    return done;
}

Book::~Book() = default;

template <typename Work>
auto Book::changing(Work work) -> decltype(work())
{
    struct Settle {
        Book &book;
        ~Settle()
        {
            for (TPackTable *table : {book.m_workMainGroups.get(), book.m_workSubgroups.get(), book.m_workRecipes.get()}) {
                try {
                    if (table->Active())
                        table->discard();
                } catch (const ProgramError &) {
                    // A table the failure closed holds nothing pending.
                }
            }
            book.rereadShownTables();
        }
    } settle{*this};
    return work();
}

void Book::rereadShownTables()
{
    for (TPackTable *table : {m_mainGroups.get(), m_subgroups.get(), m_recipes.get()}) {
        try {
            table->reread();
        } catch (const ProgramError &) {
            // The next use of the table reports it.
        }
    }
    // What the book changed counts as read for the recipe being edited,
    // unless a write of it waits to be settled.
    try {
        if (!m_editRecipes->hasPendingChanges())
            m_editRecipes->reread();
    } catch (const ProgramError &) {
    }
}

TPackTable &Book::rowOf(TPackTable &work, qint64 id, const char *what) const
{
    openIfClosed(work);
    work.showOnlyRow(id);
    if (id == 0 || work.RecNo() <= 0)
        throw StoreError(QStringLiteral("The %1 is no longer in the recipe book.").arg(QLatin1String(what)));
    return work;
}

std::optional<Book::Recipe> Book::recipe(qint64 id) const
{
    // Read anew: the shown table may have written it.
    return readRecipe(*m_workRecipes, id, [](TPackTable &t) { t.reread(); });
}

std::optional<Book::Recipe> Book::recipeForEditing(qint64 id)
{
    // What an earlier write left pending goes: the window shows what is stored.
    return readRecipe(*m_editRecipes, id, [](TPackTable &t) { t.discard(); });
}

std::optional<Book::Recipe> Book::readRecipe(TPackTable &t, qint64 id, void (*freshen)(TPackTable &))
{
    if (id == 0)
        return std::nullopt;
    openIfClosed(t);
    freshen(t);
    t.showOnlyRow(id);
    if (t.RecNo() <= 0)
        return std::nullopt;
    Recipe r;
    r.id = id;
    r.name = t.fieldText(Nimi);
    r.subgroup = t.fieldText(Ryhma);
    r.description = t.fieldText(QStringLiteral("Kuvaus"));
    r.difficulty = t.fieldText(QStringLiteral("Aste"));
    r.time = t.fieldText(QStringLiteral("Aika"));
    r.portions = t.fieldText(QStringLiteral("Annos"));
    r.ingredients = t.fieldText(QStringLiteral("Aineet"));
    r.directions = t.fieldText(QStringLiteral("Ohje"));
    const std::optional<QVariant> kuva = t.fieldValue(QStringLiteral("Kuva"));
    r.hasPicture = kuva.has_value() && kuva->toBool();
    return r;
}

void Book::setTexts(qint64 id, const std::optional<QString> &ingredients, const std::optional<QString> &directions)
{
    writeEdited(id, [&](RecipeRow row) { row.setTexts(ingredients, directions); });
}

void Book::setPortions(qint64 id, int count)
{
    writeEdited(id, [&](RecipeRow row) { row.setPortionCount(count); });
}

void Book::setScaledIngredients(qint64 id, const QString &ingredients, int count,
                                const std::optional<QString> &directions)
{
    writeEdited(id, [&](RecipeRow row) { row.setScaledIngredients(ingredients, count, directions); });
}

void Book::writeEdited(qint64 id, const std::function<void(RecipeRow)> &write)
{
    // The recipe as it was read for editing; another recipe, or one whose
    // pending write was dropped, is read now.
    openIfClosed(*m_editRecipes);
    if (id == 0 || m_editRecipes->currentRowId() != id) {
        m_editRecipes->discard();
        m_editRecipes->showOnlyRow(id);
        if (id == 0 || m_editRecipes->RecNo() <= 0)
            throw StoreError(QStringLiteral("The recipe is no longer in the recipe book."));
    }
    try {
        write(RecipeRow(*m_editRecipes));
    } catch (...) {
        // The write stays pending, to be settled or dropped (discardPending).
        rereadShownTables();
        throw;
    }
    rereadShownTables();
    emit recipeChanged(id);
}

bool Book::settleEditConflict(const QString &mainGroup)
{
    if (!m_editRecipes->Active() || !m_editRecipes->hasPendingChanges())
        return false;
    const qint64 id = m_editRecipes->currentRowId();
    const QString subgroup = m_editRecipes->fieldText(Ryhma);
    if (storeAgain(*m_editRecipes, mainGroup)) {
        rereadShownTables();
        emit subgroupsChanged(mainGroup);
        emit recipesChanged(subgroup);
        emit recipeChanged(id);
        return true;
    }
    m_editRecipes->rebase();
    return false;
}

QVector<Book::Entry> Book::entries(TPackTable &table, int from, int count)
{
    const QVector<qint64> ids = table.rowIds(from + 1, count);
    const QStringList names = table.fieldTexts(Nimi, from + 1, count);
    QVector<Entry> result;
    result.reserve(ids.size());
    for (qsizetype i = 0; i < ids.size() && i < names.size(); ++i)
        result.append({ids.at(i), names.at(i)});
    return result;
}

QVector<Book::Entry> Book::mainGroupEntries() const
{
    // The work table, widened to every row and read anew.
    openIfClosed(*m_workMainGroups);
    m_workMainGroups->reread();
    m_workMainGroups->setFilter(QString());
    return entries(*m_workMainGroups, 0, m_workMainGroups->recordCount());
}

TPackTable *Book::filteredTo(TPackTable &parents, TPackTable &list, qint64 parentId) const
{
    const std::optional<QString> parent = storedNameOf(parents, parentId);
    if (!parent) {
        list.close();
        return nullptr;
    }
    openIfClosed(list);
    list.reread();
    if (list.Filter() != childFilter(*parent))
        list.setFilter(childFilter(*parent));
    return &list;
}

QVector<Book::Entry> Book::subgroupsOf(qint64 mainGroupId) const
{
    TPackTable *list = filteredTo(*m_workMainGroups, *m_listSubgroups, mainGroupId);
    return list ? entries(*list, 0, list->recordCount()) : QVector<Entry>();
}

int Book::recipeCountOf(qint64 subgroupId) const
{
    TPackTable *list = filteredTo(*m_workSubgroups, *m_listRecipes, subgroupId);
    return list ? list->recordCount() : 0;
}

QVector<Book::Entry> Book::recipesOf(qint64 subgroupId, int from, int count) const
{
    // The first part is read anew; later parts of the same subgroup come
    // from the view it worked out, so that paging through a large subgroup
    // reads its rows once.
    const std::optional<QString> subgroup = storedNameOf(*m_workSubgroups, subgroupId);
    if (!subgroup)
        return {};
    if (from == 0 || !m_listRecipes->Active() || m_listRecipes->Filter() != childFilter(*subgroup))
        filteredTo(*m_workSubgroups, *m_listRecipes, subgroupId);
    return entries(*m_listRecipes, from, count);
}

std::optional<QString> Book::mainGroupName(qint64 id) const
{
    return nameOf(*m_workMainGroups, id);
}

std::optional<QString> Book::subgroupName(qint64 id) const
{
    return nameOf(*m_workSubgroups, id);
}

std::optional<QString> Book::nameOf(TPackTable &work, qint64 id)
{
    if (id == 0)
        return std::nullopt;
    openIfClosed(work);
    work.showOnlyRow(id);
    if (work.RecNo() <= 0)
        return std::nullopt;
    return work.fieldText(Nimi);
}

std::optional<QString> Book::storedNameOf(TPackTable &work, qint64 id)
{
    // Read anew: the row may have been renamed through another table.
    if (work.Active())
        work.reread();
    return nameOf(work, id);
}

void Book::replaced()
{
    rereadShownTables();
    emit bookReplaced();
}

QString Book::picturePath(const QString &recipeName) const
{
    return m_picsFolder + PicturePaths::pictureFileName(recipeName);
}

Book::Survey Book::surveyMainGroup(TPackTable &subgroups, TPackTable &recipes, const QString &name)
{
    Survey survey;
    openIfClosed(recipes);
    openIfClosed(subgroups);
    subgroups.setFilter(childFilter(name));
    for (subgroups.first(); !subgroups.eof(); subgroups.next()) {
        survey.lastSubgroup = subgroups.fieldText(Nimi);
        recipes.setFilter(childFilter(survey.lastSubgroup));
        if (recipes.recordCount() > 0)
            survey.hasRecipes = true;
    }
    survey.hasSubgroups = subgroups.recordCount() > 0;
    return survey;
}

Book::Survey Book::surveyMainGroup()
{
    return surveyMainGroup(*m_subgroups, *m_recipes, m_mainGroups->fieldText(Nimi));
}

Book::Survey Book::surveyMainGroupOf(qint64 id)
{
    const QString name = rowOf(*m_workMainGroups, id, "main group").fieldText(Nimi);
    return surveyMainGroup(*m_workSubgroups, *m_workRecipes, name);
}

Book::Survey Book::surveySubgroupOf(qint64 id)
{
    Survey survey;
    survey.hasSubgroups = true;
    const QString name = rowOf(*m_workSubgroups, id, "subgroup").fieldText(Nimi);
    openIfClosed(*m_workRecipes);
    m_workRecipes->setFilter(childFilter(name));
    survey.hasRecipes = m_workRecipes->recordCount() > 0;
    return survey;
}

Book::Survey Book::surveySubgroup()
{
    Survey survey;
    survey.hasSubgroups = true;
    openIfClosed(*m_recipes);
    m_recipes->setFilter(childFilter(m_subgroups->fieldText(Nimi)));
    survey.hasRecipes = m_recipes->recordCount() > 0;
    return survey;
}

qint64 Book::addMainGroup(const QString &name)
{
    openIfClosed(*m_mainGroups);
    m_mainGroups->append();
    m_mainGroups->setFieldText(Nimi, name);
    const qint64 id = m_mainGroups->currentRowId();
    m_mainGroups->apply();
    emit groupsChanged();
    return id;
}

bool Book::addChild(TPackTable &parents, const QString &parent, TPackTable &children, const QString &name, qint64 *id)
{
    openIfClosed(children);
    children.append();
    children.setFieldText(Nimi, name);
    children.setFieldText(Ryhma, parent);
    if (id)
        *id = children.currentRowId();
    // The parent is looked up inside the transaction, so that no other
    // program can delete it before the commit.
    openIfClosed(parents);
    StoreTransaction scope(children);
    if (!parents.storedContains(Nimi, parent))
        return false;
    children.apply();
    scope.commit();
    return true;
}

bool Book::addSubgroup(const QString &mainGroup, const QString &name, qint64 *id)
{
    const bool added = addChild(*m_mainGroups, mainGroup, *m_subgroups, name, id);
    if (added)
        emit subgroupsChanged(mainGroup);
    return added;
}

bool Book::addRecipe(const QString &subgroup, const QString &name, qint64 *id)
{
    const bool added = addChild(*m_subgroups, subgroup, *m_recipes, name, id);
    if (added)
        emit recipesChanged(subgroup);
    return added;
}

bool Book::removeAddedRecipe(qint64 id)
{
    m_recipes->discard();
    if (m_editRecipes->Active())
        m_editRecipes->discard();
    if (!recipe(id))
        return true;
    QString subgroup;
    try {
        changing([&] {
            TPackTable &recipes = rowOf(*m_workRecipes, id, "recipe");
            subgroup = recipes.fieldText(Ryhma);
            StoreTransaction scope(recipes);
            recipes.deleteRow();
            recipes.apply();
            scope.commit();
        });
    } catch (const StoreError &) {
        return false;
    }
    emit recipeChanged(id);
    emit recipesChanged(subgroup);
    return true;
}

// Gives the row `id` of `parent` the new name and moves its children (the
// rows of `children` whose Ryhma is the old name) to it. The new name and the
// children that follow it are committed together, or not at all.
bool Book::renameWithChildren(TPackTable &parent, TPackTable &children, qint64 id, const QString &newName)
{
    return changing([&] {
        openIfClosed(children);
        rowOf(parent, id, &parent == m_workMainGroups.get() ? "main group" : "subgroup");
        StoreTransaction scope(parent);
        const QString oldName = parent.fieldText(Nimi);
        parent.edit();
        parent.setFieldText(Nimi, newName);
        parent.apply();
        children.setFilter(childFilter(oldName));
        const bool hasChildren = children.recordCount() > 0;
        if (hasChildren) {
            for (children.first(); !children.eof(); children.next()) {
                children.edit();
                children.setFieldText(Ryhma, newName);
                children.post();
            }
            children.apply();
        }
        scope.commit();
        return hasChildren;
    });
}

bool Book::renameMainGroup(qint64 id, const QString &newName)
{
    const bool hadChildren = renameWithChildren(*m_workMainGroups, *m_workSubgroups, id, newName);
    emit groupsChanged();
    return hadChildren;
}

bool Book::renameSubgroup(qint64 id, const QString &newName)
{
    const std::optional<QString> before = subgroupName(id);
    openIfClosed(*m_workSubgroups);
    const QString mainGroup = m_workSubgroups->RecNo() > 0 ? m_workSubgroups->fieldText(Ryhma) : QString();
    const bool hadChildren = renameWithChildren(*m_workSubgroups, *m_workRecipes, id, newName);
    emit subgroupsChanged(mainGroup);
    if (before)
        emit recipesChanged(*before);
    emit recipesChanged(newName);
    return hadChildren;
}

bool Book::renameRecipe(qint64 id, const QString &newName, QString *reason, bool *pictureMoved)
{
    QString subgroup;
    const bool renamed = changing([&] {
        TPackTable &row = rowOf(*m_workRecipes, id, "recipe");
        const QString oldName = row.fieldText(Nimi);
        subgroup = row.fieldText(Ryhma);
        const std::optional<QVariant> kuva = row.fieldValue(QStringLiteral("Kuva"));
        const bool hasPicture = kuva.has_value() && kuva->toBool();
        const QString oldPicture = picturePath(oldName);
        const QString newPicture = picturePath(newName);
        if (hasPicture && !PictureFiles::copyPicture(oldPicture, newPicture, reason))
            return false;
        try {
            row.edit();
            row.setFieldText(Nimi, newName);
            row.apply();
        } catch (...) {
            if (hasPicture)
                QFile::remove(newPicture);
            throw;
        }
        if (hasPicture)
            QFile::remove(oldPicture);
        if (pictureMoved)
            *pictureMoved = hasPicture;
        return true;
    });
    if (renamed) {
        emit recipeChanged(id);
        emit recipesChanged(subgroup);
    }
    return renamed;
}

void Book::removePictures(const QStringList &recipeNames) const
{
    // A missing file, or one that cannot be removed, is left as it is.
    for (const QString &name : recipeNames) {
        const QString path = picturePath(name);
        if (QFile::exists(path))
            QFile::remove(path);
    }
}

QStringList Book::deleteMainGroup(qint64 id)
{
    TrashDeposit trash(m_mainGroups->DatabaseName(), m_picsFolder);
    QString mainGroup;
    QStringList emptied;
    const QStringList removed = changing([&] {
        TPackTable &mainGroups = rowOf(*m_workMainGroups, id, "main group");
        TPackTable &subgroups = *m_workSubgroups;
        TPackTable &recipes = *m_workRecipes;
        openIfClosed(subgroups);
        openIfClosed(recipes);
        QStringList names;
        StoreTransaction scope(mainGroups);
        TrashDeposit::Rows rows;
        rows.mainGroups.append(id);
        mainGroup = mainGroups.fieldText(Nimi);
        subgroups.setFilter(childFilter(mainGroup));
        int count = 0;
        for (subgroups.first(); !subgroups.eof(); subgroups.next()) {
            rows.subgroups.append(subgroups.currentRowId());
            emptied.append(subgroups.fieldText(Nimi));
            recipes.setFilter(childFilter(subgroups.fieldText(Nimi)));
            deleteFilteredRecipes(recipes, names, rows.recipes);
            ++count;
        }
        subgroups.first();
        for (int i = 0; i < count && subgroups.recordCount() > 0; ++i)
            subgroups.deleteRow();
        // The rows go into the trash in the commit that removes them.
        trash.put(Trash::Kind::MainGroup, rows);
        recipes.apply();
        subgroups.apply();
        mainGroups.deleteRow();
        mainGroups.apply();
        scope.commit();
        return names;
    });
    // Picture files leave Pics once their rows are in the trash for good.
    trash.committed();
    // Lists that show what went are read again: they show nothing now.
    emit groupsChanged();
    emit subgroupsChanged(mainGroup);
    for (const QString &subgroup : std::as_const(emptied))
        emit recipesChanged(subgroup);
    return removed;
}

QStringList Book::deleteSubgroup(qint64 id)
{
    TrashDeposit trash(m_subgroups->DatabaseName(), m_picsFolder);
    QString mainGroup;
    QString subgroup;
    const QStringList removed = changing([&] {
        TPackTable &subgroups = rowOf(*m_workSubgroups, id, "subgroup");
        TPackTable &recipes = *m_workRecipes;
        openIfClosed(recipes);
        mainGroup = subgroups.fieldText(Ryhma);
        subgroup = subgroups.fieldText(Nimi);
        QStringList names;
        StoreTransaction scope(subgroups);
        TrashDeposit::Rows rows;
        rows.subgroups.append(id);
        recipes.setFilter(childFilter(subgroup));
        deleteFilteredRecipes(recipes, names, rows.recipes);
        trash.put(Trash::Kind::Subgroup, rows);
        subgroups.deleteRow();
        recipes.apply();
        subgroups.apply();
        scope.commit();
        return names;
    });
    trash.committed();
    emit subgroupsChanged(mainGroup);
    emit recipesChanged(subgroup);
    return removed;
}

void Book::deleteRecipe(qint64 id)
{
    TrashDeposit trash(m_recipes->DatabaseName(), m_picsFolder);
    QString subgroup;
    changing([&] {
        TPackTable &recipes = rowOf(*m_workRecipes, id, "recipe");
        subgroup = recipes.fieldText(Ryhma);
        StoreTransaction scope(recipes);
        TrashDeposit::Rows rows;
        rows.recipes.append(id);
        trash.put(Trash::Kind::Recipe, rows);
        recipes.deleteRow();
        recipes.apply();
        scope.commit();
    });
    trash.committed();
    emit recipeChanged(id);
    emit recipesChanged(subgroup);
}

void Book::setDescription(qint64 id, const QString &text)
{
    writeRecipe(id, [&](RecipeRow row) { row.setDescription(text); });
}

void Book::setDifficultyAndTime(qint64 id, const QString &difficulty, const QString &time)
{
    writeRecipe(id, [&](RecipeRow row) { row.setDifficultyAndTime(difficulty, time); });
}

void Book::writeRecipe(qint64 id, const std::function<void(RecipeRow)> &write)
{
    // A recipe in the shown table is written there: the values it showed are
    // what another program's change is checked against, and after a conflict
    // its row stays pending for the caller to settle. The shown table's
    // current row stays where it was.
    if (id && m_recipes->Active() && m_recipes->positionOf(id) > 0) {
        const qint64 current = m_recipes->currentRowId();
        m_recipes->locate(id);
        try {
            write(RecipeRow(*m_recipes));
        } catch (...) {
            m_recipes->locate(current);
            throw;
        }
        m_recipes->locate(current);
    } else {
        changing([&] { write(RecipeRow(rowOf(*m_workRecipes, id, "recipe"))); });
    }
    emit recipeChanged(id);
}

bool Book::groupNameTaken(TPackTable &mainGroups, TPackTable &subgroups, const QString &name)
{
    return hasName(mainGroups, name) || hasName(subgroups, name);
}

bool Book::recipeNameTaken(TPackTable &recipes, const QString &name)
{
    return hasName(recipes, name);
}

QImage Book::decodePictureFile(const QString &path, QString *refused)
{
    QByteArray data;
    if (PictureFiles::readPicture(path, &data, refused) != PictureFiles::ReadResult::Read)
        return QImage();
    refused->clear();
    return decodePicture(data);
}

QImage Book::decodePicture(const QByteArray &data)
{
    // JPEG files go through the program's own decoder; the other formats
    // (PNG, BMP, GIF, ICO, SVG) through the toolkit's readers.
    try {
        return JpegCodec::decode(data);
    } catch (const StoreError &) {
    }
    QByteArray bytes = data;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    if (reader.format() == "jpeg" || reader.format() == "jpg")
        return QImage();
    // Pictures beyond 10,000 x 10,000 pixels are refused.
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > 10000 || size.height() > 10000))
        return QImage();
    // Some formats (GIF) tell their size only while reading.
    const QImage read = reader.read();
    if (read.width() > 10000 || read.height() > 10000)
        return QImage();
    return read;
}

PictureFiles::ReadResult Book::readStoredPicture(const QString &path, QImage *image, QString *reason)
{
    QByteArray bytes;
    const PictureFiles::ReadResult read = PictureFiles::readPicture(path, &bytes, reason);
    *image = QImage();
    if (read == PictureFiles::ReadResult::Read) {
        // A stored picture that does not decode is shown as none.
        try {
            *image = JpegCodec::decode(bytes);
        } catch (const StoreError &) {
        }
    }
    return read;
}

Book::PictureResult Book::setPicture(qint64 id, const QString &file, QString *reason)
{
    const PictureResult result = changing([&] {
        TPackTable &row = rowOf(*m_workRecipes, id, "recipe");
        const QImage source = decodePictureFile(file, reason);
        if (source.isNull())
            return PictureResult::NotAPicture;
        if (!writePicture(source, picturePath(row.fieldText(Nimi)), reason))
            return PictureResult::NotWritten;
        row.edit();
        row.setFieldBool(QStringLiteral("Kuva"), true);
        row.apply();
        return PictureResult::Set;
    });
    if (result == PictureResult::Set)
        emit recipeChanged(id);
    return result;
}

bool Book::writePicture(const QImage &source, const QString &path, QString *reason)
{
    // Stretched over the whole square; the aspect ratio is not kept.
    QImage bitmap(169, 169, QImage::Format_RGB32);
    bitmap.fill(Qt::white);
    {
        QPainter painter(&bitmap);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRect(0, 0, 169, 169), source);
    }
    // Written under a temporary name in the picture folder and renamed into place.
    try {
        JpegCodec::encodeFile(bitmap, path, 90);
    } catch (const StoreError &e) {
        if (reason)
            *reason = e.message();
        return false;
    }
    return true;
}

void Book::removePicture(qint64 id)
{
    const QString name = changing([&] {
        TPackTable &row = rowOf(*m_workRecipes, id, "recipe");
        const QString recipeName = row.fieldText(Nimi);
        row.edit();
        row.setFieldBool(QStringLiteral("Kuva"), false);
        row.apply();
        return recipeName;
    });
    removePictures({name});
    emit recipeChanged(id);
}

void Book::packTables(int tables)
{
    if (tables & RecipeTable)
        pack(*m_recipes);
    if (tables & SubgroupTable)
        pack(*m_subgroups);
    if (tables & MainGroupTable)
        pack(*m_mainGroups);
}

void Book::open()
{
    try {
        m_mainGroups->open();
        m_subgroups->open();
        m_recipes->open();
    } catch (const StoreError &) {
        m_mainGroups->close();
        m_subgroups->close();
        m_recipes->close();
        throw;
    }
    // Opened only to be checked: what is shown is read by id.
    m_subgroups->close();
    m_recipes->close();
}

bool Book::reopenIfReplaced()
{
    return m_mainGroups->Active() && m_mainGroups->reopenIfReplaced();
}

void Book::setReopenedHandler(std::function<void(const QString &folder)> handler)
{
    TPackTable::setReopenedHandler(std::move(handler));
}

void Book::followRecipe(qint64 subgroupId, qint64 recipeId)
{
    const std::optional<QString> subgroup = storedNameOf(*m_workSubgroups, subgroupId);
    if (!subgroup) {
        m_recipes->close();
        return;
    }
    openIfClosed(*m_recipes);
    if (m_recipes->Filter() != childFilter(*subgroup))
        m_recipes->setFilter(childFilter(*subgroup));
    if (recipeId && m_recipes->currentRowId() != recipeId)
        m_recipes->locate(recipeId);
}

bool Book::hasPendingChanges() const
{
    for (const TPackTable *table : {m_mainGroups.get(), m_subgroups.get(), m_recipes.get(), m_editRecipes.get()}) {
        if (table->Active() && table->hasPendingChanges())
            return true;
    }
    return false;
}

void Book::discardPending()
{
    for (TPackTable *table : {m_mainGroups.get(), m_subgroups.get(), m_recipes.get(), m_editRecipes.get()}) {
        // Discarding also reads the rows anew.
        if (table->Active())
            table->discard();
    }
}

bool Book::storeAgainPending(const QString &mainGroup)
{
    bool storedAgain = false;
    for (TPackTable *table : {m_mainGroups.get(), m_subgroups.get(), m_recipes.get()}) {
        if (table->Active() && table->hasPendingChanges() && storeAgain(*table, mainGroup))
            storedAgain = true;
    }
    return storedAgain;
}

void Book::pack(TPackTable &table)
{
    // A table that was closed stays closed: opening it here would show every
    // row of a table whose filter has not been set yet.
    const bool wasActive = table.Active();
    table.close();
    table.setExclusive(true);
    table.Pack();
    if (wasActive)
        table.open();
}

} // namespace RecipeBook

#pragma once

#include "store/book/Trash.h"
#include "store/table/PictureFiles.h"
#include "store/table/RecipeRow.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <memory>
#include <optional>

class RecipeSearch;

class TPackTable;

namespace RecipeBook {

class Trash;

// The recipe book of one data folder: its three tables (main groups
// "Paaryhma", subgroups "Alaryhma", recipes "Ohje") and its picture folder,
// with the operations that change them.
//
// Operations name their target by its stored row id. They work on tables of
// their own, so that where the shown tables' cursors stand never decides what
// is changed; afterwards the shown tables (mainGroups(), subgroups(),
// recipes()) read the changed rows anew, keeping their current rows, and the
// book signals what changed. Each operation is one store transaction: on a
// StoreError or StoreConflict nothing of it is on disk, nothing of it stays
// pending, and every picture file is as it was.
//
// The older calls without an id act on the current row of the shown table.
class Book : public QObject
{
    Q_OBJECT

public:
    // Makes the tables of `dataFolder` (closed, filtered) and remembers the
    // picture folder `picsFolder` (ending in '/').
    Book(const QString &dataFolder, const QString &picsFolder);
    ~Book() override;
    Q_DISABLE_COPY_MOVE(Book)

    // The book's folders: the table files, and the pictures (ending in '/').
    const QString &dataFolder() const { return m_dataFolder; }
    const QString &picsFolder() const { return m_picsFolder; }
    // The book's trash and search index, handed out on the book's folders, so
    // that no window opens them from a path. `hasTrash` is false until the
    // first deletion made the trash's file.
    bool hasTrash() const;
    std::unique_ptr<Trash> openTrash() const;
    std::unique_ptr<RecipeSearch> openSearch(bool lookNow = true) const;
    // Puts the trash's entry `entryId` back where it was (see
    // Trash::restore) and says so: the main groups, the subgroups of its main
    // group and the recipes of its subgroup changed.
    Trash::Restored restoreFromTrash(qint64 entryId);

    // The stored fields of one recipe, read by id.
    struct Recipe {
        qint64 id = 0;
        QString name;
        QString subgroup;
        QString description;
        QString difficulty;
        QString time;
        QString portions;
        QString ingredients;
        QString directions;
        bool hasPicture = false;
    };
    // Nothing when no recipe has that id.
    std::optional<Recipe> recipe(qint64 id) const;
    // What the lists show: a row's stored id and name, in the book's order
    // (the order the rows were added in).
    struct Entry {
        qint64 id = 0;
        QString name;
        bool operator==(const Entry &other) const { return id == other.id && name == other.name; }
    };
    // Every main group.
    QVector<Entry> mainGroupEntries() const;
    // The subgroups of the main group `mainGroupId`; none when it is gone.
    QVector<Entry> subgroupsOf(qint64 mainGroupId) const;
    // The recipes of the subgroup `subgroupId` (none when it is gone), read a
    // part at a time: a subgroup may hold 100,000 recipes. recipesOf returns
    // at most `count` of them from the 0-based position `from`.
    int recipeCountOf(qint64 subgroupId) const;
    QVector<Entry> recipesOf(qint64 subgroupId, int from, int count) const;
    // The name of the main group or subgroup `id`; nothing when it is gone.
    std::optional<QString> mainGroupName(qint64 id) const;
    std::optional<QString> subgroupName(qint64 id) const;

    // What deleting the main group or subgroup `id` would take along.
    struct Survey;
    Survey surveyMainGroupOf(qint64 id);
    Survey surveySubgroupOf(qint64 id);

    // Renames the main group / subgroup `id`; its children follow in the same
    // commit. True when it had children.
    bool renameMainGroup(qint64 id, const QString &newName);
    bool renameSubgroup(qint64 id, const QString &newName);
    // Renames the recipe `id`; its picture goes along (copied to the new
    // name, committed, the old file removed), so that a crash at any point
    // leaves the name and a file of that name together. False with `reason`
    // when the picture cannot be copied: nothing is changed. `pictureMoved`
    // tells whether the recipe had a picture that went along.
    bool renameRecipe(qint64 id, const QString &newName, QString *reason, bool *pictureMoved = nullptr);
    // Deletes the group or recipe `id` with everything under it into the
    // trash, in one commit; the picture files of the removed recipes go
    // after the commit. Returns the names of the removed recipes. The
    // tables are not packed.
    QStringList deleteMainGroup(qint64 id);
    QStringList deleteSubgroup(qint64 id);
    void deleteRecipe(qint64 id);
    // The description, difficulty and time of the recipe `id`.
    void setDescription(qint64 id, const QString &text);
    void setDifficultyAndTime(qint64 id, const QString &difficulty, const QString &time);

    // What the recipe window edits of the recipe `id`. recipeForEditing reads
    // the recipe anew and remembers what it read; the writes below check
    // against that: when another program changed a written field or the name
    // since, nothing is written and StoreConflict is thrown, the write staying
    // pending for settleEditConflict. (Changes made through the book count as
    // read.) Each write is one transaction and emits recipeChanged(id).
    std::optional<Recipe> recipeForEditing(qint64 id);
    // The ingredients and directions; a field without a value keeps its text.
    void setTexts(qint64 id, const std::optional<QString> &ingredients, const std::optional<QString> &directions);
    void setPortions(qint64 id, int count);
    // Rescaled ingredients with their new portion count (and the directions
    // when given), stored together.
    void setScaledIngredients(qint64 id, const QString &ingredients, int count,
                              const std::optional<QString> &directions);
    // After a StoreConflict of those writes: a recipe that another program
    // deleted is stored again with the write, under its subgroup (stored again
    // under `mainGroup` when it went too), and the result is true. Otherwise
    // the pending write takes what is stored now as read, so that the next
    // write goes over the other change, and the result is false.
    bool settleEditConflict(const QString &mainGroup);

    TPackTable &mainGroups() const { return *m_mainGroups; }
    TPackTable &subgroups() const { return *m_subgroups; }
    TPackTable &recipes() const { return *m_recipes; }

    QString picturePath(const QString &recipeName) const;

    // What deleting a group would take along, for the question asked first.
    struct Survey {
        bool hasSubgroups = false;
        bool hasRecipes = false;
        QString lastSubgroup; // the last subgroup of the main group, if any
    };
    // Surveys the current main group; leaves the subgroups filtered to it.
    Survey surveyMainGroup();
    // Surveys the current subgroup; leaves the recipes filtered to it.
    Survey surveySubgroup();

    // The adds return or give (`id`) the new row's id.
    qint64 addMainGroup(const QString &name);
    // False when `mainGroup` is no longer stored (another program deleted
    // it); the new row is then still pending.
    bool addSubgroup(const QString &mainGroup, const QString &name, qint64 *id = nullptr);
    bool addRecipe(const QString &subgroup, const QString &name, qint64 *id = nullptr);
    // Removes the recipe `id` just added (not into the trash), dropping what
    // is pending for it. False when it could not be removed; nothing is
    // pending afterwards.
    bool removeAddedRecipe(qint64 id);

    // The name rules. Group names are one set over both group tables (a main
    // group and a subgroup never share a name), recipe names one set over the
    // whole recipe table, whatever the filters show. Names compare by their
    // exact characters; pending rows count. A closed table is opened for the
    // look-up and closed again.
    bool groupNameTaken(const QString &name) const { return groupNameTaken(*m_mainGroups, *m_subgroups, name); }
    bool recipeNameTaken(const QString &name) const { return recipeNameTaken(*m_recipes, name); }
    // The same rules over tables of a book given one by one.
    static bool groupNameTaken(TPackTable &mainGroups, TPackTable &subgroups, const QString &name);
    static bool recipeNameTaken(TPackTable &recipes, const QString &name);

    // Pictures of the recipe `id`. setPicture reads the
    // picture file `file` (a JPEG, PNG, BMP, GIF, ICO or SVG file of at most
    // 10,000 x 10,000 pixels), stretches it over 169 x 169, stores it as the
    // recipe's JPEG (quality 90) and marks the recipe as having a picture.
    enum class PictureResult {
        Set,
        NotAPicture, // `reason` says why when the file itself was refused
        NotWritten,  // the recipe's picture file could not be written; `reason`
    };
    PictureResult setPicture(qint64 id, const QString &file, QString *reason);
    // Marks the recipe as having no picture, then removes its file.
    void removePicture(qint64 id);

    // A picture file decoded, or a null image; `refused` says why when the
    // file itself was refused (see PictureFiles::readPicture) and is empty
    // when it was read but is no picture.
    static QImage decodePictureFile(const QString &path, QString *refused);
    // Picture data decoded as decodePictureFile decodes a file's data.
    static QImage decodePicture(const QByteArray &data);
    // Writes `source` stretched over 169 x 169 as the JPEG (quality 90) at
    // `path`, replacing any file there atomically. False with `reason`.
    static bool writePicture(const QImage &source, const QString &path, QString *reason);

    // A recipe's stored picture file (a JPEG) at `path`, decoded into
    // `image`, which stays null when the file is not read or is no JPEG.
    // Missing and Refused are as PictureFiles::readPicture tells, with `reason`.
    static PictureFiles::ReadResult readStoredPicture(const QString &path, QImage *image, QString *reason);

    // Packs the table's file; a table that was closed stays closed.
    static void pack(TPackTable &table);
    // Packs the files of the shown tables named in `tables`.
    enum Tables { MainGroupTable = 1, SubgroupTable = 2, RecipeTable = 4 };
    void packTables(int tables);

    // Opens the book's tables; StoreError when they cannot be opened.
    void open();
    // See TPackTable::reopenIfReplaced and TPackTable::setReopenedHandler.
    bool reopenIfReplaced();
    static void setReopenedHandler(std::function<void(const QString &folder)> handler);
    // The shown recipe table stands on the recipe `recipeId` of the subgroup
    // `subgroupId`; it is closed (dropping what is pending) when `subgroupId`
    // is 0. The main window's description, difficulty and time of a recipe
    // in it are written there, checked against what it showed.
    void followRecipe(qint64 subgroupId, qint64 recipeId);
    // Pending changes of the shown tables: whether there are any, dropping
    // them, and after a StoreConflict storing again the rows another program
    // deleted meanwhile (see RecipeBook::storeAgain); true when some were.
    bool hasPendingChanges() const;
    void discardPending();
    bool storeAgainPending(const QString &mainGroup);

    // After work that wrote past the book's calls (an import, the trash, a
    // restore, another program): the shown tables read their rows anew and
    // the book says that everything may have changed.
    void replaced();

Q_SIGNALS:
    // The main groups were added, renamed or deleted.
    void groupsChanged();
    // The subgroups of the main group `mainGroup` changed.
    void subgroupsChanged(const QString &mainGroup);
    // The recipes listed under the subgroup `subgroup` changed.
    void recipesChanged(const QString &subgroup);
    // Fields of the recipe `id` changed (it may be gone).
    void recipeChanged(qint64 id);
    // Anything may have changed.
    void bookReplaced();

private:
    // Runs an operation on the work tables; afterwards (also on failure)
    // nothing of it stays pending and the shown tables read their rows anew.
    template <typename Work>
    auto changing(Work work) -> decltype(work());
    // The work table `work` showing the row `id` as its current row; throws
    // StoreError with `what` when no such row is stored.
    TPackTable &rowOf(TPackTable &work, qint64 id, const char *what) const;
    void rereadShownTables();
    // What deleting the main group `name` would take along, its subgroups and
    // recipes looked up in the tables given; the subgroups stay filtered to it.
    static Survey surveyMainGroup(TPackTable &subgroups, TPackTable &recipes, const QString &name);
    // The rows of `list` under the parent `parentId` of `parents` (none when
    // it is gone), `count` of them from `from`.
    QVector<Entry> childrenOf(TPackTable &parents, TPackTable &list, qint64 parentId, int from, int count) const;
    TPackTable *filteredTo(TPackTable &parents, TPackTable &list, qint64 parentId) const;
    static QVector<Entry> entries(TPackTable &table, int from, int count);
    static std::optional<QString> nameOf(TPackTable &work, qint64 id);
    static std::optional<QString> storedNameOf(TPackTable &work, qint64 id);
    void writeRecipe(qint64 id, const std::function<void(RecipeRow)> &write);
    void writeEdited(qint64 id, const std::function<void(RecipeRow)> &write);
    // The recipe `id` of the recipe table `t`, read after `freshen` ran on it.
    static std::optional<Recipe> readRecipe(TPackTable &t, qint64 id, void (*freshen)(TPackTable &));
    bool renameWithChildren(TPackTable &parent, TPackTable &children, qint64 id, const QString &newName);
    // Adds the row `name` under `parent` to `children` (giving its `id`),
    // stored when `parents` still holds `parent`; otherwise false, the row
    // left pending.
    bool addChild(TPackTable &parents, const QString &parent, TPackTable &children, const QString &name, qint64 *id);
    void removePictures(const QStringList &recipeNames) const;

    std::unique_ptr<TPackTable> m_mainGroups;
    std::unique_ptr<TPackTable> m_subgroups;
    std::unique_ptr<TPackTable> m_recipes;
    // The tables the operations work on, opened when first needed.
    std::unique_ptr<TPackTable> m_workMainGroups;
    std::unique_ptr<TPackTable> m_workSubgroups;
    std::unique_ptr<TPackTable> m_workRecipes;
    // The tables the list reads walk, each keeping the filter of the group it
    // was last asked about.
    std::unique_ptr<TPackTable> m_listSubgroups;
    std::unique_ptr<TPackTable> m_listRecipes;
    // The recipe the recipe window edits, as it was read for editing.
    std::unique_ptr<TPackTable> m_editRecipes;
    QString m_dataFolder;
    QString m_picsFolder;
};

// The filter that shows the rows of a child table under the group `name`.
QString childFilter(const QString &name);

} // namespace RecipeBook

#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <memory>
#include <optional>

class StoreConnection;

namespace RecipeBook {

// The trash of a book: what deletions took, until the user restores it or
// destroys it for good. The rows live in `Data/Roskakori.db`, attached to the
// book's one store connection so that a deletion moves its rows there in the
// same commit that removes them from the tables; the pictures live in
// `Pics/Roskakori/<entry id>/`, under the file names they had in `Pics`.
//
// Picture files cannot join a commit, so every operation orders its file
// moves around it: a new hard link (or copy) before the commit, the old name
// removed after it. After a crash at any point the rows are wholly on one
// side, and the files are there at least once; settle() removes what a crash
// left twice.
class Trash
{
public:
    enum class Kind { MainGroup, Subgroup, Recipe };

    // One deletion: the row the user deleted, where it was, and what came along.
    struct Entry
    {
        qint64 id = 0;
        Kind kind = Kind::Recipe;
        QString name;
        QString mainGroup; // the main group it was in (subgroups and recipes)
        QString subgroup;  // the subgroup it was in (recipes)
        QDateTime deleted; // local time
        int subgroups = 0; // subgroups that came along with a main group
        int recipes = 0;   // recipes that came along (or 1 for a recipe)
    };

    // Where a restored entry went back to: the names as they are now in the
    // book (a name taken meanwhile has " (2)", " (3)" ... added).
    struct Restored
    {
        Kind kind = Kind::Recipe;
        QString mainGroup;
        QString subgroup;
        QString recipe;
        int recipes = 0;
        QStringList renamed; // "old" -> "new", one line each, for the user
    };

    // The trash of the book in `dataFolder` with its pictures in `picsFolder`
    // (ending in '/'). Opens the trash file, creating it when missing. A file
    // in its place that is no trash (empty, another program's, not a
    // database) is kept aside under a dated name, a new trash is started and
    // the notice handler is told once. Throws StoreError when the book or the
    // trash file cannot be opened.
    Trash(const QString &dataFolder, const QString &picsFolder);
    ~Trash();
    Trash(const Trash &) = delete;
    Trash &operator=(const Trash &) = delete;

    static QString fileName(const QString &dataFolder);

    // Told, with a text for the user, when a foreign file was kept aside and
    // a new trash started. Without a handler the text goes to stderr.
    using NoticeHandler = std::function<void(const QString &text)>;
    static void setNoticeHandler(NoticeHandler handler);
    static QString pictureFolder(const QString &picsFolder);

    // Newest first.
    QVector<Entry> entries() const;
    std::optional<Entry> newest() const;
    // The newest entry whose deleted row had exactly this name.
    std::optional<Entry> findByName(const QString &name) const;

    // Puts the entry back where it was, in one commit, and gives its recipes
    // their pictures back. A main group or subgroup that is gone meanwhile is
    // made anew; a name taken meanwhile gets " (2)" (or the next free number).
    // Throws StoreError when the entry is gone or the commit fails; the book
    // and the trash are then as they were.
    Restored restore(qint64 id);
    // Destroys the entry with its pictures for good.
    void destroy(qint64 id);
    // Destroys everything in the trash for good.
    void empty();

    // Removes what a crash left behind: picture folders of no entry (a
    // deletion that did not commit, or an entry restored or destroyed), and
    // pictures left in Pics beside their trash copy. Returns the number of
    // files and folders removed.
    int settle();

    // The schema name under which the trash file is attached.
    const QString &schema() const { return m_schema; }

private:
    // The entry's rows and its line in the entry list, in the running commit.
    void removeEntryRows(qint64 id);
    friend class TrashDeposit;
    bool isTrash() const;
    void setForeignFileAside(const QString &file);
    void removeEntryFolder(qint64 id) const;

    std::shared_ptr<StoreConnection> m_connection;
    QString m_dataFolder;
    QString m_picsFolder;
    QString m_schema;
};

// A deletion's way into the trash, used by the book's delete operations:
//
//     TrashDeposit trash(dataFolder, picsFolder); // before the scope
//     StoreTransaction scope(table);
//     ... mark the rows deleted ...
//     trash.put(kind, rows);                      // before the applies
//     ... apply ...
//     scope.commit();
//     trash.committed();                          // removes the pictures from Pics
//
// Without committed() the pictures linked into the trash are removed again.
class TrashDeposit
{
public:
    struct Rows
    {
        QVector<qint64> mainGroups;
        QVector<qint64> subgroups;
        QVector<qint64> recipes;
    };

    TrashDeposit(const QString &dataFolder, const QString &picsFolder);
    ~TrashDeposit();
    TrashDeposit(const TrashDeposit &) = delete;
    TrashDeposit &operator=(const TrashDeposit &) = delete;

    // Copies the stored rows `rows` (the first one of `kind` is the deleted
    // row) into the trash and links their pictures there. Rows that are not
    // stored yet are skipped. Throws StoreError when a picture cannot be
    // put into the trash.
    void put(Trash::Kind kind, const Rows &rows);
    void committed();

private:
    Trash m_trash;
    qint64 m_entry = 0;
    QStringList m_originals; // pictures in Pics that the trash now holds too
    QVector<qint64> m_recipes; // the recipes it took
    bool m_committed = false;
};

} // namespace RecipeBook

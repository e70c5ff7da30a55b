#pragma once

#include "store/book/SearchText.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QVector>
#include <QtGlobal>

#include <functional>
#include <memory>
#include <vector>

struct sqlite3;
class SqlStatement;
class StoreConnection;

// Finds recipes of a book by the words of their name, ingredients,
// description and directions.
//
// The index is derived data in its own file, `Data/Haku.db`: a word index
// (accents and case ignored, word beginnings) and one of the names alone (so
// that a word common in the texts costs the name level nothing), the ends of
// its words (a part of a word is found as the beginning of an end, then asked
// as the words that hold it), the words ever found in names and ingredient
// lists (a word only in the other texts then costs the first ranks nothing),
// and each recipe's name and a hash of its indexed text. It is attached to
// the book's one store connection, and TEMP triggers on the recipe table keep
// it in step inside the transaction of every change to a recipe, whoever
// makes it through that connection. The index is written without syncs, so
// a crash may leave it before or after the recipe file; it says that it
// matches the recipe file only by a durable record of that file's state,
// which every change forgets, so that the next start then compares the
// hashes. The book's table files are never written here.
//
// The index records which state of the recipe file it matches (the file's
// change counter, size and identity). When the recipe file has changed since
// (or SQLite reports a write by another connection), the hashes of the
// indexed text are compared with the recipe table: a crash, or an outside change that
// touched no indexed text, needs no rebuild. When the file is missing,
// damaged, made for another version, or the recipes were changed without it
// (by another program, or a restore), indexState() says so and rebuild()
// makes it anew from the recipe table; startIndexing() does either on a
// thread of its own while find() answers from the names. One RecipeSearch
// per book at a time.
class RecipeSearch
{
public:
    // Uses the store connection of `dataFolder` (opening the book's tables
    // when no table is open). Throws StoreError when the book cannot be
    // opened. Attaches the index when it is current; with `lookNow` false
    // that waits for the first indexState() (a program's start need not wait
    // for the index to catch up with changes made without it: what changes
    // meanwhile is caught up with too).
    //
    // The index follows the changes this program makes through the book's
    // connection by triggers; a program that only reads (the command-line
    // search) says NoneMade and is spared setting them up. It must then make
    // no change to the recipes through that connection while this lives.
    enum class Changes { Followed, NoneMade };
    explicit RecipeSearch(const QString &dataFolder, bool lookNow = true, Changes changes = Changes::Followed);
    // Detaches the index; when it is in step, records the recipe file's
    // state in it so that the next start finds it current.
    ~RecipeSearch();
    Q_DISABLE_COPY_MOVE(RecipeSearch)

    static QString indexFileName() { return QStringLiteral("Haku.db"); }

    // A damaged or unreadable index never blocks a change to the book: when
    // a write of the recipes fails because of it, the index is set aside
    // (its triggers dropped, the file detached), the change is stored
    // without it and indexState() says Damaged until rebuild(). `notice` is
    // called once each time that happens, before the change is tried again,
    // with a line for the user.
    void setSetAsideNotice(std::function<void(const QString &why)> notice) { m_setAsideNotice = std::move(notice); }

    // Around a change of many recipes (an import): the index is not kept in
    // step recipe by recipe; resumeUpkeep() brings it up to the recipes in
    // one pass (or leaves it Stale when most of them changed). Once
    // startIndexing() was called, that pass runs on the indexing thread as
    // startIndexing()'s work does, and resumeUpkeep() returns true while it
    // runs (continueIndexing() takes it in). Called outside a store
    // transaction.
    void suspendUpkeep();
    bool resumeUpkeep();

    enum class IndexState { Current, Missing, Damaged, Stale };
    // Cheap: a look at the files, no reading of the index.
    IndexState indexState();
    bool needsRebuild() { return indexState() != IndexState::Current; }

    // Recipes in the book.
    qint64 recipeCount();

    // Builds the index anew from the recipe table into a new file that then
    // replaces the old one. `progress` gets (recipes done, recipes in all)
    // now and then and returns false to cancel. Throws StoreCancelled when
    // cancelled and StoreError saying why when it failed; the old index is
    // then gone too and the next search asks again. Must not run inside a
    // store transaction.
    using Progress = std::function<bool(qint64 done, qint64 total)>;
    void rebuild(const Progress &progress = {});

    // Brings the index up to date on a thread of its own, with connections
    // of its own, when it is not current: built anew into a new file that
    // replaces the old one when missing, damaged or of another layout;
    // caught up with the recipes that differ when they were changed without
    // it. The recipes changed through the book's connection meanwhile are
    // noted by id and taken in when the thread is done, so no change is
    // lost. Cheap to call: a look at the files. True while that work runs
    // (find() answers from the recipe names meanwhile); false when the index
    // is ready, or cannot be brought up to date now. A failure is told
    // through the set-aside notice, once; the next call tries again.
    bool startIndexing();
    // Called now and then on the thread that owns this object: takes in the
    // work of the indexing thread once it is done. True while it goes on.
    bool continueIndexing();
    // How far the indexing is, 0 to 100; -1 when none runs.
    int indexingPercent() const;
    // For tests: called on the indexing thread before each batch of recipes
    // that a build or a catch-up reads, and once more when all are read
    // (`done` equals `total`), so that a test can hold the work at a known
    // point.
    static void setBatchHook(std::function<void(qint64 done, qint64 total)> hook);

    struct Hit
    {
        enum class Field { Name, Ingredients, Description, Directions };
        qint64 id = 0;
        QString name;
        QString subgroup;
        QString mainGroup;
        // Where the excerpt comes from: the first of ingredients,
        // description and directions that matches; Name when only the name
        // does.
        Field field = Field::Name;
        SearchText::Excerpt excerpt;
        // Where the words match in the name.
        QVector<SearchText::Range> nameMarks;
    };
    struct Result
    {
        QVector<Hit> hits;
        // Recipes that match in all.
        int total = 0;
        // More than `total` recipes match: counting them all would take
        // long.
        bool moreThanTotal = false;
        // The index must be rebuilt first (see indexState()).
        bool needsRebuild = false;
        // Why the search failed; empty when it did not.
        QString error;
        // Found by the recipe names alone: the index is not ready.
        bool namesOnly = false;
        // How far the indexing is (0 to 100) while the names answer; -1
        // when the index could not be brought up to date.
        int indexingPercent = -1;
    };
    // The recipes that match every word of `text`, best first: all words in
    // the name, then in name and ingredients, then elsewhere; by name within
    // each. At most `limit` hits (all with a negative limit); excerpts only
    // with `withExcerpts`. Any text is fine: it never reaches the query
    // syntax, and a text without words finds nothing. With HitsOnly the
    // matches are not counted beyond the hits: `total` is then the number
    // of hits, or `limit` with moreThanTotal when more match.
    enum class Counting { UpToMany, HitsOnly };
    Result find(const QString &text, int limit = 50, bool withExcerpts = true, Counting counting = Counting::UpToMany);

private:
    struct Job;
    void startJob(bool build);
    void failJob(const QString &why);
    void stopJob();
    // Notes the ids of the recipes changed through the book's connection
    // while the index is not attached.
    void installRecorder();
    void dropRecorder();
    bool attachedAndCurrent();
    // Matches of all terms in the recipe names, by name.
    Result findByName(const QVector<SearchText::Term> &terms, int limit, bool withExcerpts);
    void follow();
    IndexState checkFile(QString *stampInFile);
    QString recipeFileStamp();
    IndexState attachIfCurrent(QString *stampInFile);
    void attachIndex();
    void attachFile(const QString &path);
    // The settings, triggers and notes of an index file just attached.
    void joinAttached(const QString &path);
    void detachIndex();
    void installTriggers();
    void dropTriggers();
    bool setIndexAside();
    qint64 recipeDataVersion();
    void recordStampIfInStep();
    // Brings the index up to the recipes whose text differs from what it
    // holds (changed, added or removed without it). False when too many
    // differ: a new index is better then.
    // With `candidates` (a query of ids), only those recipes are compared.
    bool catchUp(const QString &candidates = QString());
    void loadDoubtful();
    // 1: every term in the name; 2: in name or ingredients; 3: anywhere; 4:
    // no match. Read from the recipe's text.
    int rankOf(qint64 id, const QVector<SearchText::Term> &terms);
    // The full-text query for all the terms, each part of a word asked as
    // the words that hold it; empty when some term is in no word at all.
    // `partWords` gets how many words the word parts stand for.
    QString matchQuery(const QVector<SearchText::Term> &terms, int *partWords);
    // The first `need` recipes in name order whose names hold every term,
    // tested on the names themselves; false when they are not among the
    // first names tested.
    bool firstByName(const QVector<SearchText::Term> &terms, int need, QVector<qint64> *order);
    struct Level;
    // Reads the matches of a level, all of them (cap < 0) or at most `cap`.
    void readLevel(Level &level, int cap);
    void readLevelForWalk(Level &level, int cap, int need);
    bool inLevel(Level &level, qint64 id);
    // Appends the first `need` recipes of the level and not of the one
    // before it, by name. False (and `order` as it was) when that takes
    // more tests than reading the level in full.
    bool walkLevel(Level *levels, int rank, int need, QVector<qint64> *order);
    void fillHits(Result &result, const QVector<qint64> &order, const QVector<SearchText::Term> &terms,
                  bool withExcerpts);
    QVector<qint64> orderedByName(const QVector<qint64> &ids, int need);
    // `row` reads a recipe's name and subgroup (and texts, with
    // `withExcerpts`) by id, `group` a subgroup's main group.
    void fillHit(Hit &hit, SqlStatement &row, SqlStatement *group, const QVector<SearchText::Term> &terms,
                 bool withExcerpts);

    QString m_dataFolder;
    std::shared_ptr<StoreConnection> m_connection;
    sqlite3 *m_handle = nullptr;
    quint64 m_generation = 0;
    QString m_recipeSchema;
    QString m_subgroupSchema;
    Changes m_changes = Changes::Followed;
    bool m_attached = false;
    // The index file that is attached, as the file system knows it.
    QString m_attachedIdentity;
    qint64 m_dataVersion = 0;
    bool m_damaged = false;
    std::function<void(const QString &why)> m_setAsideNotice;
    // Recipes whose index entries may hold words they no longer have.
    QSet<qint64> m_doubtful;
    // rankOf() of the current search.
    QHash<qint64, int> m_ranks;
    bool m_suspended = false;
    // startIndexing() was called: the index is brought up to date in the
    // background from then on.
    bool m_background = false;
    bool m_failed = false;
    std::unique_ptr<Job> m_job;
    // The recipe file's data version when the job started: another changed
    // it when it differs at the end.
    qint64 m_jobDataVersion = 0;
    // The connection was opened anew while a job ran: changes may have gone
    // unnoted.
    bool m_trackingLost = false;
};

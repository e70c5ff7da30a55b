#pragma once

#include "store/exchange/ImportedRecipe.h"

#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

namespace RecipeBook {
class Book;
}

struct ImportOptions
{
    // The main group that new subgroups go under.
    QString mainGroup = QStringLiteral("Imported recipes");
    // New subgroups go under the main group a recipe names itself (a
    // Mealdeck export's keywords, Meal-Master's second category) when it
    // names one.
    bool keepFileMainGroups = false;
    // Encoding of Meal-Master files (see MealMasterReader::encodings());
    // empty to detect it for each file.
    QString encoding;
    // Run before anything is changed, outside the store transaction (the
    // backup before an import); a StoreError it throws stops the import and
    // becomes the summary's error.
    std::function<void()> beforeImport;
    // Recipes read before the import began (web pages fetched with their
    // pictures, see WebImport) and the problems met reading them; imported
    // ahead of the files.
    QVector<ImportedRecipe> readRecipes;
    QVector<ImportProblem> readProblems;
};

struct ImportSummary
{
    int imported = 0;
    int duplicates = 0;
    int skipped = 0;
    // Subgroups with the number of recipes imported into each, in the order
    // first used, and the main group of each.
    struct Subgroup
    {
        QString name;
        QString mainGroup;
        int recipes = 0;
    };
    QVector<Subgroup> subgroups;
    // Every recipe that could not be read, and what was left out of others.
    QVector<ImportProblem> problems;
    bool cancelled = false;
    // The first recipe imported, to be shown (id 0 when none was).
    struct Recipe
    {
        qint64 id = 0;
        QString name;
        QString subgroup;
        QString mainGroup;
    };
    Recipe first;
    // Set when the import failed as a whole: nothing was imported.
    QString error;

    bool failed() const { return cancelled || !error.isEmpty(); }
    // The summary as lines of text, as shown and saved.
    QString text() const;
};

// Imports recipe files into a book: Meal-Master (.mmf .mm .txt), JSON-LD
// (.json .jsonld), saved web pages (.html .htm), Nextcloud Cookbook zips
// (.zip) and Paprika archives (.paprikarecipes). The whole import is one
// store transaction: a cancel, a failure or a crash leaves the book as it
// was; picture files written for it are removed again.
//
// Each recipe goes into the subgroup named by its first category (one of
// that name anywhere in the book, else a new one under the main group), or
// by the file's name when it has none. Names are trimmed, start with an
// upper-case letter, take at most 75 characters and are made unique with
// " (2)", " (3)", ...; a recipe whose name and ingredients equal one in the
// book is a duplicate and is not imported again.
class BookImport
{
public:
    explicit BookImport(RecipeBook::Book &book);

    // `progress` gets the bytes read so far of all files and their total;
    // false cancels.
    using Progress = std::function<bool(qint64 done, qint64 total)>;
    ImportSummary run(const QStringList &files, const ImportOptions &options, const Progress &progress = {});

    // The file kinds read, as a file dialog filter.
    static QString fileFilter();
    // A name as the book keeps it: trimmed, one line, the first letter upper
    // case, at most 75 characters.
    static QString bookName(const QString &name);
    // A name as this program's own export wrote it: kept as it is, only
    // control characters made spaces, trimmed and cut to 75 characters.
    static QString exactName(const QString &name);

    // The unit of a yield when it is not servings: "buns" of "16 buns";
    // empty for "4", "4 servings" or a yield without a leading number.
    static QString yieldUnit(const QString &yield);
    // How the kept yield and the further categories are labelled: the
    // directions' first line "Yield: 16 buns", the description's last line
    // "Categories: A, B".
    static constexpr QLatin1String YieldLabel{"Yield: "};
    static constexpr QLatin1String CategoriesLabel{"Categories: "};

private:
    RecipeBook::Book &m_book;
};

#pragma once

#include <QString>

#include <functional>

namespace RecipeBook {
class Book;
}
class SqlStatement;

// Writes recipes of a book as Meal-Master text or as a JSON-LD zip in the
// Nextcloud Cookbook layout (one top folder, a folder per recipe with
// recipe.json and full.jpg). The book is only read; the output file is
// written under a temporary name and renamed into place when complete.
class BookExport
{
public:
    enum class Format { MealMaster, JsonLd };
    // What is exported: the whole book, or one main group, subgroup or
    // recipe by name.
    enum class Scope { Book, MainGroup, Subgroup, Recipe };

    struct Result
    {
        int recipes = 0;
        // Set when nothing was written.
        QString error;
        bool cancelled = false;
    };

    explicit BookExport(RecipeBook::Book &book);

    // `progress` gets the recipes written and their total; false cancels.
    using Progress = std::function<bool(int done, int total)>;
    Result run(const QString &outFile, Format format, Scope scope, const QString &name,
               const Progress &progress = {});
    // The same for the main group, subgroup or recipe with stored id `id`.
    Result run(const QString &outFile, Format format, Scope scope, qint64 id, const Progress &progress = {});

private:
    Result write(const QString &outFile, Format format, Scope scope, bool byId,
                 const std::function<void(SqlStatement &)> &bind, const QString &target, const Progress &progress);

    RecipeBook::Book &m_book;
};

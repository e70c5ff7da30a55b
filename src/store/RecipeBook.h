#pragma once

#include <QString>

// A new recipe book: `<folder>/Data` with the three empty tables and the
// `Pics` folder, and with `withStarter` the small starter book that comes with
// the program. An existing `Data` folder is never touched: the call fails.
// On failure, whatever this call created is removed again and `error` says why.
namespace RecipeBook {

bool createBook(const QString &folder, bool withStarter, QString *error);

// Fills the open book in `dataFolder` with the starter book (one commit).
bool addStarterBook(const QString &dataFolder, QString *error);

} // namespace RecipeBook

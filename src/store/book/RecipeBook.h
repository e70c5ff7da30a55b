#pragma once

#include <QString>

class TPackTable;

// A new recipe book: `<folder>/Data` with the three empty tables and the
// `Pics` folder, and with `withStarter` the small starter book that comes with
// the program. An existing `Data` folder is never touched: the call fails.
// On failure, whatever this call created is removed again and a StoreError
// says why.
namespace RecipeBook {

void createBook(const QString &folder, bool withStarter);

// Fills the open book in `dataFolder` with the starter book (one commit);
// throws StoreError when it cannot.
void addStarterBook(const QString &dataFolder);

// After a StoreConflict of `table` (one of the book's tables, "Paaryhma",
// "Alaryhma" or "Ohje"): the changed rows that another program deleted
// meanwhile are stored again with their changes, in one commit with the
// groups they belong to when those went too (a subgroup stored again goes
// under `mainGroup`). False when no row had gone or the commit failed; the
// rows are then still pending.
bool storeAgain(TPackTable &table, const QString &mainGroup);

} // namespace RecipeBook

#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// One shopping list for several recipes at chosen portions. Each ingredient
// line is scaled with the portion scaling the recipe window uses, read as
// amount, unit and ingredient text, and lines of the same ingredient whose
// units are of one kind (volume, mass, pieces) are added up.
namespace ShoppingList {

// One recipe on the list.
struct Entry
{
    QString recipe;      // its name, shown as where an item comes from
    QString ingredients; // its ingredient lines as stored
    int recipePortions = 0; // the portions the lines are written for; 0 when the recipe has no count
    int portions = 0;       // the portions wanted; lines stay as written when either count is 0
};

// One line of the list.
struct Item
{
    QString amount;     // "1,5", "2-3", or empty
    QString unit;       // "kg", "dl", "tbsp", or empty
    QString ingredient; // as one of the recipes writes it
    QStringList recipes; // where it comes from, in the order of the entries, each once

    // amount, unit and ingredient joined by single spaces, empty parts left out.
    QString text() const;
};

// The list for `entries`, sorted by ingredient text (capitals and accents
// not counting). Lines without an amount are listed once. A line whose
// quantity the scaling cannot read is listed as written.
QVector<Item> build(const QVector<Entry> &entries);

// The ingredient text as lines are matched: lower case, no accents, no
// punctuation or spaces around it, single spaces, and a plain English plural
// "s" dropped from each word ("Tomatoes," and "tomatoe" match).
QString matchKey(const QString &ingredient);

// What an ingredient line names, without its amount and unit, as the list
// shows it ("2 dl leeks, sliced" gives "leeks, sliced"); empty for a heading
// ("Filling:") or a blank line.
QString ingredientName(const QString &line);

} // namespace ShoppingList

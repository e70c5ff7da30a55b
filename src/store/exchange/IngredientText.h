#pragma once

#include <QString>

#include <optional>

// Ingredient lines, portion counts and times between the book's layout and
// the layouts of recipe exchange files. The book writes an ingredient as the
// portion scaling reads it: the quantity first with a decimal comma ("1,5",
// "0,33", ranges "1-2"), then the unit and the text.
namespace IngredientText {

// A Meal-Master amount ("3", "2.5", "1/2", "1 1/2", "1-2", "1/2-1") as a book
// quantity ("3", "2,5", "0,5", "1,5", "1-2", "0,5-1"); fractions become
// hundredths. nullopt when the text is no amount.
std::optional<QString> bookQuantity(const QString &amount);

// A Meal-Master ingredient as a book line: amount, unit code and text joined
// by single spaces, empty parts left out. An amount that is no amount stays
// as written.
QString fromMealMaster(const QString &amount, const QString &unit, const QString &text);

// A free-text ingredient ("1 1/2 cups flour", "½ tsp salt", "2.5 dl milk")
// with its leading quantity in the book's layout; the rest of the line stays
// as written, and a line whose quantity is already in the book's layout comes
// back unchanged.
QString fromFreeText(const QString &line);

struct MealMasterColumns
{
    QString amount; // "1 1/2", "2.5", "1/2-1"; at most 7 characters
    QString unit;   // a standard unit code, or empty
    QString text;
};
// A book line split into Meal-Master's columns: the decimal comma turned to
// a common fraction ("1 1/2") or a point ("2.5"), the unit column filled when
// the word after the quantity is a standard unit code.
MealMasterColumns toMealMaster(const QString &line);

// True for Meal-Master's unit codes ("c", "T", "tb", "lb", "g", ...).
bool isMealMasterUnit(const QString &code);

// "PT1H30M" as "1 h 30 min"; empty when `iso` is no ISO 8601 duration.
// `tooLarge` is set for a duration beyond a year.
QString durationText(const QString &iso, bool *tooLarge = nullptr);
// "1 h 30 min", "2 h", "45 min" as "PT1H30M", "PT2H", "PT45M"; empty for
// text that does not read as a duration.
QString isoDuration(const QString &text);

// The first whole number in `text` ("4 servings", "4-6", "Makes 12"), or
// nullopt. `tooLarge` is set when there is one but it has more than nine
// digits.
std::optional<qint64> firstNumber(const QString &text, bool *tooLarge = nullptr);

// `text` cut to at most `length` characters on a character boundary (a
// surrogate pair is never split).
QString cut(const QString &text, int length);

// A list of names as one line, "A, B, \"C, D\"": a name with a comma goes
// in double quotes. `splitNames` reads such a line back.
QString joinNames(const QStringList &names);
QStringList splitNames(const QString &line);

} // namespace IngredientText

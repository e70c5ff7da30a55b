#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Turns the text of one ingredient quantity ("1,5", "250") into the quantity
// for `newCount` portions instead of `oldCount`: whole numbers from 10 up,
// steps of five hundredths from 1 to 10, hundredths below 1, always with a
// decimal comma and never with trailing zeros.
// Throws ConversionError "'<text>' is not a valid floating point value" for a
// text that is not a decimal number with a comma, and ProgramError
// "Floating point division by zero" ("Invalid floating point operation" for a
// zero quantity) when `oldCount` is 0.
QString FormatScaledQuantity(const QString &text, int oldCount, int newCount);

// The pieces of the quantity formatting and the pass over the ingredient lines.
// Every routine works on decimal text, so that rounding never depends on how a
// binary double happens to hold a value: "1,125" rounds to "1,13".
namespace PortionScaling {

// The characters a quantity is made of.
bool isNumberCharacter(QChar c);

// `value` with at most 15 significant digits, no exponent, no trailing zeros
// and a decimal comma: 2.25 gives "2,25", 1/3 gives "0,333333333333333".
QString significantText(long double value);

// A non-negative decimal text rounded to `decimals` decimals, halves upward,
// always with exactly that many decimals: ("1,125", 2) gives "1,13",
// ("0,5", 2) gives "0,50", ("18,75", 0) gives "19".
QString roundHalfUp(const QString &text, int decimals);

// Moves the last digit of a value of at least 1 to the five-hundredths step
// (1, 2 -> 0; 3, 4, 6, 7 -> 5; 8, 9 -> 0 with a carry): "1,33" gives "1,35",
// "9,98" gives "10,00". Texts of one character and values below 1 ("0,33")
// come back unchanged.
QString stepToFiveHundredths(const QString &text);

// Drops a trailing zero after the comma, and the comma when only "0" follows
// it: "1,50" gives "1,5", "3,00" gives "3", "0,10" gives "0,1".
QString dropTrailingZeros(const QString &text);

// Where the leading quantity of an ingredient line (its leading spaces gone)
// stands: the characters of the first number are [0, firstEnd) (firstEnd is 0
// when the line does not start with one); for a range "1 - 2" the second
// number is [secondStart, secondEnd), otherwise secondStart is -1. The rest of
// the line starts at `rest` (after the spaces that follow a single number).
struct QuantitySpan
{
    int firstEnd = 0;
    int secondStart = -1;
    int secondEnd = -1;
    int rest = 0;
};
QuantitySpan quantitySpan(const QString &text);

// The outcome of rewriting one ingredient line.
struct LineResult
{
    QString text;
    // True when the line's leading quantity was rescaled, so the line is
    // stored at once; false when at most its leading spaces went.
    bool scaled = false;
};

// Rewrites one ingredient line: leading spaces go, and a leading quantity or
// range ("1,5 dl", "1 - 2 tp") is rescaled with FormatScaledQuantity. Lines
// without a leading quantity, and lines whose leading quantity does not end
// in a digit ("2, dl", ". salt", "- salt"), keep their text. Throws as
// FormatScaledQuantity does.
LineResult scaleLine(const QString &line, int oldCount, int newCount);

// Called with the whole ingredient list as it stands each time a rescaled
// line is to be stored.
using StoreLines = std::function<void(const QStringList &lines)>;

// The scaling pass. Every line is rewritten and checked first; when any line
// fails, its error is thrown and `store` is never called, so a recipe is never
// left half scaled. Then, line by line from the first, `store` is called once
// for every rescaled line with the list as it stands after that line (earlier
// lines rewritten, later ones not yet). Returns the final list, which the
// caller stores with the new portion count.
QStringList scaleIngredientLines(const QStringList &lines, int oldCount, int newCount, const StoreLines &store = {});

} // namespace PortionScaling

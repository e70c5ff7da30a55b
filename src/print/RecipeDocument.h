#pragma once

#include <QString>
#include <QStringList>

// The two texts a recipe prints as, one line per entry.
namespace RecipeDocument {

// The lines of a memo's text; an empty text has none.
QStringList memoLines(const QString &text);

// Name; two empty lines; the heading line with the portion count, degree of
// difficulty and preparation time; four empty lines; the ingredients; two
// empty lines; the directions.
QStringList previewDocument(const QString &name, const QString &portions, const QString &difficulty,
                            const QString &time, const QString &ingredients, const QString &directions);

// Name; two empty lines; the ingredients; two empty lines; the directions.
QStringList directPrintDocument(const QString &name, const QString &ingredients, const QString &directions);

} // namespace RecipeDocument

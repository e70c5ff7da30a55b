#pragma once

#include "store/exchange/ImportedRecipe.h"

#include <QJsonObject>
#include <QString>
#include <QVector>

// schema.org Recipes written as HTML microdata: elements with
// itemscope and itemtype ".../Recipe", their properties in itemprop
// elements (name, recipeIngredient or ingredients, recipeInstructions,
// recipeYield, totalTime, description, image, ...). A property's value is
// its content, src, href, data, value or datetime attribute as the element
// calls for, else its text; a nested item (a HowToStep, an ImageObject) is an
// object. Tolerates the HTML that pages really have: unclosed <li> and <p>,
// unquoted attributes, comments and scripts.
namespace MicrodataReader {

// Every Recipe item of the page, in the order they start, each as the JSON-LD
// object it stands for ("@type" and one member per property: a value, or a
// list when the property is given more than once).
QVector<QJsonObject> recipes(const QString &html);

// Reads every Recipe item of the page into `sink` as the JSON-LD reader reads
// the same object. Returns the number found; -1 when the sink stopped it.
int read(const QString &html, const QString &file, const ImportSink &sink);

} // namespace MicrodataReader

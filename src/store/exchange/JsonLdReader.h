#pragma once

#include "store/exchange/ImportedRecipe.h"

#include <QByteArray>
#include <QJsonObject>
#include <QStringList>

#include <functional>
#include <optional>

// schema.org Recipe in JSON-LD: a Recipe at the top, in an array or in
// "@graph"; "@type" a string or a list; instructions as a string, strings,
// HowToStep, HowToSection or ItemList; yields, times, categories, keywords
// and images in every shape that recipe sites and programs write.
namespace JsonLdReader {

// Largest JSON document or web page read.
constexpr qint64 MaxDocumentBytes = 32LL * 1024 * 1024;

// Reads every Recipe of the JSON document `json`. `place` names the document
// in problems (empty for a whole file; an entry of an archive). Recipes
// found in a document at `place` get `place`, or "recipe N" when there are
// several. `pictures` resolves an image name inside the same archive (may be
// empty). False when the sink stopped the reading.
bool readDocument(const QByteArray &json, const QString &file, const QString &place, const ImportSink &sink,
                  const std::function<QByteArray(const QString &name)> &pictures = {});

// Reads every application/ld+json script of a saved web page.
bool readHtml(const QByteArray &html, const QString &file, const ImportSink &sink);

// One Recipe object as an ImportedRecipe (file and place left empty);
// `reason` says why when it cannot be used (no name); `notes` gets what was
// left out (a time too large).
std::optional<ImportedRecipe> recipeFrom(const QJsonObject &object, QString *reason, QStringList *notes);

// Reads the Recipe `object` into `sink` as found at `place` of `file`: the
// recipe with its notes, or the reason it cannot be used. `picture` gives the
// picture when the object holds none itself (may be empty). False when the
// sink stopped the reading.
bool readRecipe(const QJsonObject &object, const QString &file, const QString &place, const ImportSink &sink,
                const std::function<QByteArray()> &picture = {});

// Plain text of an HTML fragment: tags dropped (<br>, </p>, </li> as line
// breaks), entities decoded.
QString plainText(const QString &html);

} // namespace JsonLdReader

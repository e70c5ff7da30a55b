#pragma once

#include "store/exchange/ImportedRecipe.h"

#include <QStringList>

class QIODevice;

// Meal-Master text files: any number of recipes with text between them, both
// header styles ("MMMMM-----" and "----------"), one- and two-column
// ingredient lists with "-" continuations, section lines, and directions.
namespace MealMasterReader {

// The encodings offered for Meal-Master files, in the order shown.
QStringList encodings();
// The encoding of the text read from `input` (from its current position to
// the end; the position is restored): "UTF-8" when it is valid UTF-8,
// otherwise "Windows-1252" or "CP437" by which of their letters it holds.
QString detectEncoding(QIODevice &input);

// Longest line read; a recipe with a longer line is skipped.
constexpr int MaxLineBytes = 64 * 1024;

// Reads every recipe of `input`, decoded with `encoding` (one of
// encodings()), into `sink`; `file` names the file in the problems reported.
// False when the sink stopped the reading or the encoding is unknown.
bool read(QIODevice &input, const QString &file, const QString &encoding, const ImportSink &sink);

} // namespace MealMasterReader

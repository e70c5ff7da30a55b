#pragma once

#include <QString>

// Where a recipe's picture lives: the picture folder + the recipe name + ".jpg".
namespace PicturePaths {

// The file name (no folder) for a recipe name. Ordinary names, spaces and
// letters of any language included, map unchanged. Escaped as %XX (UTF-8
// bytes): '/', '%', control characters, unpaired surrogates and a leading
// '.' or byte-order mark (U+FEFF). A file name that would pass 255 bytes is
// cut on a character boundary
// and ends in "%~" and a hash of the whole name; "%~" never appears in an
// escaped name, so distinct names never share a file. The result is always a
// plain file name, never "." or "..", without a folder part.
QString pictureFileName(const QString &recipeName);

// ProgramPaths::picsFolder() + pictureFileName(recipeName).
QString pictureFile(const QString &recipeName);

} // namespace PicturePaths

// The picture file of a recipe; see PicturePaths::pictureFile.
inline QString pictureFile(const QString &recipeName)
{
    return PicturePaths::pictureFile(recipeName);
}

#pragma once

#include "store/exchange/ImportedRecipe.h"

#include <QByteArray>
#include <QString>

#include <optional>

// Recipe archives read with libarchive: zips in the Nextcloud Cookbook layout
// (a folder per recipe with recipe.json and full.jpg) and Paprika's
// .paprikarecipes (a zip of gzip-compressed JSON recipes). Nothing is written
// to disk while reading. Entries whose names leave the archive's folder,
// archives with too many entries or too much data, and entries that unpack
// beyond their limit are refused with a reason.
namespace RecipeArchive {

// The list of a book's groups beside the recipe folders of an export: a
// JSON object {"mainGroups": [{"name": "...", "subgroups": ["...", ...]}]}.
constexpr QLatin1String BookGroupsFile{"book.json"};

constexpr int MaxEntries = 1000000;
constexpr qint64 MaxEntryBytes = 64LL * 1024 * 1024;
constexpr qint64 MaxTotalBytes = 4LL * 1024 * 1024 * 1024;

// False when the sink stopped the reading. A file that is no zip is reported
// as a problem of `file`.
bool readZip(const QString &path, const QString &file, const ImportSink &sink);
bool readPaprika(const QString &path, const QString &file, const ImportSink &sink);

// The data of a gzip stream, or nullopt with `reason` (not gzip, damaged, or
// more than `maxBytes` unpacked).
std::optional<QByteArray> gunzip(const QByteArray &data, qint64 maxBytes, QString *reason);

// True when an entry name stays inside the archive's folder: relative, no
// ".." part, no backslash.
bool isSafeEntryName(const QString &name);

} // namespace RecipeArchive

#include "store/exchange/RecipeArchive.h"

#include "store/exchange/IngredientText.h"
#include "store/exchange/JsonLdReader.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <archive.h>
#include <archive_entry.h>

#include <memory>

namespace RecipeArchive {

namespace {

struct ArchiveDeleter
{
    void operator()(archive *a) const { archive_read_free(a); }
};
using ArchivePtr = std::unique_ptr<archive, ArchiveDeleter>;

QString archiveError(archive *a)
{
    const char *text = archive_error_string(a);
    return text ? QString::fromLocal8Bit(text) : QStringLiteral("unknown error");
}

// The data of the current entry, at most `maxBytes` of it; counts what is
// unpacked, not what the entry claims.
std::optional<QByteArray> entryData(archive *a, qint64 maxBytes, QString *reason)
{
    QByteArray data;
    char buffer[65536];
    for (;;) {
        const la_ssize_t got = archive_read_data(a, buffer, sizeof buffer);
        if (got == 0)
            return data;
        if (got < 0) {
            *reason = QStringLiteral("damaged entry: %1").arg(archiveError(a));
            return std::nullopt;
        }
        if (data.size() + got > maxBytes) {
            *reason = QStringLiteral("the entry unpacks to more than %1 MB").arg(maxBytes / (1024 * 1024));
            return std::nullopt;
        }
        data.append(buffer, int(got));
    }
}

// Walks the entries of the zip at `path`; `entry` gets each safe regular
// file's name and data and returns false to stop. Problems are reported.
bool walkZip(const QString &path, const QString &file, const ImportSink &sink,
             const std::function<bool(const QString &name, const QByteArray &data)> &entry,
             const std::function<bool(const QString &name)> &wanted, bool *opened = nullptr)
{
    ArchivePtr a(archive_read_new());
    archive_read_support_format_zip(a.get());
    if (archive_read_open_filename(a.get(), QFile::encodeName(path).constData(), 1 << 16) != ARCHIVE_OK) {
        if (sink.problem)
            sink.problem(ImportProblem{file, QString(), QStringLiteral("not a zip archive: %1").arg(archiveError(a.get()))});
        return true;
    }
    if (opened)
        *opened = true;
    int entries = 0;
    qint64 total = 0;
    for (;;) {
        archive_entry *header = nullptr;
        const int rc = archive_read_next_header(a.get(), &header);
        if (rc == ARCHIVE_EOF)
            break;
        if (rc < ARCHIVE_WARN) {
            if (sink.problem)
                sink.problem(ImportProblem{file, QString(),
                                           QStringLiteral("the archive is damaged after %1 entries: %2")
                                               .arg(entries)
                                               .arg(archiveError(a.get()))});
            break;
        }
        if (++entries > MaxEntries) {
            if (sink.problem)
                sink.problem(ImportProblem{file, QString(),
                                           QStringLiteral("more than %1 entries; the rest is not read").arg(MaxEntries)});
            break;
        }
        const char *rawName = archive_entry_pathname_utf8(header);
        const QString name = rawName ? QString::fromUtf8(rawName) : QString::fromLocal8Bit(archive_entry_pathname(header));
        if (archive_entry_filetype(header) != AE_IFREG || !wanted(name))
            continue;
        if (!isSafeEntryName(name)) {
            if (sink.problem)
                sink.problem(ImportProblem{file, name, QStringLiteral("the entry's name leaves the archive's folder")});
            continue;
        }
        QString reason;
        const std::optional<QByteArray> data = entryData(a.get(), MaxEntryBytes, &reason);
        if (!data) {
            if (sink.problem)
                sink.problem(ImportProblem{file, name, reason});
            continue;
        }
        total += data->size();
        if (total > MaxTotalBytes) {
            if (sink.problem)
                sink.problem(ImportProblem{file, name,
                                           QStringLiteral("the archive unpacks to more than %1 GB; the rest is not read")
                                               .arg(MaxTotalBytes >> 30)});
            break;
        }
        if (!entry(name, *data))
            return false;
        if (sink.progress && !sink.progress(archive_filter_bytes(a.get(), -1)))
            return false;
    }
    return true;
}

QString folderOf(const QString &name)
{
    const int slash = name.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : name.left(slash);
}

QString baseName(const QString &name)
{
    return name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
}

bool isImageName(const QString &name)
{
    const QString lower = name.toLower();
    return lower.endsWith(QLatin1String(".jpg")) || lower.endsWith(QLatin1String(".jpeg"))
        || lower.endsWith(QLatin1String(".png"));
}

QString jsonText(const QJsonObject &object, const char *key)
{
    const QJsonValue value = object.value(QLatin1String(key));
    if (value.isString())
        return value.toString().trimmed();
    if (value.isDouble())
        return QString::number(value.toDouble());
    return QString();
}

QString withoutCarriageReturns(QString text)
{
    text.remove(QLatin1Char('\r'));
    return text.trimmed();
}

ImportedRecipe paprikaRecipe(const QJsonObject &object)
{
    ImportedRecipe recipe;
    recipe.name = jsonText(object, "name").simplified();
    recipe.description = withoutCarriageReturns(jsonText(object, "description"));
    for (const QString &line : withoutCarriageReturns(jsonText(object, "ingredients")).split(QLatin1Char('\n'))) {
        if (!line.trimmed().isEmpty())
            recipe.ingredients << IngredientText::fromFreeText(line.trimmed());
    }
    recipe.directions = withoutCarriageReturns(jsonText(object, "directions"));
    const QString notes = withoutCarriageReturns(jsonText(object, "notes"));
    if (!notes.isEmpty())
        recipe.directions += (recipe.directions.isEmpty() ? QString() : QStringLiteral("\n\n")) + QStringLiteral("Notes\n")
            + notes;
    recipe.yield = jsonText(object, "servings");
    for (const char *key : {"total_time", "cook_time", "prep_time"}) {
        recipe.time = jsonText(object, key);
        if (!recipe.time.isEmpty())
            break;
    }
    recipe.difficulty = jsonText(object, "difficulty");
    const QJsonArray categories = object.value(QLatin1String("categories")).toArray();
    recipe.category = categories.isEmpty() ? QString() : categories.at(0).toString().trimmed();
    recipe.mainGroup = categories.size() < 2 ? QString() : categories.at(1).toString().trimmed();
    const QString photo = jsonText(object, "photo_data");
    if (!photo.isEmpty())
        recipe.picture = QByteArray::fromBase64(photo.toLatin1());
    return recipe;
}

} // namespace

bool isSafeEntryName(const QString &name)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')) || name.contains(QLatin1Char('\\'))
        || name.contains(QChar(0)))
        return false;
    for (const QString &part : name.split(QLatin1Char('/')))
        if (part == QLatin1String(".."))
            return false;
    return true;
}

std::optional<QByteArray> gunzip(const QByteArray &data, qint64 maxBytes, QString *reason)
{
    ArchivePtr a(archive_read_new());
    archive_read_support_filter_gzip(a.get());
    archive_read_support_format_raw(a.get());
    archive_entry *header = nullptr;
    if (archive_read_open_memory(a.get(), data.constData(), size_t(data.size())) != ARCHIVE_OK
        || archive_read_next_header(a.get(), &header) != ARCHIVE_OK || archive_filter_count(a.get()) < 2) {
        *reason = QStringLiteral("not gzip-compressed");
        return std::nullopt;
    }
    return entryData(a.get(), maxBytes, reason);
}

std::optional<ImportedGroups> bookGroups(const QString &name, const QByteArray &data)
{
    if (baseName(name) != BookGroupsFile || name.count(QLatin1Char('/')) > 1)
        return std::nullopt;
    const QJsonValue list = QJsonDocument::fromJson(data).object().value(QLatin1String("mainGroups"));
    if (!list.isArray())
        return std::nullopt;
    ImportedGroups groups;
    for (const QJsonValue &item : list.toArray()) {
        const QJsonObject object = item.toObject();
        ImportedGroups::MainGroup main{object.value(QLatin1String("name")).toString(), {}};
        for (const QJsonValue &subgroup : object.value(QLatin1String("subgroups")).toArray())
            if (subgroup.isString())
                main.subgroups << subgroup.toString();
        groups.mainGroups << main;
    }
    return groups;
}

bool readZip(const QString &path, const QString &file, const ImportSink &sink)
{
    // One folder at a time: its recipe.json and its picture are kept until an
    // entry of another folder comes, so a large archive is never held whole.
    struct Kept
    {
        QByteArray json;
        QString jsonName;
        QByteArray picture;
        bool pictureIsFull = false;
    };
    Kept kept;
    QString folder;
    bool sawJson = false;
    bool opened = false;
    auto flush = [&]() -> bool {
        bool going = true;
        if (!kept.jsonName.isEmpty()) {
            ImportSink inner = sink;
            inner.recipe = [&](ImportedRecipe &&recipe) {
                if (!kept.picture.isEmpty())
                    recipe.picture = kept.picture;
                return !sink.recipe || sink.recipe(std::move(recipe));
            };
            inner.progress = {};
            going = JsonLdReader::readDocument(kept.json, file, kept.jsonName, inner);
        }
        kept = Kept();
        return going;
    };
    const bool finished = walkZip(
        path, file, sink,
        [&](const QString &name, const QByteArray &data) {
            if (folderOf(name) != folder) {
                if (!flush())
                    return false;
                folder = folderOf(name);
            }
            const QString base = baseName(name).toLower();
            if (std::optional<ImportedGroups> groups = bookGroups(name, data)) {
                if (sink.groups)
                    sink.groups(std::move(*groups));
            } else if (base.endsWith(QLatin1String(".json"))) {
                if (!kept.jsonName.isEmpty() && !flush())
                    return false;
                kept.json = data;
                kept.jsonName = name;
                sawJson = true;
            } else if (base == QLatin1String("full.jpg")) {
                kept.picture = data;
                kept.pictureIsFull = true;
            } else if (!kept.pictureIsFull && kept.picture.isEmpty()) {
                kept.picture = data;
            }
            return true;
        },
        [](const QString &name) {
            return !name.startsWith(QLatin1String("__MACOSX/"))
                && (name.toLower().endsWith(QLatin1String(".json")) || isImageName(name));
        },
        &opened);
    if (!finished)
        return false;
    if (opened && !sawJson && sink.problem)
        sink.problem(ImportProblem{file, QString(), QStringLiteral("no recipe.json or other JSON recipe in the archive")});
    return flush();
}

bool readPaprika(const QString &path, const QString &file, const ImportSink &sink)
{
    int found = 0;
    bool opened = false;
    const bool finished = walkZip(
        path, file, sink,
        [&](const QString &name, const QByteArray &data) {
            ++found;
            QString reason;
            const std::optional<QByteArray> json = gunzip(data, MaxEntryBytes, &reason);
            QJsonParseError error;
            const QJsonDocument document = json ? QJsonDocument::fromJson(*json, &error) : QJsonDocument();
            if (json && error.error != QJsonParseError::NoError)
                reason = QStringLiteral("not valid JSON: %1").arg(error.errorString());
            else if (json && !document.isObject())
                reason = QStringLiteral("not a recipe");
            if (!reason.isEmpty()) {
                if (sink.problem)
                    sink.problem(ImportProblem{file, name, reason});
                return true;
            }
            ImportedRecipe recipe = paprikaRecipe(document.object());
            if (recipe.name.isEmpty()) {
                if (sink.problem)
                    sink.problem(ImportProblem{file, name, QStringLiteral("the recipe has no name")});
                return true;
            }
            recipe.file = file;
            recipe.place = name;
            return !sink.recipe || sink.recipe(std::move(recipe));
        },
        [](const QString &name) {
            return !name.startsWith(QLatin1String("__MACOSX/"))
                && name.endsWith(QLatin1String(".paprikarecipe"), Qt::CaseInsensitive);
        },
        &opened);
    if (finished && opened && found == 0 && sink.problem)
        sink.problem(ImportProblem{file, QString(), QStringLiteral("no Paprika recipes in the archive")});
    return finished;
}

} // namespace RecipeArchive

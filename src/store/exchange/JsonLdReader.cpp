#include "store/exchange/JsonLdReader.h"

#include "store/exchange/IngredientText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QStringDecoder>

namespace JsonLdReader {

namespace {

// Deeper than any recipe; the JSON parser itself refuses more than 1024.
constexpr int MaxDepth = 64;

bool isType(const QJsonValue &type, const QString &wanted)
{
    auto matches = [&wanted](const QString &name) {
        return name == wanted || name.endsWith(QLatin1Char('/') + wanted) || name.endsWith(QLatin1Char(':') + wanted);
    };
    if (type.isString())
        return matches(type.toString());
    if (type.isArray()) {
        for (const QJsonValue &t : type.toArray())
            if (t.isString() && matches(t.toString()))
                return true;
    }
    return false;
}

QString singleLine(const QJsonValue &value)
{
    if (value.isString())
        return plainText(value.toString()).simplified();
    if (value.isDouble())
        return QString::number(value.toDouble());
    if (value.isArray() && !value.toArray().isEmpty())
        return singleLine(value.toArray().first());
    return QString();
}

QString firstOfList(const QJsonValue &value, bool commaSeparated)
{
    if (value.isArray()) {
        for (const QJsonValue &v : value.toArray()) {
            const QString text = singleLine(v);
            if (!text.isEmpty())
                return text;
        }
        return QString();
    }
    const QString text = singleLine(value);
    return commaSeparated ? text.section(QLatin1Char(','), 0, 0).trimmed() : text;
}

void addInstructions(const QJsonValue &value, QStringList &paragraphs, int depth)
{
    if (depth > MaxDepth)
        return;
    if (value.isString()) {
        QString text = plainText(value.toString()).trimmed();
        if (!text.isEmpty())
            paragraphs << text;
    } else if (value.isArray()) {
        for (const QJsonValue &item : value.toArray())
            addInstructions(item, paragraphs, depth + 1);
    } else if (value.isObject()) {
        const QJsonObject object = value.toObject();
        const QJsonValue type = object.value(QLatin1String("@type"));
        if (isType(type, QStringLiteral("HowToSection")) || isType(type, QStringLiteral("ItemList"))
            || object.contains(QLatin1String("itemListElement"))) {
            const QString name = singleLine(object.value(QLatin1String("name")));
            if (!name.isEmpty() && !isType(type, QStringLiteral("ItemList")))
                paragraphs << name;
            addInstructions(object.value(QLatin1String("itemListElement")), paragraphs, depth + 1);
        } else if (object.contains(QLatin1String("text"))) {
            addInstructions(object.value(QLatin1String("text")), paragraphs, depth + 1);
        } else if (object.contains(QLatin1String("name"))) {
            addInstructions(object.value(QLatin1String("name")), paragraphs, depth + 1);
        }
    }
}

// A time as the book shows it: "1 h 30 min" for an ISO 8601 duration or
// bare minutes, free text as written.
QString timeText(const QJsonValue &value, QStringList *notes)
{
    if (value.isDouble()) {
        const double minutes = value.toDouble();
        if (minutes < 0 || minutes > 366 * 24 * 60) {
            notes->append(QStringLiteral("the time %1 is too large; imported without a time").arg(minutes));
            return QString();
        }
        return IngredientText::durationText(QStringLiteral("PT%1M").arg(qint64(minutes)));
    }
    const QString text = singleLine(value);
    if (text.isEmpty())
        return QString();
    bool tooLarge = false;
    const QString duration = IngredientText::durationText(text, &tooLarge);
    if (tooLarge) {
        notes->append(QStringLiteral("the time \"%1\" is too large; imported without a time")
                          .arg(IngredientText::cut(text, 40)));
        return QString();
    }
    if (!duration.isEmpty())
        return duration;
    static const QRegularExpression minutesOnly(QStringLiteral("^\\d{1,6}$"));
    if (minutesOnly.match(text).hasMatch())
        return IngredientText::durationText(QStringLiteral("PT%1M").arg(text));
    return text;
}

// The minutes of a time in the book's form ("1 h 30 min").
std::optional<qint64> minutesOf(const QString &text)
{
    static const QRegularExpression parts(QStringLiteral("^PT(?:(\\d+)H)?(?:(\\d+)M)?$"));
    const QRegularExpressionMatch match = parts.match(IngredientText::isoDuration(text));
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toLongLong() * 60 + match.captured(2).toLongLong();
}

QByteArray dataUrlImage(const QString &url)
{
    if (!url.startsWith(QLatin1String("data:image/"), Qt::CaseInsensitive))
        return QByteArray();
    const int comma = url.indexOf(QLatin1Char(','));
    if (comma < 0 || !url.left(comma).endsWith(QLatin1String(";base64"), Qt::CaseInsensitive))
        return QByteArray();
    return QByteArray::fromBase64(url.mid(comma + 1).toLatin1());
}

QByteArray imageFrom(const QJsonValue &value, const std::function<QByteArray(const QString &)> &pictures, int depth)
{
    if (depth > MaxDepth)
        return QByteArray();
    if (value.isString()) {
        const QString url = value.toString().trimmed();
        const QByteArray data = dataUrlImage(url);
        if (!data.isEmpty())
            return data;
        // Nothing is fetched from the network: only pictures inside the
        // imported files are used.
        if (pictures && !url.contains(QLatin1String("://")))
            return pictures(url);
        return QByteArray();
    }
    if (value.isArray()) {
        for (const QJsonValue &item : value.toArray()) {
            const QByteArray data = imageFrom(item, pictures, depth + 1);
            if (!data.isEmpty())
                return data;
        }
        return QByteArray();
    }
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        QByteArray data = imageFrom(object.value(QLatin1String("url")), pictures, depth + 1);
        if (data.isEmpty())
            data = imageFrom(object.value(QLatin1String("contentUrl")), pictures, depth + 1);
        return data;
    }
    return QByteArray();
}

// The first address an image value names: a string, a list of them, or an
// ImageObject's url or contentUrl.
QString imageAddress(const QJsonValue &value, int depth)
{
    if (depth > MaxDepth)
        return QString();
    if (value.isString()) {
        const QString url = value.toString().trimmed();
        return url.startsWith(QLatin1String("data:"), Qt::CaseInsensitive) ? QString() : url;
    }
    QString address;
    if (value.isArray()) {
        for (const QJsonValue &item : value.toArray())
            if (address.isEmpty())
                address = imageAddress(item, depth + 1);
    } else if (value.isObject()) {
        address = imageAddress(value.toObject().value(QLatin1String("url")), depth + 1);
        if (address.isEmpty())
            address = imageAddress(value.toObject().value(QLatin1String("contentUrl")), depth + 1);
    }
    return address;
}

void collectRecipes(const QJsonValue &value, QVector<QJsonObject> &found, int depth)
{
    if (depth > MaxDepth)
        return;
    if (value.isArray()) {
        for (const QJsonValue &item : value.toArray())
            collectRecipes(item, found, depth + 1);
        return;
    }
    if (!value.isObject())
        return;
    const QJsonObject object = value.toObject();
    if (isType(object.value(QLatin1String("@type")), QStringLiteral("Recipe"))) {
        found << object;
        return;
    }
    collectRecipes(object.value(QLatin1String("@graph")), found, depth + 1);
    collectRecipes(object.value(QLatin1String("mainEntity")), found, depth + 1);
}

int lineOfOffset(const QByteArray &data, qint64 offset)
{
    return int(data.left(int(qBound<qint64>(0, offset, data.size()))).count('\n')) + 1;
}

// The number of recipes of one JSON text; -1 when the sink stopped the
// reading, -2 when it is no JSON (reported).
int readJson(const QByteArray &json, const QString &file, const QString &place, int firstLine, const ImportSink &sink,
             const std::function<QByteArray(const QString &)> &pictures)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError) {
        const QString where =
            place.isEmpty() ? QString::number(firstLine - 1 + lineOfOffset(json, error.offset)) : place;
        if (sink.problem)
            sink.problem(ImportProblem{file, where, QStringLiteral("not valid JSON: %1").arg(error.errorString()), true});
        return -2;
    }
    QVector<QJsonObject> found;
    collectRecipes(document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object()), found, 0);
    for (int i = 0; i < found.size(); ++i) {
        QString where = place.isEmpty() ? QString::number(firstLine) : place;
        if (found.size() > 1)
            where += QStringLiteral(" (recipe %1)").arg(i + 1);
        const QJsonObject &object = found.at(i);
        if (!readRecipe(object, file, where, sink,
                        [&] { return imageFrom(object.value(QLatin1String("image")), pictures, 0); }))
            return -1;
    }
    return int(found.size());
}

// The character of a named entity that recipe texts use; 0 for the others.
char32_t namedEntity(const QString &name)
{
    static const struct
    {
        const char *name;
        char32_t code;
    } entities[] = {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}, {"nbsp", ' '}};
    for (const auto &entity : entities) {
        if (name == QLatin1String(entity.name))
            return entity.code;
    }
    return 0;
}

} // namespace

bool readRecipe(const QJsonObject &object, const QString &file, const QString &place, const ImportSink &sink,
                const std::function<QByteArray()> &picture)
{
    QString reason;
    QStringList notes;
    std::optional<ImportedRecipe> recipe = recipeFrom(object, &reason, &notes);
    if (!recipe) {
        if (sink.problem)
            sink.problem(ImportProblem {file, place, reason, true});
        return true;
    }
    if (recipe->picture.isEmpty() && picture)
        recipe->picture = picture();
    recipe->file = file;
    recipe->place = place;
    if (sink.problem) {
        for (const QString &note : qAsConst(notes))
            sink.problem(ImportProblem {file, place, note, false});
    }
    return !sink.recipe || sink.recipe(std::move(*recipe));
}

QString plainText(const QString &html)
{
    if (!html.contains(QLatin1Char('<')) && !html.contains(QLatin1Char('&')))
        return html;
    QString text = html;
    static const QRegularExpression breaks(QStringLiteral("<\\s*(br\\s*/?|/p|/li|/div|/h\\d)\\s*>"),
                                           QRegularExpression::CaseInsensitiveOption);
    text.replace(breaks, QStringLiteral("\n"));
    static const QRegularExpression tags(QStringLiteral("</?[A-Za-z][^<>]*>"));
    text.remove(tags);
    static const QRegularExpression entity(QStringLiteral("&(#[0-9]{1,7}|#[xX][0-9A-Fa-f]{1,6}|[A-Za-z]{2,8});"));
    QString decoded;
    int last = 0;
    for (auto it = entity.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        decoded += text.mid(last, match.capturedStart() - last);
        last = match.capturedEnd();
        const QString name = match.captured(1);
        char32_t code = 0;
        if (name.startsWith(QLatin1String("#x")) || name.startsWith(QLatin1String("#X")))
            code = name.mid(2).toUInt(nullptr, 16);
        else if (name.startsWith(QLatin1Char('#')))
            code = name.mid(1).toUInt();
        else
            code = namedEntity(name);
        if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            decoded += match.captured(0);
        else
            decoded += QString::fromUcs4(&code, 1);
    }
    decoded += text.mid(last);
    return decoded;
}

std::optional<ImportedRecipe> recipeFrom(const QJsonObject &object, QString *reason, QStringList *notes)
{
    ImportedRecipe recipe;
    recipe.name = singleLine(object.value(QLatin1String("name")));
    if (recipe.name.isEmpty()) {
        *reason = QStringLiteral("the recipe has no name");
        return std::nullopt;
    }
    recipe.description = plainText(singleLine(object.value(QLatin1String("description")))).trimmed();
    if (object.value(QLatin1String("description")).isString())
        recipe.description = plainText(object.value(QLatin1String("description")).toString()).trimmed();

    QJsonValue ingredients = object.value(QLatin1String("recipeIngredient"));
    if (ingredients.isUndefined())
        ingredients = object.value(QLatin1String("ingredients"));
    QStringList lines;
    if (ingredients.isArray()) {
        for (const QJsonValue &item : ingredients.toArray())
            if (item.isString())
                lines << plainText(item.toString()).split(QLatin1Char('\n'));
    } else if (ingredients.isString()) {
        lines = plainText(ingredients.toString()).split(QLatin1Char('\n'));
    }
    // Empty lines between ingredients stay (they part groups); those at the
    // ends go.
    for (const QString &line : qAsConst(lines)) {
        QString text = line;
        text.remove(QLatin1Char('\r'));
        text = text.trimmed();
        if (!text.isEmpty() || !recipe.ingredients.isEmpty())
            recipe.ingredients << (text.isEmpty() ? text : IngredientText::fromFreeText(text));
    }
    while (!recipe.ingredients.isEmpty() && recipe.ingredients.last().isEmpty())
        recipe.ingredients.removeLast();

    QStringList paragraphs;
    addInstructions(object.value(QLatin1String("recipeInstructions")), paragraphs, 0);
    recipe.directions = paragraphs.join(QLatin1String("\n\n"));
    recipe.directions.remove(QLatin1Char('\r'));

    const QJsonValue yield = object.value(QLatin1String("recipeYield"));
    if (yield.isArray()) {
        for (const QJsonValue &item : yield.toArray()) {
            const QString text = singleLine(item);
            if (IngredientText::firstNumber(text).has_value() || recipe.yield.isEmpty())
                recipe.yield = text;
            if (IngredientText::firstNumber(text).has_value())
                break;
        }
    } else if (yield.isDouble()) {
        const double value = yield.toDouble();
        recipe.yield = value >= 0 && value < 1e9 ? QString::number(qint64(value)) : QStringLiteral("1000000000000");
    } else {
        recipe.yield = singleLine(yield);
    }

    const QString ownTime = singleLine(object.value(QLatin1String("totalTimeText")));
    if (!ownTime.isEmpty()) {
        recipe.time = ownTime;
    } else if (object.contains(QLatin1String("totalTime"))) {
        recipe.time = timeText(object.value(QLatin1String("totalTime")), notes);
    } else {
        const QString prep = timeText(object.value(QLatin1String("prepTime")), notes);
        const QString cook = timeText(object.value(QLatin1String("cookTime")), notes);
        const auto prepMinutes = minutesOf(prep);
        const auto cookMinutes = minutesOf(cook);
        const QString both = prepMinutes && cookMinutes
            ? IngredientText::durationText(QStringLiteral("PT%1M").arg(*prepMinutes + *cookMinutes))
            : QString();
        recipe.time = !both.isEmpty() ? both : (!cook.isEmpty() ? cook : prep);
    }
    recipe.difficulty = singleLine(object.value(QLatin1String("difficulty")));
    recipe.category = firstOfList(object.value(QLatin1String("recipeCategory")), false);
    // This program's own export names the main group whole in "mainGroup"
    // (keywords split at commas); its names are taken as written.
    const QJsonValue ownMainGroup = object.value(QLatin1String("mainGroup"));
    if (ownMainGroup.isString()) {
        recipe.mainGroup = ownMainGroup.toString().trimmed();
        recipe.category = object.value(QLatin1String("recipeCategory")).toString().trimmed();
        recipe.name = object.value(QLatin1String("name")).toString().trimmed();
        recipe.exactNames = !recipe.name.isEmpty();
        if (recipe.name.isEmpty())
            recipe.name = singleLine(object.value(QLatin1String("name")));
    } else {
        recipe.mainGroup = firstOfList(object.value(QLatin1String("keywords")), true);
    }
    recipe.picture = imageFrom(object.value(QLatin1String("image")), {}, 0);
    if (recipe.picture.isEmpty())
        recipe.pictureAddress = imageAddress(object.value(QLatin1String("image")), 0);
    return recipe;
}

bool readDocument(const QByteArray &json, const QString &file, const QString &place, const ImportSink &sink,
                  const std::function<QByteArray(const QString &)> &pictures)
{
    const int count = readJson(json, file, place, 1, sink, pictures);
    if (count == -1)
        return false;
    if (count == 0 && sink.problem)
        sink.problem(ImportProblem{file, place, QStringLiteral("no schema.org Recipe in it"), true});
    return true;
}

bool readHtml(const QByteArray &html, const QString &file, const ImportSink &sink)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString page = utf8.decode(html);
    if (utf8.hasError())
        page = QStringDecoder("windows-1252").decode(html);
    static const QRegularExpression script(
        QStringLiteral("<script\\b[^>]*\\btype\\s*=\\s*[\"']?application/ld\\+json[\"']?[^>]*>(.*?)</script\\s*>"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    int recipes = 0;
    for (auto it = script.globalMatch(page); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const int line = int(QStringView(page).left(match.capturedStart(1)).count(QLatin1Char('\n'))) + 1;
        const int count = readJson(match.captured(1).toUtf8(), file, QString(), line, sink, {});
        if (count == -1)
            return false;
        recipes += qMax(count, 0);
    }
    if (recipes == 0 && sink.problem)
        sink.problem(ImportProblem{file, QString(), QStringLiteral("no schema.org Recipe in the page"), true});
    return true;
}

} // namespace JsonLdReader

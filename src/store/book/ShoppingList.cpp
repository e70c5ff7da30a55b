#include "store/book/ShoppingList.h"

#include "recipe/PortionScaling.h"
#include "store/table/ProgramError.h"

#include <QHash>

#include <algorithm>
#include <optional>

namespace ShoppingList {

namespace {

// Amounts are added as whole ten-thousandths of a millilitre, a gram or a
// piece, so that sums of two-decimal quantities are exact.
constexpr qint64 Scale = 10000;

enum class Kind { None, Pieces, Volume, Mass };

// How a volume was written, which decides how its sum is shown.
enum class Family { Metric, Spoon, FinnishSpoon, Cup };

struct Unit
{
    const char *name;
    Kind kind;
    qint64 size; // in ten-thousandths of the kind's base (ml, g)
    Family family;
};

const Unit units[] = {
    {"ml", Kind::Volume, 1 * Scale, Family::Metric},
    {"cl", Kind::Volume, 10 * Scale, Family::Metric},
    {"dl", Kind::Volume, 100 * Scale, Family::Metric},
    {"l", Kind::Volume, 1000 * Scale, Family::Metric},
    {"tsp", Kind::Volume, 5 * Scale, Family::Spoon},
    {"teaspoon", Kind::Volume, 5 * Scale, Family::Spoon},
    {"teaspoons", Kind::Volume, 5 * Scale, Family::Spoon},
    {"tbsp", Kind::Volume, 15 * Scale, Family::Spoon},
    {"tablespoon", Kind::Volume, 15 * Scale, Family::Spoon},
    {"tablespoons", Kind::Volume, 15 * Scale, Family::Spoon},
    {"tl", Kind::Volume, 5 * Scale, Family::FinnishSpoon},
    {"rkl", Kind::Volume, 15 * Scale, Family::FinnishSpoon},
    {"cup", Kind::Volume, 240 * Scale, Family::Cup},
    {"cups", Kind::Volume, 240 * Scale, Family::Cup},
    {"g", Kind::Mass, 1 * Scale, Family::Metric},
    {"kg", Kind::Mass, 1000 * Scale, Family::Metric},
    {"oz", Kind::Mass, 283500, Family::Metric},
    {"lb", Kind::Mass, 4536000, Family::Metric},
    {"lbs", Kind::Mass, 4536000, Family::Metric},
    // Meal-Master's codes, as imported recipes write them ("T" is taken
    // apart from "t" before this list is searched).
    {"t", Kind::Volume, 5 * Scale, Family::Spoon},
    {"ts", Kind::Volume, 5 * Scale, Family::Spoon},
    {"tb", Kind::Volume, 15 * Scale, Family::Spoon},
    {"c", Kind::Volume, 240 * Scale, Family::Cup},
    // Pieces are counted without a unit.
    {"pcs", Kind::Pieces, Scale, Family::Metric},
    {"pc", Kind::Pieces, Scale, Family::Metric},
    {"kpl", Kind::Pieces, Scale, Family::Metric},
    {"ea", Kind::Pieces, Scale, Family::Metric},
};

const Unit *findUnit(QString word)
{
    if (word.endsWith(u'.'))
        word.chop(1);
    if (word == QLatin1String("T"))
        word = QStringLiteral("tbsp");
    word = word.toLower();
    for (const Unit &unit : units) {
        if (word == QLatin1String(unit.name))
            return &unit;
    }
    return nullptr;
}

// "12" or "1,25" as ten-thousandths; nothing for any other text and for
// more than eight digits before the comma, whose sums could overflow.
std::optional<qint64> readNumber(const QString &text)
{
    const int at = text.indexOf(u',');
    const QString whole = at < 0 ? text : text.left(at);
    const QString fraction = at < 0 ? QString() : text.mid(at + 1);
    if (whole.isEmpty() || whole.size() > 8 || (at >= 0 && fraction.isEmpty()))
        return std::nullopt;
    qint64 value = 0;
    for (const QChar c : whole) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    qint64 part = 0;
    for (int i = 0; i < 5; ++i) {
        const QChar c = i < fraction.size() ? fraction[i] : QChar(u'0');
        if (c < u'0' || c > u'9')
            return std::nullopt;
        part = part * 10 + (c.unicode() - u'0');
    }
    for (int i = 5; i < fraction.size(); ++i) {
        if (fraction[i] < u'0' || fraction[i] > u'9')
            return std::nullopt;
    }
    return value * Scale + (part + 5) / 10;
}

// One ingredient line read.
struct Line
{
    bool readable = true;
    bool hasAmount = false;
    qint64 low = 0;
    qint64 high = 0;
    bool range = false;
    QString rest; // the unit and the ingredient text
};

Line readLine(const QString &text)
{
    Line line;
    const PortionScaling::QuantitySpan span = PortionScaling::quantitySpan(text);
    if (span.firstEnd == 0) {
        line.rest = text;
        return line;
    }
    const std::optional<qint64> low = readNumber(text.left(span.firstEnd));
    const std::optional<qint64> high =
        span.secondStart < 0 ? low : readNumber(text.mid(span.secondStart, span.secondEnd - span.secondStart));
    if (!low || !high) {
        line.readable = false;
        return line;
    }
    line.hasAmount = true;
    line.low = *low;
    line.high = *high;
    line.range = span.secondStart >= 0;
    line.rest = text.mid(span.rest).trimmed();
    return line;
}

bool isPunctuation(QChar c)
{
    return c == u',' || c == u';' || c == u':' || c == u'.' || c == u'-' || c == u'*' || c == u'\x2022'
        || c == u'\x2013';
}

// The ingredient text as shown: spaces and list punctuation around it go.
QString shownText(const QString &text)
{
    int from = 0;
    int to = text.size();
    while (from < to && (text[from].isSpace() || isPunctuation(text[from])))
        ++from;
    while (to > from && (text[to - 1].isSpace() || (isPunctuation(text[to - 1]) && text[to - 1] != u'.')))
        --to;
    return text.mid(from, to - from).simplified();
}

// `value` ten-thousandths in a unit of `size` ten-thousandths, rounded to
// hundredths (halves upward), with a decimal comma and no trailing zeros.
QString amountText(qint64 value, qint64 size)
{
    const qint64 hundredths = (value * 100 + size / 2) / size;
    QString text = QString::number(hundredths / 100);
    const qint64 fraction = hundredths % 100;
    if (fraction != 0) {
        text += u',' + QStringLiteral("%1").arg(fraction, 2, 10, QLatin1Char('0'));
        if (text.endsWith(u'0'))
            text.chop(1);
    }
    return text;
}

// The lines of one ingredient and kind, added up.
struct Sum
{
    Kind kind = Kind::None;
    qint64 low = 0;
    qint64 high = 0;
    bool range = false;
    bool allSpoons = true;
    bool spoonSeen = false;
    bool finnishSpoons = false; // the first spoon written was "tl" or "rkl"
    bool allCups = true;
    QStringList texts;
    QStringList recipes;
};

struct Shown
{
    const char *unit;
    qint64 size;
};

// The unit a sum is shown in: the one that gives a number from 1 up, spoons
// and cups kept while everything was measured so (spoons below 1 dl).
Shown shownUnit(const Sum &sum)
{
    const qint64 total = sum.high;
    if (sum.kind == Kind::Mass)
        return total >= 1000 * Scale ? Shown {"kg", 1000 * Scale} : Shown {"g", Scale};
    if (sum.allCups)
        return {total > 240 * Scale ? "cups" : "cup", 240 * Scale};
    if (sum.allSpoons && total < 100 * Scale) {
        // Tablespoons when the sum is a whole or half number of them.
        const bool tablespoons = total >= 15 * Scale && (sum.low * 2) % (15 * Scale) == 0
            && (total * 2) % (15 * Scale) == 0;
        if (tablespoons)
            return {sum.finnishSpoons ? "rkl" : "tbsp", 15 * Scale};
        return {sum.finnishSpoons ? "tl" : "tsp", 5 * Scale};
    }
    if (total >= 1000 * Scale)
        return {"l", 1000 * Scale};
    if (total >= 10 * Scale)
        return {"dl", 100 * Scale};
    return {"ml", Scale};
}

Item itemOf(const Sum &sum)
{
    Item item;
    item.recipes = sum.recipes;
    item.ingredient = sum.texts.value(0);
    if (sum.kind == Kind::None)
        return item;
    Shown shown {"", Scale};
    if (sum.kind != Kind::Pieces)
        shown = shownUnit(sum);
    item.unit = QLatin1String(shown.unit);
    item.amount = amountText(sum.low, shown.size);
    if (sum.range && sum.low != sum.high)
        item.amount += u'-' + amountText(sum.high, shown.size);
    // More than one: the plural, where the recipes wrote one.
    if (sum.high > shown.size || sum.range) {
        for (const QString &text : sum.texts) {
            if (text.size() > item.ingredient.size())
                item.ingredient = text;
        }
    }
    return item;
}

} // namespace

QString matchKey(const QString &ingredient)
{
    QString folded;
    const QString decomposed = ingredient.normalized(QString::NormalizationForm_KD).toLower();
    folded.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing)
            folded += c;
    }
    int from = 0;
    int to = folded.size();
    while (from < to && !folded[from].isLetterOrNumber())
        ++from;
    while (to > from && !folded[to - 1].isLetterOrNumber())
        --to;
    QStringList words = folded.mid(from, to - from).split(u' ', Qt::SkipEmptyParts);
    for (QString &word : words) {
        int end = word.size();
        while (end > 0 && !word[end - 1].isLetterOrNumber())
            --end;
        if (end >= 3 && word[end - 1] == u's' && word[end - 2] != u's' && word[end - 2].isLetter())
            word.remove(end - 1, 1);
    }
    return words.join(u' ');
}

QString ingredientName(const QString &line)
{
    const QString written = line.trimmed();
    if (written.isEmpty() || written.endsWith(u':'))
        return QString();
    Line read;
    try {
        read = readLine(written);
    } catch (const ProgramError &) {
        read.readable = false;
    }
    if (!read.readable || !read.hasAmount)
        return shownText(written);
    const int space = read.rest.indexOf(u' ');
    const Unit *unit = findUnit(space < 0 ? read.rest : read.rest.left(space));
    return shownText(unit ? (space < 0 ? QString() : read.rest.mid(space + 1)) : read.rest);
}

QString Item::text() const
{
    QStringList parts;
    for (const QString &part : {amount, unit, ingredient}) {
        if (!part.isEmpty())
            parts << part;
    }
    return parts.join(u' ');
}

QVector<Item> build(const QVector<Entry> &entries)
{
    QVector<Sum> sums;
    QHash<QString, int> byKey;
    auto add = [&](const QString &key, Kind kind, const QString &text, const QString &recipe) -> Sum & {
        const QString full = QString::number(int(kind)) + u'\n' + key;
        auto found = byKey.constFind(full);
        int index = 0;
        if (found == byKey.constEnd()) {
            index = int(sums.size());
            sums.append(Sum {});
            sums.last().kind = kind;
            byKey.insert(full, index);
        } else {
            index = *found;
        }
        Sum &sum = sums[index];
        if (!sum.texts.contains(text))
            sum.texts << text;
        if (!sum.recipes.contains(recipe))
            sum.recipes << recipe;
        return sum;
    };

    int unreadable = 0;
    for (const Entry &entry : entries) {
        const bool scaling = entry.recipePortions > 0 && entry.portions > 0 && entry.recipePortions != entry.portions;
        for (const QString &raw : entry.ingredients.split(u'\n')) {
            const QString written = raw.trimmed();
            if (written.isEmpty())
                continue;
            Line line;
            try {
                line = readLine(scaling ? PortionScaling::scaleLine(written, entry.recipePortions, entry.portions).text
                                        : written);
            } catch (const ProgramError &) {
                line.readable = false;
            }
            if (!line.readable) {
                // Listed as written, on a line of its own: its amount is not known.
                add(QStringLiteral("\x01%1").arg(++unreadable), Kind::None, written, entry.recipe);
                continue;
            }
            if (!line.hasAmount) {
                // A heading ("Filling:") is nothing to buy.
                if (written.endsWith(u':'))
                    continue;
                const QString text = shownText(written);
                add(matchKey(text), Kind::None, text, entry.recipe);
                continue;
            }
            const int space = line.rest.indexOf(u' ');
            const Unit *unit = findUnit(space < 0 ? line.rest : line.rest.left(space));
            const QString text = shownText(unit ? (space < 0 ? QString() : line.rest.mid(space + 1)) : line.rest);
            const Kind kind = unit ? unit->kind : Kind::Pieces;
            const qint64 size = unit ? unit->size : Scale;
            Sum &sum = add(matchKey(text), kind, text, entry.recipe);
            sum.low += line.low * size / Scale;
            sum.high += line.high * size / Scale;
            sum.range = sum.range || line.range;
            const Family family = unit ? unit->family : Family::Metric;
            sum.allSpoons = sum.allSpoons && (family == Family::Spoon || family == Family::FinnishSpoon);
            if (!sum.spoonSeen && (family == Family::Spoon || family == Family::FinnishSpoon)) {
                sum.spoonSeen = true;
                sum.finnishSpoons = family == Family::FinnishSpoon;
            }
            sum.allCups = sum.allCups && family == Family::Cup;
        }
    }

    QVector<Item> items;
    items.reserve(sums.size());
    QVector<QPair<QString, int>> order;
    for (const Sum &sum : sums) {
        items.append(itemOf(sum));
        order.append({matchKey(items.last().ingredient), int(sum.kind)});
    }
    QVector<int> index(items.size());
    for (int i = 0; i < index.size(); ++i)
        index[i] = i;
    std::stable_sort(index.begin(), index.end(), [&](int a, int b) { return order[a] < order[b]; });
    QVector<Item> sorted;
    sorted.reserve(items.size());
    for (int i : index)
        sorted.append(items[i]);
    return sorted;
}

} // namespace ShoppingList

#include "store/exchange/IngredientText.h"

#include <QRegularExpression>
#include <QSet>

namespace IngredientText {

namespace {

// Digits beyond this make a number no quantity anyone cooks with; keeping
// them short keeps the arithmetic below in range.
constexpr int MaxDigits = 9;

bool allDigits(const QString &text)
{
    if (text.isEmpty() || text.size() > MaxDigits)
        return false;
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

// whole + numerator / denominator with two decimals (halves up), trailing
// zeros dropped: 1/3 gives "0,33", 1 1/2 "1,5", 4/2 "2".
std::optional<QString> fractionText(qint64 whole, qint64 numerator, qint64 denominator)
{
    if (denominator <= 0)
        return std::nullopt;
    const qint64 hundredths = whole * 100 + (numerator * 200 + denominator) / (2 * denominator);
    QString text = QString::number(hundredths / 100);
    const qint64 rest = hundredths % 100;
    if (rest != 0) {
        text += QLatin1Char(',') + QStringLiteral("%1").arg(rest, 2, 10, QLatin1Char('0'));
        if (text.endsWith(QLatin1Char('0')))
            text.chop(1);
    }
    return text;
}

// One amount without a range.
std::optional<QString> singleQuantity(const QString &input)
{
    const QString text = input.simplified();
    if (allDigits(text))
        return text;
    const int slash = text.indexOf(QLatin1Char('/'));
    if (slash > 0) {
        const int space = text.indexOf(QLatin1Char(' '));
        QString whole = QStringLiteral("0");
        QString fraction = text;
        if (space > 0 && space < slash) {
            whole = text.left(space);
            fraction = text.mid(space + 1);
        }
        const int bar = fraction.indexOf(QLatin1Char('/'));
        const QString numerator = fraction.left(bar);
        const QString denominator = fraction.mid(bar + 1);
        if (!allDigits(whole) || !allDigits(numerator) || !allDigits(denominator))
            return std::nullopt;
        return fractionText(whole.toLongLong(), numerator.toLongLong(), denominator.toLongLong());
    }
    const int point = text.indexOf(QRegularExpression(QStringLiteral("[.,]")));
    if (point >= 0) {
        const QString whole = text.left(point);
        const QString decimals = text.mid(point + 1);
        if ((!whole.isEmpty() && !allDigits(whole)) || !allDigits(decimals))
            return std::nullopt;
        return (whole.isEmpty() ? QStringLiteral("0") : whole) + QLatin1Char(',') + decimals;
    }
    return std::nullopt;
}

QString replaceVulgarFractions(QString text)
{
    static const struct
    {
        char16_t glyph;
        const char *fraction;
    } fractions[] = {{u'½', "1/2"}, {u'⅓', "1/3"}, {u'⅔', "2/3"}, {u'¼', "1/4"}, {u'¾', "3/4"},
                     {u'⅕', "1/5"}, {u'⅖', "2/5"}, {u'⅗', "3/5"}, {u'⅘', "4/5"}, {u'⅙', "1/6"},
                     {u'⅚', "5/6"}, {u'⅛', "1/8"}, {u'⅜', "3/8"}, {u'⅝', "5/8"}, {u'⅞', "7/8"}};
    for (const auto &f : fractions) {
        int at;
        while ((at = text.indexOf(QChar(f.glyph))) >= 0) {
            const bool afterDigit = at > 0 && text.at(at - 1).isDigit();
            text.replace(at, 1, (afterDigit ? QStringLiteral(" ") : QString()) + QLatin1String(f.fraction));
        }
    }
    return text;
}

} // namespace

std::optional<QString> bookQuantity(const QString &amount)
{
    const QString text = amount.simplified();
    if (text.isEmpty())
        return std::nullopt;
    const int dash = text.indexOf(QLatin1Char('-'), 1);
    if (dash < 0)
        return singleQuantity(text);
    const auto first = singleQuantity(text.left(dash));
    const auto second = singleQuantity(text.mid(dash + 1));
    if (!first || !second)
        return std::nullopt;
    return *first + QLatin1Char('-') + *second;
}

QString fromMealMaster(const QString &amount, const QString &unit, const QString &text)
{
    QStringList parts;
    const QString trimmedAmount = amount.simplified();
    if (!trimmedAmount.isEmpty())
        parts << bookQuantity(trimmedAmount).value_or(trimmedAmount);
    if (!unit.trimmed().isEmpty())
        parts << unit.trimmed();
    if (!text.trimmed().isEmpty())
        parts << text.trimmed();
    return parts.join(QLatin1Char(' '));
}

QString fromFreeText(const QString &input)
{
    const QString line = replaceVulgarFractions(input);
    static const QString number = QStringLiteral(R"((?:\d+ +\d+/\d+|\d+/\d+|\d*[.,]\d+|\d+))");
    static const QRegularExpression leading(QStringLiteral(R"(^(%1)(?:( *[-–—] *)(%1))?(?=\s|$|[^\d/.,]))").arg(number));
    const QRegularExpressionMatch match = leading.match(line);
    if (!match.hasMatch())
        return input;
    const QString first = match.captured(1);
    const QString second = match.captured(3);
    const auto firstQuantity = singleQuantity(first);
    if (!firstQuantity)
        return input;
    std::optional<QString> secondQuantity;
    if (!second.isEmpty()) {
        secondQuantity = singleQuantity(second);
        if (!secondQuantity)
            return input;
    }
    const bool firstKept = *firstQuantity == first;
    const bool secondKept = !secondQuantity || *secondQuantity == second;
    const bool dashKept = second.isEmpty() || match.captured(2).trimmed() == QLatin1String("-");
    if (firstKept && secondKept && dashKept && line == input)
        return input;
    QString quantity = *firstQuantity;
    if (secondQuantity)
        quantity += QLatin1Char('-') + *secondQuantity;
    return quantity + line.mid(match.capturedLength(0));
}

bool isMealMasterUnit(const QString &code)
{
    static const QSet<QString> codes{
        QStringLiteral("x"),  QStringLiteral("sm"), QStringLiteral("md"), QStringLiteral("lg"), QStringLiteral("cn"),
        QStringLiteral("pk"), QStringLiteral("pg"), QStringLiteral("pn"), QStringLiteral("dr"), QStringLiteral("ds"),
        QStringLiteral("ct"), QStringLiteral("bn"), QStringLiteral("sl"), QStringLiteral("ea"), QStringLiteral("t"),
        QStringLiteral("ts"), QStringLiteral("T"),  QStringLiteral("tb"), QStringLiteral("fl"), QStringLiteral("c"),
        QStringLiteral("pt"), QStringLiteral("qt"), QStringLiteral("ga"), QStringLiteral("oz"), QStringLiteral("lb"),
        QStringLiteral("ml"), QStringLiteral("cb"), QStringLiteral("cc"), QStringLiteral("cl"), QStringLiteral("dl"),
        QStringLiteral("l"),  QStringLiteral("mg"), QStringLiteral("cg"), QStringLiteral("dg"), QStringLiteral("g"),
        QStringLiteral("kg")};
    return codes.contains(code);
}

namespace {

// A book quantity ("1,5", "0,33", "2,4") in Meal-Master's amount column:
// the common fractions as fractions, other decimals with a point.
QString mealMasterAmount(const QString &quantity)
{
    const int comma = quantity.indexOf(QLatin1Char(','));
    if (comma < 0)
        return quantity;
    const QString whole = quantity.left(comma);
    const QString decimals = quantity.mid(comma + 1);
    static const struct
    {
        const char *decimals;
        const char *fraction;
    } common[] = {{"5", "1/2"}, {"25", "1/4"}, {"75", "3/4"}, {"33", "1/3"}, {"67", "2/3"}};
    for (const auto &c : common) {
        if (decimals == QLatin1String(c.decimals)) {
            if (whole.isEmpty() || whole == QLatin1String("0"))
                return QLatin1String(c.fraction);
            return whole + QLatin1Char(' ') + QLatin1String(c.fraction);
        }
    }
    return (whole.isEmpty() ? QStringLiteral("0") : whole) + QLatin1Char('.') + decimals;
}

} // namespace

MealMasterColumns toMealMaster(const QString &line)
{
    static const QRegularExpression leading(QStringLiteral(R"(^(\d+(?:,\d+)?)(?:-(\d+(?:,\d+)?))?(?=\s|$))"));
    MealMasterColumns columns;
    const QRegularExpressionMatch match = leading.match(line);
    if (!match.hasMatch()) {
        columns.text = line.trimmed();
        return columns;
    }
    QString amount = mealMasterAmount(match.captured(1));
    if (!match.captured(2).isEmpty())
        amount += QLatin1Char('-') + mealMasterAmount(match.captured(2));
    if (amount.size() > 7) {
        // Too wide for the column: the whole line goes into the text.
        columns.text = line.trimmed();
        return columns;
    }
    columns.amount = amount;
    QString rest = line.mid(match.capturedLength(0)).trimmed();
    const int space = rest.indexOf(QLatin1Char(' '));
    const QString word = space < 0 ? rest : rest.left(space);
    if (isMealMasterUnit(word)) {
        columns.unit = word;
        rest = space < 0 ? QString() : rest.mid(space + 1).trimmed();
    }
    columns.text = rest;
    return columns;
}

QString durationText(const QString &iso, bool *tooLarge)
{
    static const QRegularExpression pattern(
        QStringLiteral(R"(^P(?:(\d+)D)?(?:T(?:(\d+)H)?(?:(\d+)M)?(?:(\d+)(?:[.,]\d+)?S)?)?$)"),
        QRegularExpression::CaseInsensitiveOption);
    if (tooLarge)
        *tooLarge = false;
    const QString text = iso.trimmed();
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch() || text.size() < 3 || text.endsWith(QLatin1Char('T'), Qt::CaseInsensitive))
        return QString();
    qint64 minutes = 0;
    const int factors[] = {24 * 60, 60, 1};
    for (int i = 0; i < 3; ++i) {
        const QString part = match.captured(i + 1);
        if (part.isEmpty())
            continue;
        if (part.size() > 6) {
            if (tooLarge)
                *tooLarge = true;
            return QString();
        }
        minutes += part.toLongLong() * factors[i];
    }
    if (minutes > 366 * 24 * 60) {
        if (tooLarge)
            *tooLarge = true;
        return QString();
    }
    const qint64 hours = minutes / 60;
    minutes %= 60;
    if (hours > 0 && minutes > 0)
        return QStringLiteral("%1 h %2 min").arg(hours).arg(minutes);
    if (hours > 0)
        return QStringLiteral("%1 h").arg(hours);
    return QStringLiteral("%1 min").arg(minutes);
}

QString isoDuration(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral(R"(^\s*(?:(\d{1,4})\s*h)?\s*(?:(\d{1,4})\s*min)?\s*$)"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch() || (match.captured(1).isEmpty() && match.captured(2).isEmpty()))
        return QString();
    QString iso = QStringLiteral("PT");
    if (!match.captured(1).isEmpty())
        iso += QString::number(match.captured(1).toInt()) + QLatin1Char('H');
    if (!match.captured(2).isEmpty())
        iso += QString::number(match.captured(2).toInt()) + QLatin1Char('M');
    return iso;
}

std::optional<qint64> firstNumber(const QString &text, bool *tooLarge)
{
    if (tooLarge)
        *tooLarge = false;
    int start = 0;
    while (start < text.size() && !text.at(start).isDigit())
        ++start;
    if (start == text.size())
        return std::nullopt;
    int end = start;
    while (end < text.size() && text.at(end).isDigit())
        ++end;
    const QString digits = text.mid(start, end - start);
    bool ok = false;
    const qint64 value = digits.toLongLong(&ok);
    if (!ok || digits.size() > MaxDigits) {
        if (tooLarge)
            *tooLarge = true;
        return std::nullopt;
    }
    return value;
}

QString cut(const QString &text, int length)
{
    if (text.size() <= length)
        return text;
    int end = length;
    if (end > 0 && text.at(end - 1).isHighSurrogate())
        --end;
    return text.left(end);
}

QString joinNames(const QStringList &names)
{
    QStringList written;
    for (const QString &name : names)
        written << (name.contains(QLatin1Char(',')) ? QLatin1Char('"') + name + QLatin1Char('"') : name);
    return written.join(QStringLiteral(", "));
}

QStringList splitNames(const QString &line)
{
    QStringList names;
    QString name;
    bool quoted = false;
    auto take = [&] {
        if (!name.trimmed().isEmpty())
            names << name.trimmed();
        name.clear();
    };
    for (QChar c : line) {
        if (c == QLatin1Char('"') && (quoted || name.trimmed().isEmpty()))
            quoted = !quoted;
        else if (c == QLatin1Char(',') && !quoted)
            take();
        else
            name += c;
    }
    take();
    return names;
}

} // namespace IngredientText

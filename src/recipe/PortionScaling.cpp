#include "recipe/PortionScaling.h"

#include "store/table/ProgramError.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <vector>

namespace {

const QChar comma(u',');

[[noreturn]] void throwNotFloat(const QString &text)
{
    throw ConversionError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
}

// Reads a quantity as a fixed-point number of ten-thousandths. Only digits and
// at most one comma are a number; a fifth decimal rounds the fourth, halves
// upward. Values that do not fit the fixed-point range are not numbers either.
std::int64_t readTenThousandths(const QString &text)
{
    constexpr std::int64_t limit = std::numeric_limits<std::int64_t>::max();
    std::int64_t units = 0;
    int decimals = 0;
    bool seenComma = false;
    bool seenDigit = false;
    bool roundUp = false;
    for (const QChar c : text) {
        if (c == comma) {
            if (seenComma)
                throwNotFloat(text);
            seenComma = true;
            continue;
        }
        if (c < u'0' || c > u'9')
            throwNotFloat(text);
        seenDigit = true;
        const int digit = c.unicode() - u'0';
        if (seenComma && decimals == 4) {
            roundUp = digit >= 5;
            ++decimals;
            continue;
        }
        if (seenComma && decimals > 4)
            continue;
        if (seenComma)
            ++decimals;
        if (units > (limit - digit) / 10)
            throwNotFloat(text);
        units = units * 10 + digit;
    }
    if (!seenDigit)
        throwNotFloat(text);
    for (; decimals < 4; ++decimals) {
        if (units > limit / 10)
            throwNotFloat(text);
        units *= 10;
    }
    if (roundUp) {
        if (units == limit)
            throwNotFloat(text);
        ++units;
    }
    return units;
}

// Adds one to the digit string `digits` (no comma), carrying to the left.
QString incremented(QString digits)
{
    for (int i = digits.size() - 1; i >= 0; --i) {
        if (digits[i] == u'9') {
            digits[i] = u'0';
            continue;
        }
        digits[i] = QChar(digits[i].unicode() + 1);
        return digits;
    }
    return QLatin1Char('1') + digits;
}

} // namespace

namespace PortionScaling {

bool isNumberCharacter(QChar c)
{
    return (c >= u'0' && c <= u'9') || c == u',' || c == u'.';
}

QString significantText(long double value)
{
    if (value == 0.0L || !std::isfinite(value))
        return QStringLiteral("0");
    const bool negative = value < 0;
    // Fifteen significant digits, correctly rounded, as "d.dddddddddddddde+XX".
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.14Le", std::fabs(value));
    const QString scientific = QString::fromLatin1(buffer);
    const int e = scientific.indexOf(u'e');
    const QString digits = scientific.left(1) + scientific.mid(2, e - 2);
    const int exponent = scientific.mid(e + 1).toInt();

    QString whole;
    QString fraction;
    if (exponent >= 0) {
        whole = digits.left(exponent + 1);
        if (whole.size() < exponent + 1)
            whole += QString(exponent + 1 - whole.size(), u'0');
        fraction = digits.mid(exponent + 1);
    } else {
        whole = QStringLiteral("0");
        fraction = QString(-exponent - 1, u'0') + digits;
    }
    while (fraction.endsWith(u'0'))
        fraction.chop(1);
    QString result = fraction.isEmpty() ? whole : whole + comma + fraction;
    return negative ? QLatin1Char('-') + result : result;
}

QString roundHalfUp(const QString &text, int decimals)
{
    const int at = text.indexOf(comma);
    const QString whole = at < 0 ? text : text.left(at);
    QString fraction = at < 0 ? QString() : text.mid(at + 1);
    if (fraction.size() < decimals + 1)
        fraction += QString(decimals + 1 - fraction.size(), u'0');
    QString kept = whole + fraction.left(decimals);
    if (fraction[decimals] >= u'5')
        kept = incremented(kept);
    if (decimals == 0)
        return kept;
    return kept.left(kept.size() - decimals) + comma + kept.right(decimals);
}

QString stepToFiveHundredths(const QString &text)
{
    if (text.size() <= 1 || text[0] == u'0')
        return text;
    QString result = text;
    const int last = result.size() - 1;
    const QChar d = result[last];
    bool carry = false;
    if (d == u'1' || d == u'2') {
        result[last] = u'0';
    } else if (d == u'3' || d == u'4' || d == u'6' || d == u'7') {
        result[last] = u'5';
    } else if (d == u'8' || d == u'9') {
        result[last] = u'0';
        carry = true;
    }
    for (int i = last - 1; carry && i >= 0; --i) {
        if (result[i] == comma)
            continue;
        if (result[i] == u'9') {
            result[i] = u'0';
        } else {
            result[i] = QChar(result[i].unicode() + 1);
            carry = false;
        }
    }
    if (carry)
        result.prepend(u'1');
    return result;
}

QString dropTrailingZeros(const QString &text)
{
    const int at = text.indexOf(comma);
    if (at < 0 || !text.endsWith(u'0'))
        return text;
    QString result = text.left(text.size() - 1);
    if (result.mid(at + 1) == QLatin1String("0"))
        result.truncate(at);
    return result;
}

LineResult scaleLine(const QString &line, int oldCount, int newCount)
{
    int start = 0;
    while (start < line.size() && line[start] == u' ')
        ++start;
    const QString text = line.mid(start);
    if (text.isEmpty())
        return {text, false};
    const QChar first = text[0];
    if (!isNumberCharacter(first) && first != u'-')
        return {text, false};

    const QuantitySpan span = quantitySpan(text);
    const int end = span.firstEnd;
    // A leading run that does not end in a digit ("2, dl", ". salt", "- salt")
    // has no quantity of its own to scale.
    if (end == 0 || text[end - 1] < u'0' || text[end - 1] > u'9')
        return {text, false};
    const QString a = FormatScaledQuantity(text.left(end), oldCount, newCount);
    if (span.secondStart >= 0) {
        const QString b = FormatScaledQuantity(text.mid(span.secondStart, span.secondEnd - span.secondStart), oldCount,
                                               newCount);
        return {a + QLatin1Char('-') + b + text.mid(span.rest), true};
    }
    return {a + text.mid(span.rest), true};
}

QuantitySpan quantitySpan(const QString &text)
{
    QuantitySpan span;
    int end = 0;
    while (end < text.size() && isNumberCharacter(text[end]))
        ++end;
    span.firstEnd = end;
    if (end == 0)
        return span;
    int next = end;
    while (next < text.size() && text[next] == u' ')
        ++next;
    span.rest = next;
    if (next < text.size() && text[next] == u'-') {
        int second = next + 1;
        while (second < text.size() && text[second] == u' ')
            ++second;
        int secondEnd = second;
        while (secondEnd < text.size() && isNumberCharacter(text[secondEnd]))
            ++secondEnd;
        span.secondStart = second;
        span.secondEnd = secondEnd;
        span.rest = secondEnd;
    }
    return span;
}

QStringList scaleIngredientLines(const QStringList &lines, int oldCount, int newCount, const StoreLines &store)
{
    // Everything is worked out before anything is stored.
    std::vector<LineResult> results;
    results.reserve(std::size_t(lines.size()));
    for (const QString &line : lines)
        results.push_back(line.isEmpty() ? LineResult {line, false} : scaleLine(line, oldCount, newCount));

    QStringList current = lines;
    for (int i = 0; i < lines.size(); ++i) {
        const LineResult &result = results[std::size_t(i)];
        current[i] = result.text;
        if (result.scaled && store)
            store(current);
    }
    return current;
}

} // namespace PortionScaling

QString FormatScaledQuantity(const QString &text, int oldCount, int newCount)
{
    using namespace PortionScaling;
    const std::int64_t units = readTenThousandths(text);
    if (oldCount == 0) {
        if (units == 0)
            throw ProgramError(QStringLiteral("Invalid floating point operation"));
        throw ProgramError(QStringLiteral("Floating point division by zero"));
    }
    const long double q = static_cast<long double>(units) / 10000.0L;
    const long double r = q / oldCount * newCount;

    QString g = significantText(r);
    const bool negative = g.startsWith(u'-');
    if (negative)
        g.remove(0, 1);
    QString result;
    if (std::fabs(r) >= 10.0L) {
        result = g.contains(comma) ? roundHalfUp(g, 0) : g;
    } else {
        const QString f = g.contains(comma) ? roundHalfUp(g, 2) : g;
        result = dropTrailingZeros(stepToFiveHundredths(f));
    }
    if (negative && result != QLatin1String("0"))
        result.prepend(u'-');
    return result;
}

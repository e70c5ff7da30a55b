// The quantity formatter and the whole scaling pass over random ingredient
// lists and portion counts. Checks beyond "no crash": only ProgramError leaves
// the pass, a failing pass stores nothing, every store call holds the earlier
// lines rewritten and the later ones untouched, and a formatted quantity is a
// decimal with a comma and no trailing zeros.

#include "FuzzSupport.h"

#include "recipe/PortionScaling.h"
#include "store/table/ProgramError.h"

#include <QStringList>

#include <cstdint>

namespace {

bool wellFormedQuantity(const QString &q)
{
    if (q.isEmpty())
        return false;
    int commas = 0;
    for (QChar c : q) {
        if (c == QLatin1Char(','))
            ++commas;
        else if (!c.isDigit() && c != QLatin1Char('-'))
            return false;
    }
    if (commas > 1)
        return false;
    if (commas == 1 && (q.endsWith(QLatin1Char('0')) || q.endsWith(QLatin1Char(','))))
        return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    Fuzz::ensureCoreApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    // Portion counts as the spin box allows them (1..99), with 0 and a few
    // out-of-range values now and then.
    const int oldCount = int(int8_t(data[0])) % 120;
    const int newCount = int(int8_t(data[1])) % 120;
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));
    const QStringList lines = text.split(QLatin1Char('\n'));

    try {
        const QString q = FormatScaledQuantity(lines.first(), oldCount, newCount);
        Fuzz::check(wellFormedQuantity(q), "malformed quantity", lines.first() + QStringLiteral(" -> ") + q);
    } catch (const ProgramError &) {
    }

    int calls = 0;
    bool failed = false;
    QStringList result;
    try {
        result = PortionScaling::scaleIngredientLines(lines, oldCount, newCount, [&](const QStringList &stored) {
            ++calls;
            Fuzz::check(stored.size() == lines.size(), "stored list changed length");
            // The lines after the last rescaled one are as they were.
            int last = -1;
            for (int i = 0; i < stored.size(); ++i) {
                if (stored.at(i) != lines.at(i))
                    last = i;
            }
            for (int i = last + 1; i < stored.size(); ++i)
                Fuzz::check(stored.at(i) == lines.at(i), "later line touched");
        });
    } catch (const ProgramError &) {
        failed = true;
    }
    if (failed) {
        Fuzz::check(calls == 0, "a failing pass stored lines");
        return 0;
    }
    Fuzz::check(result.size() == lines.size(), "result changed length");
    for (int i = 0; i < lines.size(); ++i) {
        const PortionScaling::LineResult one = PortionScaling::scaleLine(lines.at(i), oldCount, newCount);
        Fuzz::check(one.text == result.at(i), "pass and single line differ", lines.at(i));
    }
    return 0;
}

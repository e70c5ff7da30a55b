#include "print/RecipeDocument.h"

namespace RecipeDocument {

QStringList memoLines(const QString &text)
{
    if (text.isEmpty())
        return {};
    QString normalised = text;
    normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normalised.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    QStringList lines = normalised.split(QLatin1Char('\n'));
    // A final line break ends the last line; it does not start another.
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QStringList previewDocument(const QString &name, const QString &portions, const QString &difficulty,
                            const QString &time, const QString &ingredients, const QString &directions)
{
    QStringList lines;
    lines << name << QString() << QString();
    lines << QStringLiteral("Portion number = ") + portions + QStringLiteral("   Degree of difficulty = ") + difficulty
                 + QStringLiteral("   Preparation time = ") + time;
    lines << QString() << QString() << QString() << QString();
    lines << memoLines(ingredients);
    lines << QString() << QString();
    lines << memoLines(directions);
    return lines;
}

QStringList directPrintDocument(const QString &name, const QString &ingredients, const QString &directions)
{
    QStringList lines;
    lines << name << QString() << QString();
    lines << memoLines(ingredients);
    lines << QString() << QString();
    lines << memoLines(directions);
    return lines;
}

} // namespace RecipeDocument

#include "store/book/SearchText.h"

#include <QChar>
#include <QSet>

#include <algorithm>

namespace SearchText {

namespace {

bool isHangulSyllable(char32_t c)
{
    return c >= 0xAC00 && c <= 0xD7A3;
}

// Appends the folded form of one code point: canonical decomposition (of the
// decomposed characters too), non-spacing marks dropped, case folded.
void foldCodePoint(char32_t c, QString &out, QVector<int> *origin, int from)
{
    if (c < 0x80) {
        out.append(QChar(c >= 'A' && c <= 'Z' ? c + 32 : c));
        if (origin)
            origin->append(from);
        return;
    }
    if (QChar::decompositionTag(c) == QChar::Canonical && !isHangulSyllable(c)) {
        const QString parts = QChar::decomposition(c);
        for (int i = 0; i < parts.size(); ++i) {
            char32_t part = parts.at(i).unicode();
            if (parts.at(i).isHighSurrogate() && i + 1 < parts.size()) {
                part = QChar::surrogateToUcs4(parts.at(i), parts.at(i + 1));
                ++i;
            }
            foldCodePoint(part, out, origin, from);
        }
        return;
    }
    if (QChar::category(c) == QChar::Mark_NonSpacing)
        return;
    const char32_t folded = QChar::toCaseFolded(c);
    if (QChar::requiresSurrogates(folded)) {
        out.append(QChar(QChar::highSurrogate(folded)));
        out.append(QChar(QChar::lowSurrogate(folded)));
        if (origin) {
            origin->append(from);
            origin->append(from);
        }
    } else {
        out.append(QChar(char16_t(folded)));
        if (origin)
            origin->append(from);
    }
}

char32_t codePointAt(const QString &text, int i, int *units)
{
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
        *units = 2;
        return QChar::surrogateToUcs4(c, text.at(i + 1));
    }
    *units = 1;
    return c.unicode();
}

int codePointCount(const QString &text)
{
    int count = 0;
    for (int i = 0; i < text.size(); ++i) {
        if (!(text.at(i).isLowSurrogate() && i > 0 && text.at(i - 1).isHighSurrogate()))
            ++count;
    }
    return count;
}

// The words of `text`, as typed.
QStringList splitWords(const QString &text)
{
    QStringList words;
    QString word;
    for (int i = 0; i < text.size();) {
        int units = 1;
        const char32_t c = codePointAt(text, i, &units);
        if (isWordCharacter(c)) {
            word += text.mid(i, units);
        } else if (!word.isEmpty()) {
            words << word;
            word.clear();
        }
        i += units;
    }
    if (!word.isEmpty())
        words << word;
    return words;
}

bool startsWord(const QString &folded, int at)
{
    if (at == 0)
        return true;
    int units = 1;
    int before = at - 1;
    if (before > 0 && folded.at(before).isLowSurrogate() && folded.at(before - 1).isHighSurrogate())
        --before;
    return !isWordCharacter(codePointAt(folded, before, &units));
}

void findAll(const QString &folded, const QString &needle, bool atWordStart, QVector<Range> &found)
{
    if (needle.isEmpty())
        return;
    for (int at = folded.indexOf(needle); at >= 0; at = folded.indexOf(needle, at + 1)) {
        if (!atWordStart || startsWord(folded, at))
            found.append({at, int(needle.size())});
    }
}

} // namespace

bool isWordCharacter(char32_t c)
{
    if (c < 0x80)
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    return QChar::isLetterOrNumber(c) || QChar::isMark(c);
}

QString fold(const QString &text, QVector<int> *origin)
{
    QString out;
    out.reserve(text.size());
    if (origin) {
        origin->clear();
        origin->reserve(text.size());
    }
    for (int i = 0; i < text.size();) {
        int units = 1;
        const char32_t c = codePointAt(text, i, &units);
        foldCodePoint(c, out, origin, i);
        i += units;
    }
    return out;
}

QByteArray foldUtf8(const char *text, int size)
{
    if (!text || size <= 0)
        return QByteArray("");
    bool ascii = true;
    for (int i = 0; i < size && ascii; ++i)
        ascii = static_cast<unsigned char>(text[i]) < 0x80;
    if (!ascii)
        return fold(QString::fromUtf8(text, size)).toUtf8();
    QByteArray out(text, size);
    for (char &c : out) {
        if (c >= 'A' && c <= 'Z')
            c = char(c + 32);
    }
    return out;
}

QVector<Term> parse(const QString &text)
{
    QVector<Term> terms;
    QSet<QString> seen;
    auto add = [&](Term term) {
        const QString key = QString::number(int(term.kind)) + QLatin1Char(':') + term.folded;
        if (term.folded.isEmpty() || seen.contains(key))
            return;
        seen.insert(key);
        terms.append(term);
    };
    auto addWord = [&](const QString &word) {
        Term term;
        term.words = QStringList{word};
        term.folded = fold(word);
        term.kind = codePointCount(term.folded) < 3 ? Term::Kind::Prefix : Term::Kind::Part;
        add(term);
    };
    auto addSegment = [&](const QString &segment, bool phrase) {
        const QStringList words = splitWords(segment);
        if (!phrase || words.size() < 2) {
            for (const QString &word : words)
                addWord(word);
            return;
        }
        Term term;
        term.kind = Term::Kind::Phrase;
        term.words = words;
        QStringList folded;
        for (const QString &word : words)
            folded << fold(word);
        term.folded = folded.join(QLatin1Char(' '));
        add(term);
    };

    bool inQuotes = false;
    int from = 0;
    for (int i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text.at(i) != QLatin1Char('"'))
            continue;
        addSegment(text.mid(from, i - from), inQuotes);
        inQuotes = !inQuotes;
        from = i + 1;
    }
    return terms;
}

bool contains(const QString &text, const Term &term)
{
    const QStringList words = splitWords(fold(text));
    if (term.kind == Term::Kind::Phrase) {
        const QStringList phrase = term.folded.split(QLatin1Char(' '));
        for (int i = 0; i + phrase.size() <= words.size(); ++i) {
            if (std::equal(phrase.cbegin(), phrase.cend(), words.cbegin() + i))
                return true;
        }
        return false;
    }
    return std::any_of(words.cbegin(), words.cend(), [&](const QString &word) {
        return term.kind == Term::Kind::Prefix ? word.startsWith(term.folded) : word.contains(term.folded);
    });
}

QVector<Range> matches(const QString &text, const QVector<Term> &terms)
{
    QVector<int> origin;
    const QString folded = fold(text, &origin);
    QVector<Range> found;
    for (const Term &term : terms) {
        if (term.kind == Term::Kind::Phrase) {
            for (const QString &word : term.folded.split(QLatin1Char(' ')))
                findAll(folded, word, true, found);
        } else {
            findAll(folded, term.folded, term.kind == Term::Kind::Prefix, found);
        }
    }
    // Back to the characters of `text`; a match ends after the marks that
    // were folded away with its last character.
    QVector<Range> ranges;
    for (const Range &f : found) {
        const int start = origin.at(f.start);
        int end = origin.at(f.start + f.length - 1) + 1;
        while (end < text.size()
               && (text.at(end).isLowSurrogate() || text.at(end).category() == QChar::Mark_NonSpacing))
            ++end;
        ranges.append({start, end - start});
    }
    std::sort(ranges.begin(), ranges.end(), [](const Range &a, const Range &b) { return a.start < b.start; });
    QVector<Range> merged;
    for (const Range &r : ranges) {
        if (!merged.isEmpty() && r.start <= merged.last().start + merged.last().length) {
            Range &last = merged.last();
            last.length = std::max(last.start + last.length, r.start + r.length) - last.start;
        } else {
            merged.append(r);
        }
    }
    return merged;
}

Excerpt excerpt(const QString &text, const QVector<Term> &terms, int width)
{
    const QVector<Range> ranges = matches(text, terms);
    if (ranges.isEmpty())
        return {};
    const int first = ranges.first().start;
    // (lastIndexOf from -1 would search from the end.)
    const int lineStart = first > 0 ? int(text.lastIndexOf(QLatin1Char('\n'), first - 1)) + 1 : 0;
    int lineEnd = text.indexOf(QLatin1Char('\n'), first);
    if (lineEnd < 0)
        lineEnd = int(text.size());
    int start = lineStart;
    int end = lineEnd;
    if (end - start > width) {
        start = std::max(lineStart, first - width / 3);
        end = std::min(lineEnd, start + width);
        if (end - start < width)
            start = std::max(lineStart, end - width);
    }
    if (start > 0 && text.at(start).isLowSurrogate())
        --start;
    if (end < text.size() && end > 0 && text.at(end - 1).isHighSurrogate())
        ++end;

    // Runs of white space become one space; `at[i]` is where text[start + i]
    // landed in the excerpt.
    Excerpt result;
    const bool cutBefore = start > lineStart;
    if (cutBefore)
        result.text = QStringLiteral("...");
    QVector<int> at(end - start + 1);
    for (int i = start; i < end; ++i) {
        at[i - start] = int(result.text.size());
        const QChar c = text.at(i);
        if (c.isSpace()) {
            if (!result.text.isEmpty() && !result.text.endsWith(QLatin1Char(' ')))
                result.text += QLatin1Char(' ');
        } else {
            result.text += c;
        }
    }
    at[end - start] = int(result.text.size());
    for (const Range &r : ranges) {
        const int s = std::max(r.start, start);
        const int e = std::min(r.start + r.length, end);
        if (s < e)
            result.marks.append({at[s - start], at[e - start] - at[s - start]});
    }
    while (result.text.endsWith(QLatin1Char(' ')))
        result.text.chop(1);
    for (Range &m : result.marks)
        m.length = std::min(m.length, int(result.text.size()) - m.start);
    if (end < lineEnd)
        result.text += QStringLiteral("...");
    return result;
}

} // namespace SearchText

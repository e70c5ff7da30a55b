#include "store/exchange/MealMasterReader.h"

#include "store/exchange/IngredientText.h"

#include <QIODevice>
#include <QStringDecoder>
#include <QVector>

#include <algorithm>

namespace MealMasterReader {

namespace {

// The encodings offered, in the order shown, with the name the decoder
// knows each by.
struct Encoding
{
    const char *name;
    const char *codec;
};
constexpr Encoding Encodings[] = {
    {"UTF-8", "UTF-8"},           {"CP437", "IBM437"},
    {"CP850", "IBM850"},          {"Windows-1252", "windows-1252"},
    {"ISO-8859-1", "ISO-8859-1"}, {"ISO-8859-15", "ISO-8859-15"},
};

QByteArray codecName(const QString &encoding)
{
    for (const Encoding &known : Encodings) {
        if (encoding == QLatin1String(known.name))
            return known.codec;
    }
    return QByteArray();
}

// Tabs expanded to stops of eight; CR, BOM and other control characters
// (0x14 is common in old archives) dropped.
QString cleanLine(const QString &raw)
{
    // Most lines need nothing done: they are returned as they are, uncopied.
    bool plain = raw.isEmpty() || raw.back() != QLatin1Char(' ');
    for (int i = 0; plain && i < raw.size(); ++i) {
        const char16_t c = raw.at(i).unicode();
        plain = c >= 0x20 && c != 0x7f && c != 0xfeff;
    }
    if (plain)
        return raw;
    QString line;
    line.reserve(raw.size());
    for (QChar c : raw) {
        if (c == QLatin1Char('\t')) {
            line += QString(8 - line.size() % 8, QLatin1Char(' '));
        } else if (c.unicode() >= 0x20 && c.unicode() != 0x7f && c.unicode() != 0xfeff) {
            line += c;
        }
    }
    while (line.endsWith(QLatin1Char(' ')))
        line.chop(1);
    return line;
}

bool isStartLine(const QString &trimmed)
{
    return (trimmed.startsWith(QLatin1String("MMMMM")) || trimmed.startsWith(QLatin1String("-----")))
        && trimmed.contains(QLatin1String("meal-master"), Qt::CaseInsensitive);
}

// The name of a section line ("MMMMM-----FILLING-----", "---- Sauce ----"),
// or nothing for another line. A rule of dashes alone gives an empty name.
std::optional<QString> sectionName(const QString &trimmed)
{
    if (!trimmed.startsWith(QLatin1String("----")) && !trimmed.startsWith(QLatin1String("MMMMM-----")))
        return std::nullopt;
    // "MMMMM" once, then the dashes: a name may start with "M" ("MARINADE").
    int from = trimmed.startsWith(QLatin1String("MMMMM")) ? 5 : 0;
    while (from < trimmed.size() && trimmed.at(from) == QLatin1Char('-'))
        ++from;
    int to = trimmed.size();
    while (to > from && trimmed.at(to - 1) == QLatin1Char('-'))
        --to;
    return trimmed.mid(from, to - from).trimmed();
}

// "Title: ...", "Categories : ...", "Yield:", "Servings:" in any case: the
// label in lower case and the value trimmed.
bool headerLabel(const QString &trimmed, QString *name, QString *value)
{
    for (const QLatin1String label : {QLatin1String("title"), QLatin1String("categories"), QLatin1String("yield"),
                                      QLatin1String("servings")}) {
        if (!trimmed.startsWith(label, Qt::CaseInsensitive))
            continue;
        int colon = int(label.size());
        while (colon < trimmed.size() && trimmed.at(colon).isSpace())
            ++colon;
        if (colon == trimmed.size() || trimmed.at(colon) != QLatin1Char(':'))
            return false;
        *name = label;
        *value = trimmed.mid(colon + 1).trimmed();
        return true;
    }
    return false;
}

bool isRule(const QString &trimmed)
{
    if (trimmed.size() < 3)
        return false;
    for (QChar c : trimmed)
        if (!QStringLiteral("-~=_*").contains(c))
            return false;
    return true;
}

// A section's name as a heading line of its own: "FILLING:". Amounts never
// start it, so the portion calculator leaves it as it is.
QString headingLine(const QString &name)
{
    return name.endsWith(QLatin1Char(':')) ? name : name + QLatin1Char(':');
}

// True when the line holds text in the right column's text place (column
// 53) with nothing in that column's amount and unit places: an ingredient
// without an amount beside the left one, not the left one's long text.
bool textInRightColumn(const QString &line)
{
    if (line.size() <= 52 || line.at(52) == QLatin1Char(' '))
        return false;
    for (int i = 41; i < 52; ++i)
        if (line.at(i) != QLatin1Char(' '))
            return false;
    return true;
}

struct Entry
{
    QString amount;
    QString unit;
    QString text;
    bool continuation() const
    {
        return amount.trimmed().isEmpty() && unit.isEmpty() && text.startsWith(QLatin1Char('-'));
    }
};

// One column of the ingredient layout: amount in columns 1-7, unit code in
// 9-10, text from 12.
std::optional<Entry> parseColumn(const QString &s)
{
    if (s.trimmed().isEmpty())
        return std::nullopt;
    const QString amount = s.left(7);
    for (QChar c : amount)
        if (!c.isDigit() && !QStringLiteral(" /.,-").contains(c))
            return std::nullopt;
    if (s.size() > 7 && s.at(7) != QLatin1Char(' '))
        return std::nullopt;
    const QString unit = s.mid(8, 2).trimmed();
    const bool hasAmount = std::any_of(amount.cbegin(), amount.cend(), [](QChar c) { return c.isDigit(); });
    if ((!unit.isEmpty() && !IngredientText::isMealMasterUnit(unit)) || (s.size() > 10 && s.at(10) != QLatin1Char(' '))) {
        // An amount with an unknown unit code keeps the code in its text.
        if (!hasAmount)
            return std::nullopt;
        return Entry{amount.trimmed(), QString(), s.mid(8).trimmed()};
    }
    Entry entry{amount.trimmed(), unit, s.mid(11).trimmed()};
    if (entry.amount.isEmpty() && entry.unit.isEmpty() && entry.text.isEmpty())
        return std::nullopt;
    // An amount of dashes and spaces alone is a rule, not a quantity.
    if (!entry.amount.isEmpty() && !hasAmount)
        return std::nullopt;
    return entry;
}

class Parser
{
public:
    Parser(const QString &file, const ImportSink &sink) : m_file(file), m_sink(sink) { }

    // False when the sink stopped the reading.
    bool line(const QString &text, int number, const QString &fault)
    {
        const QString trimmed = text.trimmed();
        if (isStartLine(trimmed)) {
            if (m_mode != Mode::Outside && !finish())
                return false;
            begin(number, trimmed.startsWith(QLatin1String("MMMMM")));
            return true;
        }
        if (m_mode == Mode::Outside)
            return true;
        if (!fault.isEmpty() && m_fault.isEmpty())
            m_fault = fault;
        if (trimmed == QLatin1String("MMMMM") || (!m_mStyle && trimmed == QLatin1String("-----")))
            return finish();
        switch (m_mode) {
        case Mode::Header:
            header(text, trimmed);
            break;
        case Mode::Ingredients:
            ingredient(text, trimmed);
            break;
        case Mode::Directions:
            direction(trimmed);
            break;
        case Mode::Outside:
            break;
        }
        return true;
    }

    bool end()
    {
        return m_mode == Mode::Outside || finish();
    }

private:
    enum class Mode { Outside, Header, Ingredients, Directions };

    void begin(int number, bool mStyle)
    {
        m_mode = Mode::Header;
        m_mStyle = mStyle;
        m_recipe = ImportedRecipe();
        m_recipe.file = m_file;
        m_recipe.place = QString::number(number);
        m_fault.clear();
        m_headerSeen = false;
        m_left.clear();
        m_right.clear();
        m_pending.clear();
        m_directions.clear();
        m_current.clear();
        m_currentBreaks = 1;
        m_blanks = 0;
    }

    void header(const QString &text, const QString &trimmed)
    {
        if (trimmed.isEmpty())
            return;
        QString name;
        QString value;
        if (!headerLabel(trimmed, &name, &value)) {
            m_mode = Mode::Ingredients;
            ingredient(text, trimmed);
            return;
        }
        m_headerSeen = true;
        if (name == QLatin1String("title")) {
            m_recipe.name = value;
        } else if (name == QLatin1String("categories")) {
            QStringList categories = IngredientText::splitNames(value);
            // "None" is how Meal-Master writes no category.
            if (categories.size() == 1 && categories.first().compare(QLatin1String("None"), Qt::CaseInsensitive) == 0)
                categories.clear();
            m_recipe.category = categories.value(0);
            m_recipe.mainGroup = categories.value(1);
            m_recipe.moreCategories = categories.mid(1);
        } else {
            m_recipe.yield = value;
        }
    }

    void ingredient(const QString &text, const QString &trimmed)
    {
        if (trimmed.isEmpty()) {
            endBlock();
            if (!m_recipe.ingredients.isEmpty() || !m_pending.isEmpty())
                m_pending << Pending{QString(), false};
            return;
        }
        if (const auto section = sectionName(trimmed)) {
            endBlock();
            if (!section->isEmpty())
                m_pending << Pending{headingLine(*section), true};
            return;
        }
        if (text.size() > 41) {
            const QString leftText = text.left(41);
            const auto right = parseColumn(text.mid(41));
            if (right
                && (!right->amount.isEmpty() || !right->unit.isEmpty() || right->continuation()
                    || textInRightColumn(text))) {
                const auto left = parseColumn(leftText);
                if (left || leftText.trimmed().isEmpty()) {
                    if (left)
                        add(m_left, *left);
                    add(m_right, *right);
                    return;
                }
            }
        }
        if (const auto entry = parseColumn(text)) {
            add(m_left, *entry);
            return;
        }
        // The first line that is no ingredient starts the directions.
        endBlock();
        m_mode = Mode::Directions;
        for (const Pending &p : qAsConst(m_pending))
            if (p.heading)
                directionLine(p.text, false);
        m_pending.clear();
        direction(trimmed);
    }

    void add(QVector<Entry> &column, const Entry &entry)
    {
        if (entry.continuation()) {
            const QString more = entry.text.mid(1).trimmed();
            if (!column.isEmpty()) {
                column.last().text = (column.last().text + QLatin1Char(' ') + more).trimmed();
                return;
            }
            if (m_pending.isEmpty() && !m_recipe.ingredients.isEmpty()) {
                m_recipe.ingredients.last() = (m_recipe.ingredients.last() + QLatin1Char(' ') + more).trimmed();
                return;
            }
        }
        if (m_left.isEmpty() && m_right.isEmpty()) {
            for (const Pending &p : qAsConst(m_pending))
                m_recipe.ingredients << p.text;
            m_pending.clear();
        }
        column << entry;
    }

    // The whole left column of a block comes before the right one.
    void endBlock()
    {
        for (const QVector<Entry> *column : {&m_left, &m_right})
            for (const Entry &e : *column)
                m_recipe.ingredients << IngredientText::fromMealMaster(e.amount, e.unit, e.text);
        m_left.clear();
        m_right.clear();
    }

    void direction(const QString &trimmed)
    {
        if (trimmed.isEmpty()) {
            if (!m_current.isEmpty() || !m_directions.isEmpty())
                ++m_blanks;
            return;
        }
        if (const auto section = sectionName(trimmed)) {
            if (!section->isEmpty()) {
                directionLine(headingLine(*section), false);
                flushDirection();
            }
            return;
        }
        if (isRule(trimmed))
            return;
        if (trimmed.startsWith(QLatin1Char(':')))
            directionLine(trimmed.mid(1).trimmed(), false);
        else
            directionLine(trimmed, true);
    }

    // Lines of one paragraph are joined with a space; a blank line, a line
    // starting with ":" and a section line start a new one.
    void directionLine(const QString &text, bool join)
    {
        if (join && !m_current.isEmpty() && m_blanks == 0) {
            m_current += QLatin1Char(' ') + text;
            return;
        }
        flushDirection();
        m_currentBreaks = m_blanks + 1;
        m_blanks = 0;
        m_current = text;
    }

    void flushDirection()
    {
        if (m_current.isEmpty())
            return;
        if (!m_directions.isEmpty())
            m_directions += QString(m_currentBreaks, QLatin1Char('\n'));
        m_directions += m_current;
        m_current.clear();
    }

    bool finish()
    {
        endBlock();
        for (const Pending &p : qAsConst(m_pending))
            if (p.heading)
                m_recipe.ingredients << p.text;
        m_pending.clear();
        flushDirection();
        m_recipe.directions = m_directions;
        m_mode = Mode::Outside;
        m_recipe.name = m_recipe.name.trimmed();
        QString reason = m_fault;
        if (reason.isEmpty() && m_recipe.name.isEmpty())
            reason = QStringLiteral("the recipe has no title");
        if (!reason.isEmpty()) {
            if (m_sink.problem)
                m_sink.problem(ImportProblem{m_file, m_recipe.place, reason, true});
            return true;
        }
        return !m_sink.recipe || m_sink.recipe(std::move(m_recipe));
    }

    struct Pending
    {
        QString text; // empty for a blank line
        bool heading;
    };

    const QString m_file;
    const ImportSink &m_sink;
    Mode m_mode = Mode::Outside;
    bool m_mStyle = true;
    bool m_headerSeen = false;
    ImportedRecipe m_recipe;
    QString m_fault;
    QVector<Entry> m_left;
    QVector<Entry> m_right;
    QVector<Pending> m_pending;
    QString m_directions;
    QString m_current;
    int m_currentBreaks = 1;
    int m_blanks = 0;
};

} // namespace

QStringList encodings()
{
    QStringList names;
    for (const Encoding &known : Encodings)
        names << QString::fromLatin1(known.name);
    return names;
}

QString detectEncoding(QIODevice &input)
{
    const qint64 start = input.pos();
    QStringDecoder utf8(QStringDecoder::Utf8);
    qint64 westernLetters = 0; // 0xC0-0xFF: accented letters in Windows-1252, box drawing in CP437
    qint64 dosLetters = 0;     // 0x80-0xA5: accented letters in CP437, rare punctuation in Windows-1252
    bool nonAscii = false;
    QByteArray tail;
    while (!input.atEnd()) {
        const QByteArray chunk = input.read(1 << 20);
        if (chunk.isEmpty())
            break;
        for (char ch : chunk) {
            const auto byte = static_cast<unsigned char>(ch);
            if (byte >= 0xC0)
                ++westernLetters;
            else if (byte >= 0x80 && byte <= 0xA5)
                ++dosLetters;
            nonAscii = nonAscii || byte >= 0x80;
        }
        (void)utf8.decode(chunk);
    }
    input.seek(start);
    if (!utf8.hasError())
        return QStringLiteral("UTF-8");
    return westernLetters >= dosLetters ? QStringLiteral("Windows-1252") : QStringLiteral("CP437");
}

bool read(QIODevice &input, const QString &file, const QString &encoding, const ImportSink &sink)
{
    const QByteArray codec = codecName(encoding);
    if (codec.isEmpty())
        return false;
    QStringDecoder decoder(codec.constData());
    if (!decoder.isValid())
        return false;
    const bool utf8 = encoding == QLatin1String("UTF-8");
    Parser parser(file, sink);
    // One buffer for every line: a fresh allocation of the longest line for
    // each would fragment the heap between the recipes kept meanwhile.
    QByteArray buffer(MaxLineBytes + 2, Qt::Uninitialized);
    auto readLine = [&] { return input.readLine(buffer.data(), MaxLineBytes + 2); };
    int number = 0;
    while (!input.atEnd()) {
        qint64 length = readLine();
        if (length < 0)
            break;
        ++number;
        QString fault;
        auto endsLine = [&](qint64 size) { return size > 0 && buffer.at(size - 1) == '\n'; };
        QByteArray raw;
        if (!endsLine(length) && !input.atEnd()) {
            // The start of an endless line is kept; the rest is read past, never held.
            raw = QByteArray(buffer.constData(), MaxLineBytes);
            while (!input.atEnd()) {
                const qint64 more = readLine();
                if (more <= 0 || endsLine(more))
                    break;
            }
            fault = QStringLiteral("line %1 is longer than %2 bytes").arg(number).arg(MaxLineBytes);
        } else {
            raw = QByteArray::fromRawData(buffer.constData(), endsLine(length) ? length - 1 : length);
        }
        QString text = decoder.decode(raw);
        if (utf8 && fault.isEmpty() && text.contains(QChar::ReplacementCharacter) && !raw.contains("\xEF\xBF\xBD"))
            fault = QStringLiteral("line %1 is not valid UTF-8 text").arg(number);
        if (!parser.line(cleanLine(text), number, fault))
            return false;
        if (number % 512 == 0 && sink.progress && !sink.progress(input.pos()))
            return false;
    }
    return parser.end();
}

} // namespace MealMasterReader

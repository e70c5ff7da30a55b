#include "store/exchange/MicrodataReader.h"

#include "store/exchange/JsonLdReader.h"

#include <QHash>
#include <QJsonArray>
#include <QRegularExpression>

namespace MicrodataReader {

namespace {

// Deeper nesting is read as if flat: no page needs it, and a hostile page
// cannot make the reader hold a stack of millions.
constexpr int MaxOpenElements = 256;

struct Item
{
    QStringList types;
    // Property name to its values, in the order given.
    QVector<QPair<QString, QJsonValue>> properties;
    // The item this one is a property of (-1 for none) under `names`.
    int parent = -1;
    QStringList names;
};

struct Element
{
    QString tag;
    // The item whose properties the element's children are.
    int scope = -1;
    // Set when the element opens an item.
    int item = -1;
    // A property whose value is the element's text, from `textStart`.
    QStringList names;
    int textStart = -1;
};

bool isVoid(const QString &tag)
{
    static const QStringList voids{"area", "base", "br", "col", "embed", "hr", "img", "input", "link",
                                   "meta", "param", "source", "track", "wbr", "keygen"};
    return voids.contains(tag);
}

// Elements whose content is no markup: skipped whole.
bool isRawText(const QString &tag)
{
    return tag == QLatin1String("script") || tag == QLatin1String("style") || tag == QLatin1String("template")
        || tag == QLatin1String("textarea");
}

// Starting one of these closes an open <p> directly around it.
bool closesParagraph(const QString &tag)
{
    static const QStringList blocks{"p", "div", "ul", "ol", "dl", "table", "section", "article", "header",
                                    "footer", "h1", "h2", "h3", "h4", "h5", "h6", "pre", "blockquote", "figure"};
    return blocks.contains(tag);
}

QString decoded(const QString &text)
{
    return text.contains(QLatin1Char('&')) ? JsonLdReader::plainText(text) : text;
}

// The attribute value a property takes instead of its text, if any.
std::optional<QString> attributeValue(const QString &tag, const QHash<QString, QString> &attributes)
{
    auto attribute = [&](const char *name) -> std::optional<QString> {
        const auto it = attributes.constFind(QLatin1String(name));
        if (it == attributes.constEnd())
            return std::nullopt;
        return it->trimmed();
    };
    if (auto content = attribute("content"))
        return content;
    if (tag == QLatin1String("img") || tag == QLatin1String("audio") || tag == QLatin1String("video")
        || tag == QLatin1String("source") || tag == QLatin1String("embed") || tag == QLatin1String("iframe")
        || tag == QLatin1String("track"))
        return attribute("src").value_or(QString());
    if (tag == QLatin1String("a") || tag == QLatin1String("area") || tag == QLatin1String("link"))
        return attribute("href").value_or(QString());
    if (tag == QLatin1String("object"))
        return attribute("data").value_or(QString());
    if (tag == QLatin1String("data") || tag == QLatin1String("meter"))
        return attribute("value").value_or(QString());
    if (tag == QLatin1String("time"))
        return attribute("datetime");
    if (tag == QLatin1String("meta"))
        return QString();
    return std::nullopt;
}

// The text of an element's content: markup whitespace folded, line breaks
// where the page breaks lines, entities decoded.
QString elementText(QStringView html)
{
    static const QRegularExpression space(QStringLiteral("\\s+"));
    QString text = html.toString();
    text.replace(space, QStringLiteral(" "));
    QStringList lines = JsonLdReader::plainText(text).split(QLatin1Char('\n'));
    for (QString &line : lines)
        line = line.trimmed();
    return lines.join(QLatin1Char('\n')).trimmed();
}

class Parser
{
public:
    explicit Parser(const QString &html) : m_html(html) { }

    QVector<QJsonObject> run()
    {
        const int size = int(m_html.size());
        int pos = 0;
        while (pos < size) {
            const int lt = int(m_html.indexOf(QLatin1Char('<'), pos));
            if (lt < 0 || lt + 1 >= size)
                break;
            const QChar next = m_html.at(lt + 1);
            if (m_html.mid(lt, 4) == QLatin1String("<!--")) {
                const int end = int(m_html.indexOf(QLatin1String("-->"), lt + 4));
                pos = end < 0 ? size : end + 3;
            } else if (next == QLatin1Char('!') || next == QLatin1Char('?')) {
                const int end = int(m_html.indexOf(QLatin1Char('>'), lt));
                pos = end < 0 ? size : end + 1;
            } else if (next == QLatin1Char('/')) {
                int end = lt + 2;
                const QString tag = tagName(end);
                const int gt = int(m_html.indexOf(QLatin1Char('>'), end));
                if (!tag.isEmpty())
                    closeTag(tag, lt);
                pos = gt < 0 ? size : gt + 1;
            } else if (next.isLetter()) {
                pos = startTag(lt);
            } else {
                pos = lt + 1;
            }
        }
        closeUpTo(0, size);
        QVector<QJsonObject> found;
        for (int i = 0; i < m_items.size(); ++i) {
            for (const QString &type : qAsConst(m_items.at(i).types)) {
                if (type == QLatin1String("Recipe") || type.endsWith(QLatin1String("/Recipe"))) {
                    found << object(i, 0);
                    break;
                }
            }
        }
        return found;
    }

private:
    QString tagName(int &pos) const
    {
        const int start = pos;
        while (pos < m_html.size() && (m_html.at(pos).isLetterOrNumber() || m_html.at(pos) == QLatin1Char('-')
                                       || m_html.at(pos) == QLatin1Char(':')))
            ++pos;
        return m_html.mid(start, pos - start).toLower();
    }

    // Reads the start tag at `lt`; returns where reading goes on.
    int startTag(int lt)
    {
        const int size = int(m_html.size());
        int pos = lt + 1;
        const QString tag = tagName(pos);
        QHash<QString, QString> attributes;
        bool selfClosing = false;
        while (pos < size) {
            const QChar c = m_html.at(pos);
            if (c == QLatin1Char('>')) {
                ++pos;
                break;
            }
            if (c.isSpace()) {
                ++pos;
                continue;
            }
            if (c == QLatin1Char('/')) {
                selfClosing = pos + 1 < size && m_html.at(pos + 1) == QLatin1Char('>');
                ++pos;
                continue;
            }
            const int nameStart = pos;
            while (pos < size && !m_html.at(pos).isSpace() && m_html.at(pos) != QLatin1Char('=')
                   && m_html.at(pos) != QLatin1Char('>') && m_html.at(pos) != QLatin1Char('/'))
                ++pos;
            const QString name = m_html.mid(nameStart, pos - nameStart).toLower();
            while (pos < size && m_html.at(pos).isSpace())
                ++pos;
            QString value;
            if (pos < size && m_html.at(pos) == QLatin1Char('=')) {
                ++pos;
                while (pos < size && m_html.at(pos).isSpace())
                    ++pos;
                if (pos < size && (m_html.at(pos) == QLatin1Char('"') || m_html.at(pos) == QLatin1Char('\''))) {
                    const QChar quote = m_html.at(pos);
                    const int end = int(m_html.indexOf(quote, pos + 1));
                    value = m_html.mid(pos + 1, (end < 0 ? size : end) - pos - 1);
                    pos = end < 0 ? size : end + 1;
                } else {
                    const int start = pos;
                    while (pos < size && !m_html.at(pos).isSpace() && m_html.at(pos) != QLatin1Char('>'))
                        ++pos;
                    value = m_html.mid(start, pos - start);
                }
            }
            if (!name.isEmpty() && !attributes.contains(name))
                attributes.insert(name, decoded(value));
        }
        if (isRawText(tag)) {
            const int end = int(m_html.indexOf(QLatin1String("</") + tag, pos, Qt::CaseInsensitive));
            return end < 0 ? size : end;
        }
        openElement(tag, attributes, lt, pos, selfClosing || isVoid(tag));
        return pos;
    }

    int scope() const { return m_open.isEmpty() ? -1 : m_open.last().scope; }

    void openElement(const QString &tag, const QHash<QString, QString> &attributes, int lt, int contentStart,
                     bool closed)
    {
        if (tag == QLatin1String("li")) {
            for (int i = int(m_open.size()) - 1; i >= 0; --i) {
                const QString &open = m_open.at(i).tag;
                if (open == QLatin1String("ul") || open == QLatin1String("ol"))
                    break;
                if (open == QLatin1String("li")) {
                    closeUpTo(i, lt);
                    break;
                }
            }
        }
        if (closesParagraph(tag) && !m_open.isEmpty() && m_open.last().tag == QLatin1String("p"))
            closeUpTo(int(m_open.size()) - 1, lt);

        Element element;
        element.tag = tag;
        element.scope = scope();
        const QStringList names = attributes.value(QStringLiteral("itemprop")).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const bool property = !names.isEmpty() && element.scope >= 0;
        if (attributes.contains(QStringLiteral("itemscope"))) {
            Item item;
            item.types = attributes.value(QStringLiteral("itemtype")).split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (property) {
                item.parent = element.scope;
                item.names = names;
            }
            element.item = int(m_items.size());
            element.scope = element.item;
            m_items << item;
        } else if (property) {
            if (const auto value = attributeValue(tag, attributes)) {
                addProperty(element.scope, names, *value);
            } else if (closed) {
                addProperty(element.scope, names, QString());
            } else {
                element.names = names;
                element.textStart = contentStart;
            }
        }
        if (closed) {
            if (element.item >= 0)
                finishItem(element.item);
            return;
        }
        if (m_open.size() < MaxOpenElements)
            m_open << element;
        else if (element.item >= 0)
            finishItem(element.item);
    }

    void closeTag(const QString &tag, int lt)
    {
        for (int i = int(m_open.size()) - 1; i >= 0; --i) {
            if (m_open.at(i).tag == tag) {
                closeUpTo(i, lt);
                return;
            }
        }
    }

    // Closes the open elements from the last one down to `index`; their
    // content ends at `end`.
    void closeUpTo(int index, int end)
    {
        while (m_open.size() > index) {
            const Element element = m_open.takeLast();
            if (element.textStart >= 0)
                addProperty(element.scope, element.names,
                            elementText(QStringView(m_html).mid(element.textStart, qMax(0, end - element.textStart))));
            if (element.item >= 0)
                finishItem(element.item);
        }
    }

    void finishItem(int index)
    {
        // Under its first name only: an item given under several names, nested
        // in others so given, would be written out exponentially often.
        const Item &item = m_items.at(index);
        if (item.parent >= 0)
            addProperty(item.parent, item.names.mid(0, 1), index);
    }

    // A text value, or the index of an item (as a double: no text is a number
    // here, so the two cannot be mixed up).
    void addProperty(int item, const QStringList &names, const QJsonValue &value)
    {
        for (const QString &name : names)
            m_items[item].properties.append({name, value});
    }

    QJsonObject object(int index, int depth) const
    {
        const Item &item = m_items.at(index);
        QJsonObject result;
        if (item.types.size() == 1)
            result.insert(QStringLiteral("@type"), item.types.first());
        else if (item.types.size() > 1)
            result.insert(QStringLiteral("@type"), QJsonArray::fromStringList(item.types));
        QHash<QString, QJsonArray> values;
        QStringList order;
        for (const auto &property : item.properties) {
            QJsonValue value = property.second;
            if (value.isDouble()) {
                const int nested = value.toInt();
                // An item never holds itself or an earlier one, but a page can
                // nest items deeply.
                if (nested <= index || depth >= 32)
                    continue;
                value = object(nested, depth + 1);
            }
            if (!values.contains(property.first))
                order << property.first;
            values[property.first].append(value);
        }
        for (const QString &name : qAsConst(order)) {
            const QJsonArray &list = values.value(name);
            result.insert(name, list.size() == 1 ? list.first() : QJsonValue(list));
        }
        return result;
    }

    const QString &m_html;
    QVector<Item> m_items;
    QVector<Element> m_open;
};

} // namespace

QVector<QJsonObject> recipes(const QString &html)
{
    return Parser(html).run();
}

int read(const QString &html, const QString &file, const ImportSink &sink)
{
    const QVector<QJsonObject> found = recipes(html);
    for (int i = 0; i < found.size(); ++i) {
        const QString place = found.size() > 1 ? QStringLiteral("recipe %1").arg(i + 1) : QString();
        if (!JsonLdReader::readRecipe(found.at(i), file, place, sink))
            return -1;
    }
    return int(found.size());
}

} // namespace MicrodataReader

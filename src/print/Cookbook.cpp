#include "print/Cookbook.h"

#include "print/RecipeDocument.h"
#include "store/book/ShoppingList.h"

#include <QSaveFile>
#include <QFontMetricsF>
#include <QHash>
#include <QImageReader>
#include <QLocale>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <utility>

namespace Cookbook {

namespace {

// Layout units per inch.
constexpr qreal Unit = 720;
// Pictures are read at no more than this resolution, whatever the device.
constexpr qreal PictureDpi = 150;

enum FontId { Body, Bold, Italic, Heading, Title, Group, Subgroup, Small, FontCount };

qreal fromMm(qreal mm)
{
    return mm / 25.4 * Unit;
}

QString pageList(QVector<int> pages)
{
    std::sort(pages.begin(), pages.end());
    pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
    QStringList numbers;
    for (const int page : pages)
        numbers << QString::number(page);
    return numbers.join(QStringLiteral(", "));
}

} // namespace

bool paperNamed(const QString &name, Paper *paper)
{
    const QString wanted = name.toLower();
    if (wanted == QLatin1String("a4"))
        paper->size = QSizeF(210, 297);
    else if (wanted == QLatin1String("a5"))
        paper->size = QSizeF(148, 210);
    else if (wanted == QLatin1String("letter"))
        paper->size = QSizeF(215.9, 279.4);
    else
        return false;
    return true;
}

QString artworkFile()
{
    return QStringLiteral(":/cookbook/pictures/kuva.jpg");
}

QVector<IngredientUse> ingredientIndex(const QVector<Recipe> &recipes)
{
    QVector<IngredientUse> uses;
    QHash<QString, int> byKey;
    for (int r = 0; r < recipes.size(); ++r) {
        for (const QString &line : recipes.at(r).ingredients.split(u'\n')) {
            const QString name = ShoppingList::ingredientName(line).simplified().toLower();
            if (name.isEmpty())
                continue;
            // "Leeks" and "leek" are one entry.
            const QString key = ShoppingList::matchKey(name);
            if (key.isEmpty())
                continue;
            auto found = byKey.constFind(key);
            if (found == byKey.constEnd()) {
                found = byKey.insert(key, int(uses.size()));
                uses.append({name, {}});
            }
            QVector<int> &users = uses[*found].recipes;
            if (users.isEmpty() || users.last() != r)
                users.append(r);
        }
    }
    std::sort(uses.begin(), uses.end(), [](const IngredientUse &a, const IngredientUse &b) {
        const int order = QString::compare(a.name, b.name, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a.name < b.name;
    });
    return uses;
}

// Places lines of text from the top of a page down, starting a new page
// when the next line would pass the bottom margin.
class Layout::Flow
{
public:
    explicit Flow(Layout &layout)
        : m_layout(layout)
        , left(fromMm(layout.m_paper.left))
        , right(fromMm(layout.m_paper.size.width() - layout.m_paper.right))
        , top(fromMm(layout.m_paper.top))
        , bottom(fromMm(layout.m_paper.size.height() - layout.m_paper.bottom))
    {
    }

    Page &page() { return m_layout.m_pages.last(); }
    int pageNumber() const { return int(m_layout.m_pages.size()); }
    bool atTop() const { return y <= top + 0.5; }

    void newPage()
    {
        m_layout.m_pages.append(Page {});
        page().footer = footer;
        y = top;
    }
    // A part of the book of its own (the contents, the index): a new page,
    // `title` as its heading and in the footers.
    void beginPart(const QString &title)
    {
        footer = title;
        newPage();
        paragraph(title, Heading);
        space(lineHeight(Body));
    }
    // Starts a new page unless `height` still fits on this one (or nothing
    // is on it yet).
    void fit(qreal height)
    {
        if (y + height > bottom && !atTop())
            newPage();
    }
    qreal lineHeight(int font) const { return QFontMetricsF(m_layout.m_fonts.at(font)).lineSpacing(); }
    // Empty lines between parts; none at the top of a page.
    void space(qreal height)
    {
        if (atTop())
            return;
        y += height;
        if (y > bottom)
            newPage();
    }

    // The text wrapped into the width from `indent`, line by line.
    void paragraph(const QString &text, int font, qreal indent = 0, Qt::Alignment align = Qt::AlignLeft)
    {
        const QFont &f = m_layout.m_fonts.at(font);
        const QFontMetricsF metrics(f);
        const qreal width = right - left - indent;
        QTextLayout layout(text, f);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            fit(metrics.lineSpacing());
            QString part = text.mid(line.textStart(), line.textLength());
            while (part.endsWith(u' '))
                part.chop(1);
            qreal x = left + indent;
            if (align & Qt::AlignHCenter)
                x += (width - metrics.horizontalAdvance(part)) / 2;
            page().runs.append({font, QPointF(x, y + metrics.ascent()), part});
            y += metrics.lineSpacing();
        }
        layout.endLayout();
    }

    void entry(const QString &text, int font, qreal indent, int recipe, const QString &pages = QString())
    {
        const QFontMetricsF metrics(m_layout.m_fonts.at(font));
        fit(metrics.lineSpacing());
        // Room for the dots and a page number of five digits.
        const qreal room = right - left - indent - metrics.horizontalAdvance(pages.isEmpty() ? QStringLiteral("99999")
                                                                                              : pages)
                           - metrics.horizontalAdvance(QStringLiteral(" .... "));
        Entry e;
        e.font = font;
        e.at = QPointF(left + indent, y + metrics.ascent());
        e.right = right;
        e.text = metrics.elidedText(text, Qt::ElideRight, qMax<qreal>(room, 0));
        e.recipe = recipe;
        e.pages = pages;
        page().entries.append(e);
        y += metrics.lineSpacing();
    }

    QString footer;
    qreal y = 0;

private:
    Layout &m_layout;

public:
    const qreal left;
    const qreal right;
    const qreal top;
    const qreal bottom;
};

Layout::Layout(QVector<Recipe> recipes, Options options, Paper paper, const QString &bodyFamily, int bodyPoints)
    : m_recipes(std::move(recipes))
    , m_options(std::move(options))
    , m_paper(paper)
{
    const qreal points = bodyPoints > 0 ? bodyPoints : 11;
    auto make = [&](qreal scale, bool bold, bool italic) {
        QFont f(bodyFamily.isEmpty() ? QStringLiteral("DejaVu Sans") : bodyFamily);
        f.setPixelSize(qMax(1, qRound(points * scale * Unit / 72)));
        f.setBold(bold);
        f.setItalic(italic);
        f.setHintingPreference(QFont::PreferNoHinting);
        return f;
    };
    m_fonts.resize(FontCount);
    m_fonts[Body] = make(1, false, false);
    m_fonts[Bold] = make(1, true, false);
    m_fonts[Italic] = make(1, false, true);
    m_fonts[Heading] = make(1.6, true, false);
    m_fonts[Title] = make(2.6, true, false);
    m_fonts[Group] = make(1.3, true, false);
    m_fonts[Subgroup] = make(1.1, true, true);
    m_fonts[Small] = make(0.85, false, false);
}

bool Layout::build(const std::function<bool(int, int)> &progress)
{
    m_pages.clear();
    m_startPage.fill(0, m_recipes.size());
    layOutTitle();
    if (m_options.contents)
        layOutContents();
    if (!layOutRecipes(progress)) {
        m_pages.clear();
        return false;
    }
    if (m_options.index)
        layOutIndex();
    return true;
}

void Layout::layOutTitle()
{
    Flow flow(*this);
    flow.newPage();
    Page &title = flow.page();
    title.numbered = false;
    flow.y = flow.top + (flow.bottom - flow.top) * 0.18;
    flow.paragraph(m_options.title, Title, 0, Qt::AlignHCenter);
    flow.y += flow.lineHeight(Body) * 2;
    const QLocale english(QLocale::English);
    flow.paragraph(english.toString(m_options.date.isValid() ? m_options.date : QDate::currentDate(),
                                    QStringLiteral("d MMMM yyyy")),
                   Body, 0, Qt::AlignHCenter);
    flow.paragraph(m_recipes.size() == 1 ? QStringLiteral("1 recipe")
                                         : QStringLiteral("%1 recipes").arg(english.toString(int(m_recipes.size()))),
                   Body, 0, Qt::AlignHCenter);
    flow.y += flow.lineHeight(Body) * 3;
    const QSize art = QImageReader(artworkFile()).size();
    if (art.isValid() && !art.isEmpty()) {
        const qreal width = std::min((flow.right - flow.left) * 0.8, qreal(art.width()) / 96 * Unit * 1.5);
        const qreal height = width * art.height() / art.width();
        if (flow.y + height <= flow.bottom)
            title.pictures.append({QRectF(flow.left + (flow.right - flow.left - width) / 2, flow.y, width, height),
                                   artworkFile()});
    }
}

void Layout::layOutContents()
{
    Flow flow(*this);
    flow.beginPart(QStringLiteral("Contents"));
    const qreal indent = fromMm(5);
    QString mainGroup;
    QString subgroup;
    for (int i = 0; i < m_recipes.size(); ++i) {
        const Recipe &r = m_recipes.at(i);
        const bool newMain = i == 0 || r.mainGroup != mainGroup;
        if (newMain || r.subgroup != subgroup) {
            // A heading stays with the first entry under it.
            const qreal entry = flow.lineHeight(Body);
            if (newMain) {
                flow.space(entry);
                flow.fit(flow.lineHeight(Group) + flow.lineHeight(Subgroup) + entry);
                flow.paragraph(r.mainGroup.isEmpty() ? QStringLiteral("Without a group") : r.mainGroup, Group);
            } else {
                flow.space(entry / 2);
            }
            flow.fit(flow.lineHeight(Subgroup) + entry);
            if (!r.subgroup.isEmpty())
                flow.paragraph(r.subgroup, Subgroup, indent);
            mainGroup = r.mainGroup;
            subgroup = r.subgroup;
        }
        flow.entry(r.name, Body, indent * 2, i);
    }
}

bool Layout::layOutRecipes(const std::function<bool(int, int)> &progress)
{
    Flow flow(*this);
    const int total = int(m_recipes.size());
    const qreal bodyLine = flow.lineHeight(Body);
    for (int i = 0; i < total; ++i) {
        if (progress && !progress(i, total))
            return false;
        const Recipe &r = m_recipes.at(i);
        if (i == 0 || m_options.newPagePerRecipe) {
            flow.footer = r.name;
            flow.newPage();
        } else {
            flow.space(bodyLine * 3);
            // The name starts a page when it and a few lines do not fit.
            flow.fit(flow.lineHeight(Heading) + bodyLine * 4);
        }
        if (flow.atTop())
            flow.page().footer = r.name;
        flow.footer = r.name;
        m_startPage[i] = flow.pageNumber();

        const QStringList lines = RecipeDocument::previewDocument(r.name, r.portions, r.difficulty, r.time,
                                                                  r.ingredients, r.directions);
        flow.paragraph(lines.value(0), Heading);
        if (m_options.pictures && !r.picture.isEmpty()) {
            const QSize size = QImageReader(r.picture).size();
            if (size.isValid() && !size.isEmpty()) {
                const qreal maxWidth = flow.right - flow.left;
                const qreal maxHeight = (flow.bottom - flow.top) * 0.35;
                qreal width = std::min(maxWidth, qreal(size.width()) / 96 * Unit * 2);
                qreal height = width * size.height() / size.width();
                if (height > maxHeight) {
                    height = maxHeight;
                    width = height * size.width() / size.height();
                }
                flow.space(bodyLine / 2);
                flow.fit(height);
                flow.page().pictures.append({QRectF(flow.left, flow.y, width, height), r.picture});
                flow.y += height;
            }
        }
        if (!r.description.trimmed().isEmpty()) {
            flow.space(bodyLine);
            for (const QString &line : RecipeDocument::memoLines(r.description))
                flow.paragraph(line, Italic);
        }
        for (int l = 1; l < lines.size(); ++l) {
            if (lines.at(l).isEmpty())
                flow.space(bodyLine);
            else
                flow.paragraph(lines.at(l), l == 3 ? Bold : Body);
        }
    }
    if (progress)
        progress(total, total);
    return true;
}

void Layout::layOutIndex()
{
    Flow flow(*this);
    flow.beginPart(QStringLiteral("Index"));
    flow.paragraph(QStringLiteral("Recipes"), Group);
    QVector<int> order(m_recipes.size());
    for (int i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
        return QString::compare(m_recipes.at(a).name, m_recipes.at(b).name, Qt::CaseInsensitive) < 0;
    });
    for (const int i : order)
        flow.entry(m_recipes.at(i).name, Small, 0, i);

    const QVector<IngredientUse> uses = ingredientIndex(m_recipes);
    if (uses.isEmpty())
        return;
    flow.space(flow.lineHeight(Body));
    flow.fit(flow.lineHeight(Group) + flow.lineHeight(Small));
    flow.paragraph(QStringLiteral("Ingredients"), Group);
    const QFontMetricsF small(m_fonts.at(Small));
    for (const IngredientUse &use : uses) {
        QVector<int> pages;
        for (const int r : use.recipes)
            pages << m_startPage.at(r);
        const QString numbers = pageList(pages);
        // A long list of pages wraps under the name instead.
        if (small.horizontalAdvance(numbers) < (flow.right - flow.left) * 0.4)
            flow.entry(use.name, Small, 0, -1, numbers);
        else
            flow.paragraph(use.name + QStringLiteral(": ") + numbers, Small);
    }
}

void Layout::drawPage(QPainter *painter, int pageNumber, qreal dpi) const
{
    if (pageNumber < 1 || pageNumber > m_pages.size() || dpi <= 0)
        return;
    const Page &page = m_pages.at(pageNumber - 1);
    painter->save();
    painter->scale(dpi / Unit, dpi / Unit);
    painter->setPen(Qt::black);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);

    for (const Picture &picture : page.pictures) {
        QImageReader reader(picture.file);
        const qreal pixels = std::min(dpi, PictureDpi) / Unit;
        const QSize wanted(qMax(1, qRound(picture.rect.width() * pixels)), qMax(1, qRound(picture.rect.height() * pixels)));
        if (reader.size().isValid() && reader.size().width() > wanted.width())
            reader.setScaledSize(wanted);
        const QImage image = reader.read();
        if (!image.isNull())
            painter->drawImage(picture.rect, image);
    }
    for (const Run &run : page.runs) {
        painter->setFont(m_fonts.at(run.font));
        painter->drawText(run.at, run.text);
    }
    for (const Entry &entry : page.entries) {
        const QFont &f = m_fonts.at(entry.font);
        const QFontMetricsF metrics(f);
        painter->setFont(f);
        const QString number = entry.recipe >= 0 ? QString::number(m_startPage.value(entry.recipe)) : entry.pages;
        const qreal numberWidth = metrics.horizontalAdvance(number);
        painter->drawText(entry.at, entry.text);
        painter->drawText(QPointF(entry.right - numberWidth, entry.at.y()), number);
        // Dots from after the text to before the number, ending flush.
        const qreal gap = metrics.horizontalAdvance(u' ');
        const qreal from = entry.at.x() + metrics.horizontalAdvance(entry.text) + gap;
        const qreal to = entry.right - numberWidth - gap;
        const qreal dot = metrics.horizontalAdvance(u'.');
        const int dots = dot > 0 ? int(std::floor((to - from) / dot)) : 0;
        if (dots > 0)
            painter->drawText(QPointF(to - dots * dot, entry.at.y()), QString(dots, u'.'));
    }
    if (page.numbered) {
        const QFont &f = m_fonts.at(Small);
        const QFontMetricsF metrics(f);
        painter->setFont(f);
        const qreal left = fromMm(m_paper.left);
        const qreal right = fromMm(m_paper.size.width() - m_paper.right);
        const qreal baseline = fromMm(m_paper.size.height() - m_paper.bottom / 2);
        const QString number = QString::number(pageNumber);
        const qreal numberWidth = metrics.horizontalAdvance(number);
        painter->drawText(QPointF(right - numberWidth, baseline), number);
        painter->drawText(QPointF(left, baseline),
                          metrics.elidedText(page.footer, Qt::ElideRight, qMax<qreal>(0, right - left - numberWidth * 3)));
    }
    painter->restore();
}

bool writePdf(const Layout &layout, const QString &file, QString *error)
{
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("Cannot write %1: %2").arg(file, out.errorString());
        return false;
    }
    {
        QPdfWriter writer(&out);
        writer.setTitle(layout.options().title);
        writer.setCreator(QStringLiteral("Saffrona's Mealdeck"));
        writer.setResolution(300);
        writer.setPageSize(QPageSize(layout.paper().size, QPageSize::Millimeter));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter;
        if (!painter.begin(&writer)) {
            *error = QStringLiteral("Cannot write %1").arg(file);
            return false;
        }
        for (int page = 1; page <= layout.pageCount(); ++page) {
            if (page > 1)
                writer.newPage();
            layout.drawPage(&painter, page, writer.resolution());
        }
        painter.end();
    }
    if (!out.commit()) {
        *error = QStringLiteral("Cannot write %1: %2").arg(file, out.errorString());
        return false;
    }
    return true;
}

} // namespace Cookbook

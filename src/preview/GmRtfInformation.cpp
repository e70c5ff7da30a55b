#include "preview/GmRtfInformation.h"

#include "preview/GmRtfPreview.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>

namespace {

// Room for rounding when summing line heights against the page bottom.
constexpr qreal fitTolerance = 1e-6;

qreal twipsToPixels(int twips, int dpi)
{
    return qreal(twips) * dpi / 1440.0;
}

QTextOption flowOption()
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setUseDesignMetrics(true);
    return option;
}

} // namespace

// ---- TGmRichEdit ---------------------------------------------------------------

void TGmRichEdit::SetText(const QString &text)
{
    m_text = text;
    for (QChar &c : m_text) {
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator || c == QLatin1Char('\r'))
            c = QLatin1Char('\n');
    }
    splitParagraphs();
    DiscardLayout();
}

void TGmRichEdit::SetFont(const TGmFont &font)
{
    m_font = font;
    DiscardLayout();
}

void TGmRichEdit::DiscardLayout()
{
    m_lines.clear();
    m_linesDpi = 0;
    m_linesWidth = -1;
}

void TGmRichEdit::splitParagraphs()
{
    m_paragraphs.clear();
    int start = 0;
    const int total = TextLength();
    for (int i = 0; i < total; ++i) {
        if (m_text.at(i) == QLatin1Char('\n')) {
            m_paragraphs.push_back({start, i - start});
            start = i + 1;
        }
    }
    m_paragraphs.push_back({start, total - start});
}

void TGmRichEdit::layoutParagraph(QTextLayout &layout, const Paragraph &paragraph, int dpi, qreal width) const
{
    layout.setText(m_text.mid(paragraph.start, paragraph.length));
    layout.setFont(m_font.toQFont(dpi));
    layout.setTextOption(flowOption());
    layout.beginLayout();
    qreal y = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout.endLayout();
}

const std::vector<TGmRichEdit::Line> &TGmRichEdit::lines(int dpi, qreal width)
{
    if (!m_lines.empty() && m_linesDpi == dpi && qFuzzyCompare(m_linesWidth + 1, width + 1))
        return m_lines;
    m_lines.clear();
    const qreal emptyHeight = QFontMetricsF(m_font.toQFont(dpi)).height();
    const int total = TextLength();
    QTextLayout layout;
    layout.setCacheEnabled(false);
    for (const Paragraph &paragraph : m_paragraphs) {
        const int paragraphEnd = paragraph.start + paragraph.length;
        const int after = paragraphEnd < total ? paragraphEnd + 1 : total;
        layoutParagraph(layout, paragraph, dpi, width);
        const int count = layout.lineCount();
        if (count == 0) {
            m_lines.push_back({paragraph.start, after, emptyHeight});
            continue;
        }
        for (int i = 0; i < count; ++i) {
            const QTextLine line = layout.lineAt(i);
            const int start = paragraph.start + line.textStart();
            const int next = i + 1 < count ? paragraph.start + layout.lineAt(i + 1).textStart() : after;
            m_lines.push_back({start, next, line.height()});
        }
    }
    m_linesDpi = dpi;
    m_linesWidth = width;
    return m_lines;
}

int TGmRichEdit::lineIndexAt(const std::vector<Line> &lines, int position) const
{
    // The last line starting at or before the position.
    auto it = std::upper_bound(lines.begin(), lines.end(), position,
                               [](int pos, const Line &line) { return pos < line.start; });
    return it == lines.begin() ? 0 : int(it - lines.begin()) - 1;
}

int TGmRichEdit::paragraphIndexAt(int position) const
{
    auto it = std::upper_bound(m_paragraphs.begin(), m_paragraphs.end(), position,
                               [](int pos, const Paragraph &p) { return pos < p.start; });
    return it == m_paragraphs.begin() ? 0 : int(it - m_paragraphs.begin()) - 1;
}

int TGmRichEdit::FormatRange(QPainter *canvas, int dpi, const QRect &twips, int start, int end)
{
    const int total = TextLength();
    if (dpi <= 0 || twips.right() <= twips.left() || twips.bottom() <= twips.top())
        return -1;
    if (end < 0 || end > total)
        end = total;
    start = qBound(0, start, total);
    if (start >= end)
        return start;

    const qreal left = twipsToPixels(twips.left(), dpi);
    const qreal top = twipsToPixels(twips.top(), dpi);
    const qreal width = twipsToPixels(twips.right(), dpi) - left;
    const qreal height = twipsToPixels(twips.bottom(), dpi) - top;

    if (!canvas) {
        const std::vector<Line> &all = lines(dpi, width);
        qreal used = 0;
        int pos = start;
        for (std::size_t i = std::size_t(lineIndexAt(all, start)); i < all.size(); ++i) {
            const Line &line = all[i];
            if (pos > start && used + line.height > height + fitTolerance)
                break;
            used += line.height;
            pos = line.next;
            if (pos >= end)
                return end;
        }
        return pos;
    }

    canvas->save();
    canvas->setPen(m_font.qColor());
    QTextLayout layout;
    layout.setCacheEnabled(true);
    qreal y = top;
    int pos = start;
    for (std::size_t p = std::size_t(paragraphIndexAt(start)); p < m_paragraphs.size() && pos < end; ++p) {
        const Paragraph &paragraph = m_paragraphs[p];
        const int paragraphEnd = paragraph.start + paragraph.length;
        const int after = paragraphEnd < total ? paragraphEnd + 1 : total;
        layoutParagraph(layout, paragraph, dpi, width);
        const int count = layout.lineCount();
        if (count == 0) {
            y += QFontMetricsF(m_font.toQFont(dpi)).height();
            pos = after;
            continue;
        }
        for (int i = 0; i < count && pos < end; ++i) {
            const QTextLine line = layout.lineAt(i);
            const int lineStart = paragraph.start + line.textStart();
            const int next = i + 1 < count ? paragraph.start + layout.lineAt(i + 1).textStart() : after;
            if (next <= start)
                continue;
            if (lineStart >= end)
                break;
            line.draw(canvas, QPointF(left, y - line.position().y()));
            y += line.height();
            pos = next;
        }
    }
    canvas->restore();
    return qMin(pos, end);
}

// ---- TGmRtfInformation ---------------------------------------------------------

TGmRtfInformation::TGmRtfInformation(TGmPreview *preview)
    : m_preview(preview)
{
}

TGmRtfInformation::~TGmRtfInformation()
{
    m_richEdit.reset();
    Clear();
}

void TGmRtfInformation::Add(int pageNum, long double topMargin, long double bottomMargin, int start, int end)
{
    m_records.push_back({pageNum, start, end, topMargin, bottomMargin});
    if (OnChange)
        OnChange();
}

const TGmRtfOffset *TGmRtfInformation::FindPage(int pageNum) const
{
    for (auto it = m_records.rbegin(); it != m_records.rend(); ++it) {
        if (it->PageNum == pageNum)
            return &*it;
    }
    return nullptr;
}

TGmRichEdit *TGmRtfInformation::NewRichEdit()
{
    m_richEdit = std::make_unique<TGmRichEdit>();
    return m_richEdit.get();
}

void TGmRtfInformation::RenderPage(QPainter *canvas, int pageNum)
{
    const TGmRtfOffset *record = FindPage(pageNum);
    if (!record || !m_richEdit || !m_preview)
        return;
    RenderTextRange(canvas, m_richEdit.get(), m_preview, record->StartChar, record->EndChar, record->TopMargin,
                    record->BottomMargin);
}

void TGmRtfInformation::Clear()
{
    while (!m_records.empty())
        m_records.pop_back();
    if (OnChange)
        OnChange();
}

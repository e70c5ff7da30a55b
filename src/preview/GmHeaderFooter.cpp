#include "preview/GmHeaderFooter.h"

#include "preview/GmDrawing.h"

#include <QDate>
#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <QTime>

namespace {

void replaceEach(QString &text, const QString &token, const QString &value)
{
    // The values hold no braces, so no replacement can form a new token.
    for (int i = text.indexOf(token); i >= 0; i = text.indexOf(token))
        text.replace(i, token.size(), value);
}

} // namespace

QString GmExpandTokens(const QString &text, int pageNum, int numPages)
{
    QString result = text;
    if (result.contains(QLatin1String("{DATE}")))
        replaceEach(result, QStringLiteral("{DATE}"), QLocale().toString(QDate::currentDate(), "dd-MMM-yyyy"));
    if (result.contains(QLatin1String("{TIME}")))
        replaceEach(result, QStringLiteral("{TIME}"), QTime::currentTime().toString("HH:mm"));
    replaceEach(result, QStringLiteral("{PAGE}"), QString::number(pageNum));
    replaceEach(result, QStringLiteral("{NUMPAGES}"), QString::number(numPages));
    return result;
}

// ---- TGmHeaderFooterCaption --------------------------------------------------

void TGmHeaderFooterCaption::SetCaption(const QString &caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    if (OnChange)
        OnChange();
}

void TGmHeaderFooterCaption::SetFont(const TGmFont &font)
{
    m_font = font;
    if (OnChange)
        OnChange();
}

void TGmHeaderFooterCaption::Assign(const TGmHeaderFooterCaption *source)
{
    if (!source)
        return;
    m_caption = source->m_caption;
    m_font = source->m_font;
}

// ---- TGmHeaderFooter ---------------------------------------------------------

TGmHeaderFooter::TGmHeaderFooter()
{
    for (TGmHeaderFooterCaption *c : {&m_left, &m_center, &m_right})
        c->OnChange = [this]() { Changed(); };
}

void TGmHeaderFooter::SetPen(const QPen &pen)
{
    gmAssign(m_pen, pen, [this] { Changed(); });
}

void TGmHeaderFooter::SetShowLine(bool show)
{
    gmAssign(m_showLine, show, [this] { Changed(); });
}

void TGmHeaderFooter::SetVisible(bool visible)
{
    gmAssign(m_visible, visible, [this] { Changed(); });
}

const TGmFont &TGmHeaderFooter::LargestFont() const
{
    const TGmFont *font = &m_left.Font();
    if (font->Size < m_center.Font().Size)
        font = &m_center.Font();
    if (font->Size < m_right.Font().Size)
        font = &m_right.Font();
    return *font;
}

TGmValue *TGmHeaderFooter::Height()
{
    if (!m_visible) {
        m_height.SetRaw(0);
        return &m_height;
    }
    const QFontMetrics metrics(LargestFont().toQFont(96));
    m_height.SetAsPixels(96, metrics.ascent() + metrics.descent());
    return &m_height;
}

void TGmHeaderFooter::Assign(const TGmHeaderFooter *source)
{
    if (!source)
        return;
    m_showLine = source->m_showLine;
    m_visible = source->m_visible;
    m_left.Assign(&source->m_left);
    m_center.Assign(&source->m_center);
    m_right.Assign(&source->m_right);
    m_pen = source->m_pen;
}

void TGmHeaderFooter::Changed()
{
    if (OnChange)
        OnChange();
}

void TGmHeaderFooter::beginDraw(QPainter *canvas)
{
    canvas->setBrush(Qt::NoBrush);
    canvas->setPen(m_pen);
}

void TGmHeaderFooter::drawCaption(QPainter *canvas, const TGmHeaderFooterCaption &caption, int resolution,
                                  int pageNum, int numPages, int left, int right, Qt::Alignment align,
                                  bool hanging, int y)
{
    const QString text = GmExpandTokens(caption.Caption(), pageNum, numPages);
    if (text.isEmpty())
        return;
    TGmFont font = caption.Font();
    canvas->setFont(font.toQFont(resolution));
    const QFontMetrics metrics = canvas->fontMetrics();
    const int width = metrics.horizontalAdvance(text);
    const int cell = metrics.ascent() + metrics.descent();
    int x = left;
    if (align & Qt::AlignHCenter)
        x = (left + right) / 2 - width / 2;
    else if (align & Qt::AlignRight)
        x = right - width;
    canvas->save();
    PrintTextOut(canvas, x, hanging ? y : y - cell, text, &font, nullptr, false, resolution);
    canvas->restore();
}

void TGmHeaderFooter::drawAlong(QPainter *canvas, int resolution, int pageNum, int numPages, const QRect &rect,
                                bool hanging, int y)
{
    beginDraw(canvas);
    const int l = rect.left();
    const int r = rect.left() + rect.width();
    drawCaption(canvas, *CaptionLeft(), resolution, pageNum, numPages, l, r, Qt::AlignLeft, hanging, y);
    drawCaption(canvas, *CaptionCenter(), resolution, pageNum, numPages, l, r, Qt::AlignHCenter, hanging, y);
    drawCaption(canvas, *CaptionRight(), resolution, pageNum, numPages, l, r, Qt::AlignRight, hanging, y);
    if (ShowLine()) {
        canvas->setPen(Pen());
        canvas->drawLine(l, y, r, y);
    }
}

void TGmHeader::Draw(QPainter *canvas, int resolution, int pageNum, int numPages, const QRect &rect)
{
    drawAlong(canvas, resolution, pageNum, numPages, rect, false, rect.top() + rect.height());
}

void TGmFooter::Draw(QPainter *canvas, int resolution, int pageNum, int numPages, const QRect &rect)
{
    drawAlong(canvas, resolution, pageNum, numPages, rect, true, rect.top());
}

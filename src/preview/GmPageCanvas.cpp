#include "preview/GmPageCanvas.h"

#include "preview/GmMargins.h"
#include "preview/GmPage.h"
#include "preview/GmPreview.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPicture>

namespace {

// Replays a picture recorded at `size` of its own pixels stretched into `target`.
void playStretched(QPainter &painter, const QPicture &picture, const QSize &size, const QRect &target)
{
    if (size.isEmpty() || picture.isNull())
        return;
    painter.save();
    painter.translate(target.left(), target.top());
    painter.scale(qreal(target.width()) / size.width(), qreal(target.height()) / size.height());
    // drawPicture scales by the picture's resolution against the device's;
    // undo that so that one picture pixel is one unit of the transform above.
    painter.scale(qreal(picture.logicalDpiX()) / painter.device()->logicalDpiX(),
                  qreal(picture.logicalDpiY()) / painter.device()->logicalDpiY());
    painter.drawPicture(0, 0, picture);
    painter.restore();
}

} // namespace

// ---- TGmBasePageCanvas -----------------------------------------------------------

TGmBasePageCanvas::TGmBasePageCanvas(TGmShadow *shadow, QWidget *parent)
    : QWidget(parent)
    , m_shadow(shadow)
{
}

void TGmBasePageCanvas::DrawPaper(int x, int y, QPainter *canvas)
{
    const int g = m_gutter;
    const int w = m_shadow->Width();
    const int left = x + g + m_inset.left();
    const int top = y + g + m_inset.top();
    const int right = width() - g - (w + 1) + x - m_inset.right();
    const int bottom = height() - g - (w + 1) + y - m_inset.bottom();

    canvas->setPen(QPen(Qt::black, 1, Qt::SolidLine));
    canvas->setBrush(Qt::white);
    const QPoint corners[] = {{left, top}, {right, top}, {right, bottom}, {left, bottom}};
    canvas->drawPolygon(corners, 4);

    if (m_shadow->Visible()) {
        canvas->setPen(m_shadow->Color());
        canvas->setBrush(m_shadow->Color());
        canvas->fillRect(QRect(QPoint(right + 1, top + w), QPoint(right + w, bottom + 1)), m_shadow->Color());
        canvas->fillRect(QRect(QPoint(left + w, bottom + 1), QPoint(right + w, bottom + w)), m_shadow->Color());
        canvas->setPen(Qt::black);
    }
}

void TGmBasePageCanvas::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    DrawPaper(0, 0, &painter);
}

// ---- TGmPageCanvas ----------------------------------------------------------------

TGmPageCanvas::TGmPageCanvas(TGmPreview *preview, TGmPageList *pages, TGmMargins *margins, TGmShadow *shadow,
                             QWidget *parent)
    : TGmBasePageCanvas(shadow, parent)
    , m_preview(preview)
    , m_pages(pages)
    , m_margins(margins)
{
    m_gutter = 20;
    if (TGmPage *first = pages->GetPage(1))
        PageImage = &first->Image();
    setAcceptDrops(true);
    setMouseTracking(true);
}

void TGmPageCanvas::SetZoomSize(int widthTwips, int heightTwips, long double factor)
{
    const int extra = 2 * m_gutter + Shadow()->Width();
    resize(gmNearest(factor * widthTwips / 1440 * 96) + extra, gmNearest(factor * heightTwips / 1440 * 96) + extra);
    m_zoomFactor = factor;
}

void TGmPageCanvas::SetGutter(int gutter)
{
    if (gutter < 0)
        return;
    m_gutter = gutter;
    if (const TGmPage *page = m_pages->CurrentPageObject()) {
        TGmValue w(page->Width(), {});
        TGmValue h(page->Height(), {});
        SetZoomSize(w.AsTwips(), h.AsTwips(), m_zoomFactor);
    }
}

bool TGmPageCanvas::IsOnPaper(int x, int y) const
{
    const int g = m_gutter;
    const int w = Shadow()->Width();
    return g < x && x < width() - (g + w) && g < y && y < height() - (g + w);
}

QRect TGmPageCanvas::PageRect() const
{
    const int g = m_gutter;
    const int w = Shadow()->Width();
    return QRect(QPoint(g, g), QSize(width() - g - (w + 1) - g, height() - g - (w + 1) - g));
}

void TGmPageCanvas::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    DrawPaper(0, 0, &painter);
    const QRect r = PageRect();
    const TGmPage *page = m_pages->CurrentPageObject();
    if (page) {
        playStretched(painter, page->TextLayer(), page->TextLayerSize(), r);
        if (PageImage)
            playStretched(painter, *PageImage, page->ImageSize(), r);
    }
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    const int right = r.left() + r.width();
    const int bottom = r.top() + r.height();
    const QPoint border[] = {{r.left(), r.top()}, {right, r.top()}, {right, bottom}, {r.left(), bottom},
                             {r.left(), r.top()}};
    painter.drawPolyline(border, 5);

    const long double f = m_zoomFactor;
    auto drawMarginRect = [&](qint32 l, qint32 t, qint32 rr, qint32 b) {
        auto px = [&](qint32 v) { return gmNearest(TGmValue(v, {}).AsPixels(96) * f); };
        const QPoint tl(r.left() + px(l), r.top() + px(t));
        const QPoint br(right - px(rr), bottom - px(b));
        painter.drawRect(QRect(tl, QSize(br.x() - tl.x(), br.y() - tl.y())));
    };
    if (m_margins->Visible()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(m_margins->Pen());
        drawMarginRect(m_margins->Left.Raw(), m_margins->Top.Raw(), m_margins->Right.Raw(), m_margins->Bottom.Raw());
    }
    if (m_margins->ShowPrinterMargins() && m_pages->Printer()) {
        painter.setPen(m_margins->PrinterMarginPen());
        const TGmValueRect *pm = m_pages->Printer()->PrinterMargins();
        drawMarginRect(pm->Left.Raw(), pm->Top.Raw(), pm->Right.Raw(), pm->Bottom.Raw());
    }
}

void TGmPageCanvas::mapToPaper(long double x, long double y)
{
    const int g = m_gutter;
    X.SetRaw(gmNearest((x - g) / m_zoomFactor * 2540 / 96));
    Y.SetRaw(gmNearest((y - g) / m_zoomFactor * 2540 / 96));
}

void TGmPageCanvas::mousePressEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    m_preview->controlMouse(TGmPreview::MousePress, event->button(), event->modifiers(), pos + this->pos());
    if (IsOnPaper(pos.x(), pos.y()) && m_preview->OnPageMouseDown) {
        mapToPaper(pos.x(), pos.y());
        LastPress = pos;
        m_preview->OnPageMouseDown(m_preview, event->button(), event->modifiers(), &X, &Y);
    }
}

void TGmPageCanvas::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    m_preview->controlMouse(TGmPreview::MouseMove, event->button(), event->modifiers(), pos + this->pos());
    if (IsOnPaper(pos.x(), pos.y()) && m_preview->OnPageMouseMove) {
        mapToPaper(pos.x(), pos.y());
        m_preview->OnPageMouseMove(m_preview, event->modifiers(), &X, &Y);
    }
}

void TGmPageCanvas::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    m_preview->controlMouse(TGmPreview::MouseRelease, event->button(), event->modifiers(), pos + this->pos());
    if (IsOnPaper(pos.x(), pos.y()) && m_preview->OnPageMouseUp) {
        mapToPaper(pos.x(), pos.y());
        m_preview->OnPageMouseUp(m_preview, event->button(), event->modifiers(), &X, &Y);
    }
}

void TGmPageCanvas::dragEnterEvent(QDragEnterEvent *event)
{
    dragMoveEvent(event);
}

void TGmPageCanvas::dragMoveEvent(QDragMoveEvent *event)
{
    const QPointF pos = event->position();
    bool accept = false;
    if (IsOnPaper(int(pos.x()), int(pos.y())) && m_preview->OnPageDragOver) {
        mapToPaper(pos.x(), pos.y());
        const TGmDragState state = event->type() == QEvent::DragEnter ? gmDragEnter : gmDragMove;
        m_preview->OnPageDragOver(m_preview, event->source(), &X, &Y, state, accept);
    }
    event->setAccepted(accept);
}

void TGmPageCanvas::dropEvent(QDropEvent *event)
{
    const QPoint pos = event->position().toPoint(); // whole screen pixels
    if (IsOnPaper(pos.x(), pos.y()) && m_preview->OnPageDragDrop) {
        mapToPaper(pos.x(), pos.y());
        m_preview->OnPageDragDrop(m_preview, event->source(), &X, &Y);
        event->acceptProposedAction();
    }
}

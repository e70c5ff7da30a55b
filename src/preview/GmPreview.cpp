#include "preview/GmPreview.h"

#include "preview/GmDrawing.h"
#include "preview/GmHeaderFooter.h"
#include "preview/GmMargins.h"
#include "preview/GmPageCanvas.h"
#include "preview/GmPageTextStore.h"

#include <QApplication>
#include <QCursor>
#include <QMap>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>

namespace {

// A magnifying glass with a plus or a minus, hot spot in the glass's centre.
QPixmap drawZoomPixmap(bool zoomIn)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::white, 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(18, 18, 28, 28);
    p.drawEllipse(QPointF(11.5, 11.5), 9, 9);
    p.setPen(QPen(Qt::black, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(18, 18, 28, 28);
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawEllipse(QPointF(11.5, 11.5), 8, 8);
    p.setPen(QPen(Qt::black, 2));
    p.drawLine(7, 12, 16, 12);
    if (zoomIn)
        p.drawLine(12, 7, 12, 16);
    return pixmap;
}

QMap<int, QCursor> &cursorTable()
{
    static QMap<int, QCursor> table;
    return table;
}

void registerCursors()
{
    QMap<int, QCursor> &table = cursorTable();
    if (!table.isEmpty())
        return;
    auto load = [](const char *path, bool zoomIn) {
        QPixmap pixmap(QString::fromLatin1(path));
        if (pixmap.isNull())
            pixmap = drawZoomPixmap(zoomIn);
        return QCursor(pixmap, 12, 12);
    };
    table.insert(TGmPreview::ZOOMIN, load(":/cursors/ZOOMIN.png", true));
    table.insert(TGmPreview::ZOOMOUT, load(":/cursors/ZOOMOUT.png", false));
}

} // namespace

// ---- TGmNotifyEvent ------------------------------------------------------------

TGmNotifyEvent::TGmNotifyEvent(int code, qintptr first, qintptr second)
    : QEvent(eventType())
    , Code(code)
    , First(first)
    , Second(second)
{
}

QEvent::Type TGmNotifyEvent::eventType()
{
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
    return type;
}

// ---- TGmPreview ----------------------------------------------------------------

TGmPreview::TGmPreview(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    BeginUpdate();
    registerCursors();
    SetColor(QColor(128, 128, 128));
    resize(234, 304);
    SetBorderStyle(bsSingle);
    m_printer = TGmPrinter::instance();

    m_margins = std::make_unique<TGmMargins>(this);
    m_margins->OnChange = [this]() { pageRefresh(); };
    m_header = std::make_unique<TGmHeader>();
    m_header->OnChange = [this]() { headerFooterChanged(); };
    m_footer = std::make_unique<TGmFooter>();
    m_footer->OnChange = [this]() { headerFooterChanged(); };
    m_pages = std::make_unique<TGmPageList>(m_margins.get(), m_header.get(), m_footer.get(), m_printer);
    m_pages->OnPagesChanged = [this](TGmPageList *) { pageRefresh(); };
    m_pages->OnLayoutChanged = [this](TGmPageList *) { RefreshPreview(); };
    m_pages->IsUpdating = [this]() { return m_updateCount > 0; };
    m_shadow = std::make_unique<TGmShadow>();
    m_pageCanvas = new TGmPageCanvas(this, m_pages.get(), m_margins.get(), m_shadow.get(), viewport());
    m_shadow->OnChange = [this](TGmShadow *) { m_pageCanvas->update(); };
    m_canvas = std::make_unique<TGmCanvas>(this, m_pages.get());

    m_pagesPerSheet = gmOnePage;
    m_minZoom = 10;
    m_maxZoom = 400;
    m_zoom = 22;
    m_zoomIncrement = 10;
    m_zoomStyle = gmFixedZoom;
    EndUpdate();
}

TGmPreview::~TGmPreview()
{
    m_destroying = true;
    BeginUpdate();
    m_canvas.reset();
    m_pages.reset();
    delete m_pageCanvas;
    m_pageCanvas = nullptr;
    m_margins.reset();
    m_shadow.reset();
    m_footer.reset();
    m_header.reset();
    m_linked.clear();
}

QCursor TGmPreview::ZoomCursor(int id)
{
    registerCursors();
    return cursorTable().value(id, QCursor(Qt::ArrowCursor));
}

void TGmPreview::SetBorderStyle(TGmBorderStyle style)
{
    m_borderStyle = style;
    if (style == bsSingle) {
        setFrameShape(QFrame::StyledPanel);
        setFrameShadow(QFrame::Sunken);
    } else {
        setFrameShape(QFrame::NoFrame);
    }
}

QColor TGmPreview::Color() const
{
    return viewport()->palette().color(QPalette::Window);
}

void TGmPreview::SetColor(const QColor &color)
{
    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Window, color);
    viewport()->setPalette(palette);
    viewport()->setBackgroundRole(QPalette::Window);
    viewport()->setAutoFillBackground(true);
}

int TGmPreview::Gutter() const
{
    return m_pageCanvas->Gutter();
}

void TGmPreview::SetGutter(int gutter)
{
    m_pageCanvas->SetGutter(gutter);
    updateScrollRanges();
    placePageCanvas();
}

void TGmPreview::SetOnChangePrinter(std::function<void(TGmPrinter *)> handler)
{
    m_printer->OnChangePrinter = std::move(handler);
}

void TGmPreview::SetOrientation(TGmOrientation orientation)
{
    if (orientation == m_pages->Orientation())
        return;
    m_pages->SetOrientation(orientation);
    if (OnChangeOrientation)
        OnChangeOrientation(this);
    NotifyLinkedControls(NotifyOrientationChanged, 0, 0);
    m_pages->MarkAllChanged();
    RefreshPreview();
}

void TGmPreview::SetPaperSize(TGmPaperSize size)
{
    if (size == Custom) {
        ShowEngineMessage(QStringLiteral("You cannot set the papersize to \"Custom\" directly...\n"
                                         "\n"
                                         "The papersize is set to \"Custom internally when either the PageHeight \n"
                                         "or PageWidth are changed manually at runtime."));
        return;
    }
    if (size == m_pages->PaperSize() || size < A3 || size > Custom)
        return;
    m_pages->MarkAllChanged();
    m_pages->SetPaperSize(size);
    RefreshPreview();
    if (OnPageSizeChange)
        OnPageSizeChange(this);
    NotifyLinkedControls(NotifyPaperSizeChanged, 0, 0);
}

void TGmPreview::SetZoom(int zoom)
{
    if (zoom == m_zoom || zoom < m_minZoom || zoom > m_maxZoom)
        return;
    if (OnZoom)
        OnZoom(this, m_zoom, zoom);
    m_zoom = zoom;
    LayoutPage(false);
}

void TGmPreview::ZoomIn()
{
    if (m_mouseInside)
        setCursor(ZoomCursor(ZOOMIN));
    SetZoom(m_zoomStyle == gmFixedZoom ? m_zoom + m_zoomIncrement : m_zoom + m_zoom / 2);
}

void TGmPreview::ZoomOut()
{
    if (m_mouseInside)
        setCursor(ZoomCursor(ZOOMOUT));
    SetZoom(m_zoomStyle == gmFixedZoom ? m_zoom - m_zoomIncrement : m_zoom - m_zoom / 2);
}

void TGmPreview::SetCurrentPage(int page)
{
    if (page != m_pages->CurrentPage())
        m_pages->SetCurrentPage(page);
}

void TGmPreview::NextPage()
{
    BeginUpdate();
    const int c = CurrentPage();
    SetCurrentPage(c + 1);
    RefreshPreview();
    EndUpdate();
    if (c < NumPages())
        NotifyLinkedControls(NotifyPageChanged, CurrentPage(), 0);
}

void TGmPreview::PrevPage()
{
    BeginUpdate();
    const int c = CurrentPage();
    SetCurrentPage(c - 1);
    RefreshPreview();
    EndUpdate();
    if (c > 1)
        NotifyLinkedControls(NotifyPageChanged, CurrentPage(), 0);
}

TGmPage *TGmPreview::NewPage()
{
    TGmPage *page = m_pages->AddPage();
    if (m_updateCount == 0) {
        SetCurrentPage(NumPages());
        NotifyLinkedControls(NotifyPagesChanged, NumPages(), 0);
    } else {
        m_pages->setCurrentPageQuietly(NumPages());
        if (OnPageChange)
            OnPageChange(this, NumPages());
    }
    if (OnNewPage)
        OnNewPage(this);
    return page;
}

void TGmPreview::Clear()
{
    if (TGmPageTextStore *store = m_pages->TextStore())
        store->Clear();
    m_pages->ResetPages();
    NotifyLinkedControls(NotifyPagesChanged, 0, 0);
    QCoreApplication::processEvents();
}

void TGmPreview::BeginUpdate()
{
    ++m_updateCount;
}

void TGmPreview::EndUpdate()
{
    m_updateCount = qMax(0, m_updateCount - 1);
    if (m_updateCount == 0)
        RefreshPreview();
}

void TGmPreview::updateScrollRanges()
{
    const QSize view = viewport()->size();
    const QSize page = m_pageCanvas->size();
    horizontalScrollBar()->setRange(0, qMax(0, page.width() - view.width()));
    horizontalScrollBar()->setPageStep(view.width());
    verticalScrollBar()->setRange(0, qMax(0, page.height() - view.height()));
    verticalScrollBar()->setPageStep(view.height());
}

void TGmPreview::placePageCanvas()
{
    if (!m_pageCanvas)
        return;
    const QSize view = viewport()->size();
    const QSize page = m_pageCanvas->size();
    const int left = page.width() < view.width() ? (view.width() - page.width()) / 2 : -horizontalScrollBar()->value();
    const int top = page.height() < view.height() ? (view.height() - page.height()) / 2 : -verticalScrollBar()->value();
    m_pageCanvas->move(left, top);
}

void TGmPreview::LayoutPage(bool render)
{
    if (!m_pages || m_destroying)
        return;
    TGmPage *page = m_pages->CurrentPageObject();
    if (!page)
        return;
    const bool hasParent = parentWidget() != nullptr;
    auto percentOf = [](const QScrollBar *bar) -> long double {
        return bar->value() > 0 && bar->maximum() > 0 ? 100.0L * bar->value() / bar->maximum() : 0;
    };
    const long double hPercent = hasParent ? percentOf(horizontalScrollBar()) : 0;
    const long double vPercent = hasParent ? percentOf(verticalScrollBar()) : 0;

    m_pageCanvas->PageImage = nullptr;
    const TGmValue width(page->Width(), {});
    const TGmValue height(page->Height(), {});
    m_pageCanvas->SetZoomSize(width.AsTwips(), height.AsTwips(), m_zoom / 100.0L);
    const bool rendered = render && page->RenderPage(PrinterResolution(), height.AsInches(), width.AsInches());

    m_pageCanvas->PageImage = &page->Image();
    m_pageCanvas->update();
    updateScrollRanges();
    placePageCanvas();
    if (hasParent)
        ScrollToPercent(vPercent, hPercent);
    QCoreApplication::processEvents();
    // Only a page that was recorded just now is reported as rendered.
    if (rendered) {
        if (const TGmPage *current = m_pages->CurrentPageObject())
            NotifyLinkedControls(NotifyPageRendered, 0, current->PageNum);
    }
}

void TGmPreview::RepaintPage()
{
    if (m_pageCanvas)
        m_pageCanvas->update();
}

void TGmPreview::ScrollToPercent(long double vertical, long double horizontal)
{
    QScrollBar *h = horizontalScrollBar();
    QScrollBar *v = verticalScrollBar();
    h->setValue(gmNearest(h->maximum() * horizontal / 100));
    v->setValue(gmNearest(v->maximum() * vertical / 100));
    placePageCanvas();
}

int TGmPreview::OrientationSummary() const
{
    for (int i = 1; i <= m_pages->Count(); ++i) {
        if (m_pages->GetPage(i)->Orientation() != m_pages->Orientation())
            return 2;
    }
    return m_pages->Orientation() == gmLandscape ? 1 : 0;
}

void TGmPreview::AddLinkedControl(QObject *control)
{
    if (!control)
        return;
    for (const QPointer<QObject> &linked : m_linked) {
        if (linked == control)
            return;
    }
    m_linked.append(control);
}

void TGmPreview::RemoveLinkedControl(QObject *control)
{
    m_linked.removeIf([control](const QPointer<QObject> &linked) { return linked == control || linked.isNull(); });
}

void TGmPreview::NotifyLinkedControls(int code, qintptr first, qintptr second)
{
    if (m_updateCount > 0 || m_destroying)
        return;
    for (const QPointer<QObject> &linked : m_linked) {
        if (linked && linked->isWidgetType())
            QCoreApplication::postEvent(linked, new TGmNotifyEvent(code, first, second));
    }
}

QString TGmPreview::ExpandTokens(const QString &text, int pageNum) const
{
    return GmExpandTokens(text, pageNum, NumPages());
}

void TGmPreview::Assign(const TGmPreview *source)
{
    if (!source || source == this)
        return;
    m_header->Assign(source->m_header.get());
    m_footer->Assign(source->m_footer.get());
    m_printer->Assign(source->m_printer);
    m_pages->PageWidth.Assign(&source->m_pages->PageWidth);
    m_pages->PageHeight.Assign(&source->m_pages->PageHeight);
    if (source->PaperSize() == Custom)
        m_pages->PageWidth.SetRaw(source->m_pages->PageWidth.Raw()); // makes this paper Custom too
    else
        SetPaperSize(source->PaperSize());
    SetOrientation(source->Orientation());
    m_pagesPerSheet = source->m_pagesPerSheet;
    m_margins->Assign(source->m_margins.get());
    m_shadow->Assign(source->m_shadow.get());
}

void TGmPreview::pageRefresh()
{
    if (m_destroying)
        return;
    if (m_updateCount == 0)
        RefreshPreview();
    NotifyLinkedControls(NotifyPageChanged, 0, CurrentPage());
    if (OnPageChange)
        OnPageChange(this, CurrentPage());
}

void TGmPreview::headerFooterChanged()
{
    if (!m_pages)
        return;
    m_pages->MarkAllChanged();
    pageRefresh();
    NotifyLinkedControls(NotifyHeaderFooterChanged, 0, 0);
}

void TGmPreview::controlMouse(MouseKind kind, Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                              const QPoint &pos)
{
    switch (kind) {
    case MousePress:
        if (OnMouseDown)
            OnMouseDown(this, button, modifiers, pos.x(), pos.y());
        break;
    case MouseMove:
        if (OnMouseMove)
            OnMouseMove(this, modifiers, pos.x(), pos.y());
        break;
    case MouseRelease:
        if (OnMouseUp)
            OnMouseUp(this, button, modifiers, pos.x(), pos.y());
        break;
    }
}

void TGmPreview::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (!m_pageCanvas)
        return;
    updateScrollRanges();
    placePageCanvas();
}

void TGmPreview::scrollContentsBy(int, int)
{
    placePageCanvas();
}

void TGmPreview::enterEvent(QEnterEvent *event)
{
    m_mouseInside = true;
    QAbstractScrollArea::enterEvent(event);
}

void TGmPreview::leaveEvent(QEvent *event)
{
    m_mouseInside = false;
    QAbstractScrollArea::leaveEvent(event);
}

void TGmPreview::mousePressEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint(); // viewport coordinates
    controlMouse(MousePress, event->button(), event->modifiers(), pos);
}

void TGmPreview::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint(); // viewport coordinates
    controlMouse(MouseMove, event->button(), event->modifiers(), pos);
}

void TGmPreview::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint(); // viewport coordinates
    controlMouse(MouseRelease, event->button(), event->modifiers(), pos);
}

#pragma once

#include "preview/GmCanvas.h"
#include "preview/GmPage.h"
#include "preview/GmPrinter.h"
#include "preview/GmValue.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QList>
#include <QPointer>

#include <functional>
#include <memory>

class QCursor;
class QTextDocument;
class TGmFooter;
class TGmHeader;
class TGmMargins;
class TGmPageCanvas;
class TGmPageTextStore;

// A notification posted to a preview's linked controls: the code and its two
// parameters.
class TGmNotifyEvent : public QEvent
{
public:
    TGmNotifyEvent(int code, qintptr first, qintptr second);
    static QEvent::Type eventType();

    int Code;
    qintptr First;
    qintptr Second;
};

enum TGmBorderStyle { bsNone, bsSingle };
enum TGmPagesPerSheet { gmOnePage, gmTwoPage, gmFourPage };
enum TGmZoomStyle { gmFixedZoom, gmVariableZoom };
enum TGmDragState { gmDragEnter, gmDragLeave, gmDragMove };

// A scrolling control that shows one page of a document at a time, the way it
// prints. It owns the pages, margins, header, footer, shadow, the on-screen
// page and the drawing state, and uses the process's printer without owning
// it (install the printer before creating a preview). Pages are rendered once
// at the printer's resolution when they become current and need it; zooming
// and repainting only replay the recorded pictures. BeginUpdate/EndUpdate
// group changes: inside, nothing is laid out and nothing is posted.
class TGmPreview : public QAbstractScrollArea
{
    Q_OBJECT

public:
    enum NotifyCode {
        NotifyPageChanged = 7026,
        NotifyPagesChanged = 7027,
        NotifyOrientationChanged = 7029,
        NotifyHeaderFooterChanged = 7030,
        NotifyPageRendered = 7033,
        NotifyPaperSizeChanged = 7035,
        NotifyMarginsChanged = 7043
    };
    enum CursorId { ZOOMIN = 101, ZOOMOUT = 102 };

    explicit TGmPreview(QWidget *parent = nullptr);
    ~TGmPreview() override;

    // The program's zoom cursors (101 ZOOMIN, 102 ZOOMOUT), shared by the
    // whole application; an arrow for any other number.
    static QCursor ZoomCursor(int id);

    // ---- properties ----
    TGmBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(TGmBorderStyle style);
    QColor Color() const;
    void SetColor(const QColor &color);
    TGmCoordsRelative CoordsRelativeTo() const { return m_canvas->CoordsRelativeTo(); }
    void SetCoordsRelativeTo(TGmCoordsRelative coords) { m_canvas->SetCoordsRelativeTo(coords); }
    int Gutter() const;
    void SetGutter(int gutter);
    TGmFooter *Footer() const { return m_footer.get(); }
    TGmHeader *Header() const { return m_header.get(); }
    TGmMargins *Margins() const { return m_margins.get(); }
    TGmShadow *Shadow() const { return m_shadow.get(); }
    TGmPrinter *GmPrinter() const { return m_printer; }
    int MaxZoom() const { return m_maxZoom; }
    void SetMaxZoom(int zoom) { m_maxZoom = zoom; }
    int MinZoom() const { return m_minZoom; }
    void SetMinZoom(int zoom) { m_minZoom = zoom; }
    TGmOrientation Orientation() const { return m_pages->Orientation(); }
    void SetOrientation(TGmOrientation orientation);
    TGmPagesPerSheet PagesPerSheet() const { return m_pagesPerSheet; }
    void SetPagesPerSheet(TGmPagesPerSheet pages) { m_pagesPerSheet = pages; }
    TGmPaperSize PaperSize() const { return m_pages->PaperSize(); }
    // Custom cannot be chosen: it shows why and changes nothing.
    void SetPaperSize(TGmPaperSize size);
    int PrintCopies() const { return m_printer->PrintCopies(); }
    void SetPrintCopies(int copies) { m_printer->SetPrintCopies(copies); }
    QString Title() const { return m_printer->Title(); }
    void SetTitle(const QString &title) { m_printer->SetTitle(title); }
    int Zoom() const { return m_zoom; }
    // Ignored when equal or outside MinZoom..MaxZoom; rescales, never renders.
    void SetZoom(int zoom);
    int ZoomIncrement() const { return m_zoomIncrement; }
    void SetZoomIncrement(int increment) { m_zoomIncrement = increment; }
    TGmZoomStyle ZoomStyle() const { return m_zoomStyle; }
    void SetZoomStyle(TGmZoomStyle style) { m_zoomStyle = style; }
    // The printer's change notification, taken over by the preview.
    void SetOnChangePrinter(std::function<void(TGmPrinter *)> handler);

    // ---- public state ----
    int CurrentPage() const { return m_pages->CurrentPage(); }
    void SetCurrentPage(int page);
    int NumPages() const { return m_pages->Count(); }
    TGmValue *PageWidth() const { return &m_pages->PageWidth; }
    TGmValue *PageHeight() const { return &m_pages->PageHeight; }
    TGmPageList *Pages() const { return m_pages.get(); }
    TGmPageCanvas *PageCanvas() const { return m_pageCanvas; }
    TGmCanvas *Canvas() const { return m_canvas.get(); }
    int PrinterResolution() const { return m_printer->PixelsPerInchX(); }
    int UpdateCount() const { return m_updateCount; }
    bool MouseInside() const { return m_mouseInside; }
    TGmPageTextStore *TextStore() const { return m_pages->TextStore(); }
    // Pages recorded into their pictures so far.
    int RenderCount() const { return m_pages->RenderCount(); }

    // ---- operations ----
    virtual TGmPage *NewPage();
    virtual void Clear();
    void ZoomIn();
    void ZoomOut();
    void NextPage();
    void PrevPage();
    void BeginUpdate();
    void EndUpdate();
    // Sizes and places the page canvas for the current page and the zoom,
    // keeping the scroll positions as percentages; with `render`, records the
    // page first when it needs it (and then posts 7033).
    void LayoutPage(bool render);
    void RefreshPreview() { LayoutPage(true); }
    // Repaints the page without rendering it again.
    void RepaintPage();
    // 0 portrait, 1 landscape, 2 when any page differs from the document.
    int OrientationSummary() const;
    void AddLinkedControl(QObject *control);
    void RemoveLinkedControl(QObject *control);
    // Posts the notification to every linked widget, only outside an update.
    void NotifyLinkedControls(int code, qintptr first, qintptr second);
    QString ExpandTokens(const QString &text, int pageNum) const;
    void ScrollToPercent(long double vertical, long double horizontal);
    // Copies header, footer, printer settings, paper, orientation, pages per
    // sheet, margins and shadow of `source`.
    void Assign(const TGmPreview *source);

    // ---- printing ----
    // All pages; PrintRange(1, NumPages()).
    void Print();
    // Pages first..last through the printer, PagesPerSheet to a sheet.
    void PrintRange(int first, int last);

    // ---- events ----
    std::function<void(TGmPreview *, int oldZoom, int newZoom)> OnZoom;
    std::function<void(TGmPreview *, int pageNum)> OnPageChange;
    std::function<void(TGmPreview *)> OnNewPage;
    std::function<void(TGmPreview *)> OnChangeOrientation;
    std::function<void(TGmPreview *)> OnPageSizeChange;
    std::function<void(TGmPreview *, Qt::MouseButton, Qt::KeyboardModifiers, TGmValue *x, TGmValue *y)>
        OnPageMouseDown;
    std::function<void(TGmPreview *, Qt::MouseButton, Qt::KeyboardModifiers, TGmValue *x, TGmValue *y)> OnPageMouseUp;
    std::function<void(TGmPreview *, Qt::KeyboardModifiers, TGmValue *x, TGmValue *y)> OnPageMouseMove;
    std::function<void(TGmPreview *, QObject *source, TGmValue *x, TGmValue *y, TGmDragState, bool &accept)>
        OnPageDragOver;
    std::function<void(TGmPreview *, QObject *source, TGmValue *x, TGmValue *y)> OnPageDragDrop;
    // Print events: around the job, before each page (its number, its cell
    // on the sheet in printer pixels, the printer canvas, scale 1.0), after
    // each page, progress (the page just printed, the pages of the job), and
    // when the printer reports the job aborted.
    std::function<void(TGmPreview *)> BeforePrint;
    std::function<void(TGmPreview *)> AfterPrint;
    std::function<void(TGmPreview *, int pageNum, const QRect &prnCanvasRect, QPainter *prnCanvas, long double printScale)>
        OnPrintPage;
    std::function<void(TGmPreview *, TGmPage *page, QPaintDevice *printerHandle)> AfterPrintPage;
    std::function<void(TGmPreview *, int printed, int total)> OnPrintProgress;
    std::function<void(TGmPreview *)> OnAbortPrint;
    // Raised by the text flow when it needs its text document.
    std::function<void(TGmPreview *, QTextDocument *&richEdit)> OnNeedRichEdit;
    // The control's own mouse events (positions in the control's pixels),
    // raised also for presses outside the paper.
    std::function<void(TGmPreview *, Qt::MouseButton, Qt::KeyboardModifiers, int x, int y)> OnMouseDown;
    std::function<void(TGmPreview *, Qt::MouseButton, Qt::KeyboardModifiers, int x, int y)> OnMouseUp;
    std::function<void(TGmPreview *, Qt::KeyboardModifiers, int x, int y)> OnMouseMove;

    // Called by the page canvas: its mouse events, position in this control.
    enum MouseKind { MousePress, MouseMove, MouseRelease };
    void controlMouse(MouseKind kind, Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint &pos);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void pageRefresh();
    void headerFooterChanged();
    void placePageCanvas();
    void updateScrollRanges();

    TGmPrinter *m_printer;
    std::unique_ptr<TGmMargins> m_margins;
    std::unique_ptr<TGmHeader> m_header;
    std::unique_ptr<TGmFooter> m_footer;
    std::unique_ptr<TGmPageList> m_pages;
    std::unique_ptr<TGmShadow> m_shadow;
    TGmPageCanvas *m_pageCanvas = nullptr;
    std::unique_ptr<TGmCanvas> m_canvas;
    QList<QPointer<QObject>> m_linked;
    TGmBorderStyle m_borderStyle = bsSingle;
    TGmPagesPerSheet m_pagesPerSheet = gmOnePage;
    int m_maxZoom = 400;
    int m_minZoom = 10;
    int m_zoom = 22;
    int m_zoomIncrement = 10;
    TGmZoomStyle m_zoomStyle = gmFixedZoom;
    int m_updateCount = 0;
    bool m_mouseInside = false;
    bool m_destroying = false;
};

#include "preview/GmPreviewPrint.h"

#include "preview/GmDrawing.h"
#include "preview/GmHeaderFooter.h"
#include "preview/GmMargins.h"
#include "preview/GmPageTextStore.h"

#include <QPainter>
#include <QPrintDialog>

#include <algorithm>

namespace {

TGmOrientation opposite(TGmOrientation orientation)
{
    return orientation == gmPortrait ? gmLandscape : gmPortrait;
}

QRect fromCorners(int left, int top, int right, int bottom)
{
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

} // namespace

TGmPrintCell gmPrintCell(TGmPagesPerSheet pagesPerSheet, int pageNum, int w, int h, bool portraitSheet)
{
    TGmPrintCell cell;
    switch (pagesPerSheet) {
    case gmOnePage:
        cell.Rect = fromCorners(0, 0, w, h);
        cell.Scale = 1.0L;
        break;
    case gmTwoPage: {
        const int shorter = std::min(w, h);
        const int longer = std::max(w, h);
        cell.Scale = longer > 0 ? static_cast<long double>(shorter) / longer : 1.0L;
        const bool odd = pageNum % 2 != 0;
        if (portraitSheet)
            cell.Rect = odd ? fromCorners(0, 0, h, w / 2) : fromCorners(0, w / 2, h, w);
        else
            cell.Rect = odd ? fromCorners(0, 0, h / 2, w) : fromCorners(h / 2, 0, h, w);
        break;
    }
    case gmFourPage:
        cell.Scale = 0.5L;
        switch (pageNum % 4) {
        case 1:
            cell.Rect = fromCorners(0, 0, w / 2, h / 2);
            break;
        case 2:
            cell.Rect = fromCorners(w / 2, 0, w, h / 2);
            break;
        case 3:
            cell.Rect = fromCorners(0, h / 2, w / 2, h);
            break;
        default:
            cell.Rect = fromCorners(w / 2, h / 2, w, h);
            break;
        }
        break;
    }
    return cell;
}

bool gmSheetFull(TGmPagesPerSheet pagesPerSheet, int pageNum)
{
    switch (pagesPerSheet) {
    case gmOnePage:
        return true;
    case gmTwoPage:
        return pageNum % 2 == 0;
    case gmFourPage:
        return pageNum % 4 == 0;
    }
    return true;
}

void TGmPreview::Print()
{
    PrintRange(1, NumPages());
}

void TGmPreview::PrintRange(int first, int last)
{
    TGmPrinter *printer = m_printer;
    if (!printer || !printer->HasPrinter())
        return;
    if (printer->PrintColor() == gmColor && !printer->SupportsColor())
        printer->SetPrintColor(gmMonochrome);

    const int r = PrinterResolution();
    if (BeforePrint)
        BeforePrint(this);
    if (OrientationSummary() == 2)
        m_pagesPerSheet = gmOnePage;
    const TGmPagesPerSheet perSheet = m_pagesPerSheet;

    // Ends the job whatever happened; a two-up job turns the printer back,
    // once it was turned.
    bool turned = false;
    auto endJob = [&]() {
        printer->EndDoc();
        if (turned)
            printer->SetPrinterOrientation(opposite(printer->PrinterOrientation()));
    };

    try {
        bool stopped = false;
        for (int i = first; i <= last && !stopped; ++i) {
            TGmPage *page = m_pages->GetPage(i);
            if (!page)
                continue;
            if (!printer->Printing()) {
                if (QPrintDialog *dialog = printer->PrintDialog(); dialog && printer->ShowPrintDialog()) {
                    if (dialog->exec() != QDialog::Accepted) {
                        stopped = true;
                        break;
                    }
                }
                const TGmPage *firstPage = m_pages->GetPage(first);
                TGmOrientation orientation = firstPage ? firstPage->Orientation() : Orientation();
                // The sheets are the document's paper: asked for as it lies
                // in portrait, turned by the printer's orientation.
                const TGmPage *paperPage = firstPage ? firstPage : page;
                printer->SetPaperSize(paperPage->Orientation() == gmLandscape
                                          ? QSize(paperPage->Height(), paperPage->Width())
                                          : QSize(paperPage->Width(), paperPage->Height()));
                if (perSheet == gmTwoPage) {
                    orientation = opposite(orientation);
                    turned = true;
                }
                printer->SetPrinterOrientation(orientation);
                if (!printer->BeginDoc()) {
                    stopped = true;
                    break;
                }
            }
            if (printer->Aborted()) {
                if (OnAbortPrint)
                    OnAbortPrint(this);
                stopped = true;
                break;
            }
            QPainter *canvas = printer->Canvas();
            if (!canvas) {
                stopped = true;
                break;
            }

            TGmValue value;
            value.SetRaw(page->Width());
            const int w = value.AsPixels(printer->PixelsPerInchX());
            const long double widthInches = value.AsInches();
            value.SetRaw(page->Height());
            const int h = value.AsPixels(printer->PixelsPerInchY());
            const long double heightInches = value.AsInches();
            const TGmPrintCell cell =
                gmPrintCell(perSheet, i, w, h, printer->PrinterOrientation() == gmPortrait);

            if (OnPrintPage)
                OnPrintPage(this, i, cell.Rect, canvas, 1.0L);

            canvas->save();
            canvas->translate(cell.Rect.topLeft() - printer->PhysicalOffset());

            if (TGmPageTextStore *store = m_pages->TextStore(); store && store->HasPage(i)) {
                canvas->save();
                if (perSheet != gmOnePage)
                    canvas->scale(qreal(cell.Scale), qreal(cell.Scale));
                store->RenderPage(canvas, i);
                canvas->restore();
            }

            const int left = m_margins->Left.AsPixels(r);
            const int right = gmNearest(widthInches * r) - m_margins->Right.AsPixels(r);
            if (m_header->Visible() && page->ShowHeader) {
                const int top = m_margins->Top.AsPixels(r);
                const int bottom = top + m_header->Height()->AsPixels(r);
                m_header->Draw(canvas, r, i, NumPages(), ScaleRect(fromCorners(left, top, right, bottom), cell.Scale));
            }
            if (m_footer->Visible() && page->ShowFooter) {
                const int bottom = gmNearest(heightInches * r) - m_margins->Bottom.AsPixels(r);
                const int top = bottom - m_footer->Height()->AsPixels(r);
                m_footer->Draw(canvas, r, i, NumPages(), ScaleRect(fromCorners(left, top, right, bottom), cell.Scale));
            }
            canvas->restore();

            if (gmSheetFull(perSheet, i) && i < last) {
                const TGmPage *nextPage = m_pages->GetPage(i + 1);
                const TGmOrientation next = perSheet == gmOnePage && nextPage ? nextPage->Orientation()
                                                                              : printer->PrinterOrientation();
                printer->NewSheet(next);
            }
            if (AfterPrintPage)
                AfterPrintPage(this, page, printer->PrinterHandle());
            if (OnPrintProgress)
                OnPrintProgress(this, i, last - first + 1);
        }
        if (!stopped && AfterPrint)
            AfterPrint(this);
    } catch (...) {
        endJob();
        throw;
    }
    endJob();
}

#include "preview/GmCanvas.h"

#include "preview/GmHeaderFooter.h"
#include "preview/GmMargins.h"
#include "preview/GmPage.h"

TGmCanvas::TGmCanvas(TGmPreview *preview, TGmPageList *pages)
    : m_preview(preview)
    , m_pages(pages)
{
}

TGmPage *TGmCanvas::CurrentPage() const
{
    return m_pages->CurrentPageObject();
}

void TGmCanvas::SetCoordsRelativeTo(TGmCoordsRelative coords)
{
    m_coords = coords;
    const TGmMargins *margins = m_pages->Margins();
    switch (coords) {
    case fromPage:
        m_origin = QPoint(0, 0);
        break;
    case fromPrinterMargins:
        // The setting is kept; the origin stays where it was.
        break;
    case fromUserMargins:
        m_origin = QPoint(margins->Left.Raw(), margins->Top.Raw());
        break;
    case fromHeaderLine:
        m_origin = QPoint(margins->Left.Raw(), margins->Top.Raw() + m_pages->Header()->Height()->Raw());
        break;
    }
}

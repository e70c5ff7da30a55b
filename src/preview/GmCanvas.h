#pragma once

#include "preview/GmFont.h"

#include <QBrush>
#include <QPen>
#include <QPoint>

class TGmPage;
class TGmPageList;
class TGmPreview;

enum TGmCoordsRelative { fromPage, fromPrinterMargins, fromUserMargins, fromHeaderLine };

// The preview's drawing state for the current page and the origin rule
// CoordsRelativeTo; the origin offset is in hundredths of a millimetre.
class TGmCanvas
{
public:
    TGmCanvas(TGmPreview *preview, TGmPageList *pages);
    TGmCanvas(const TGmCanvas &) = delete;
    TGmCanvas &operator=(const TGmCanvas &) = delete;

    TGmPage *CurrentPage() const;

    TGmCoordsRelative CoordsRelativeTo() const { return m_coords; }
    void SetCoordsRelativeTo(TGmCoordsRelative coords);
    QPoint OriginOffset() const { return m_origin; }

    QBrush Brush = QBrush(Qt::NoBrush);
    QPen Pen;
    TGmFont Font;

private:
    TGmPreview *m_preview;
    TGmPageList *m_pages;
    TGmCoordsRelative m_coords = fromPage;
    QPoint m_origin;
};

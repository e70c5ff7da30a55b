#pragma once

#include "preview/GmPreview.h"

#include <QRect>

// Where page `pageNum` goes on its sheet and how much it is reduced, for a
// page of w x h printer pixels. With two pages to a sheet the sheet is the
// page turned; `portraitSheet` tells which way the sheet stands.
struct TGmPrintCell
{
    QRect Rect;
    long double Scale = 1.0L;
};
TGmPrintCell gmPrintCell(TGmPagesPerSheet pagesPerSheet, int pageNum, int w, int h, bool portraitSheet);

// Whether the sheet is full after page `pageNum`.
bool gmSheetFull(TGmPagesPerSheet pagesPerSheet, int pageNum);

#pragma once

#include "preview/GmPrinter.h"
#include "preview/GmValue.h"

#include <QPicture>
#include <QSize>

#include <functional>
#include <memory>
#include <vector>

class QPainter;
class TGmFooter;
class TGmHeader;
class TGmMargins;
class TGmPageList;
class TGmPageTextStore;

enum TGmPaperSize { A3, A4, A5, A6, B5, C5, Legal, Letter, Custom };

// One page of a document: two pictures recorded once and replayed scaled for
// every zoom. Image holds header and footer at the resolution given to
// RenderPage; TextLayer holds the page's flowed text at the printer's
// resolution. Both are rebuilt only when NeedsRender is set.
class TGmPage
{
public:
    explicit TGmPage(TGmPageList *owner);
    ~TGmPage();
    TGmPage(const TGmPage &) = delete;
    TGmPage &operator=(const TGmPage &) = delete;

    void Clear() { MarkChanged(); }
    // Marks the page for rendering, then runs OnPageChanged.
    void MarkChanged();

    const QPicture &Image() const { return m_image; }
    const QPicture &TextLayer() const { return m_textLayer; }
    // Sizes the pictures were recorded for, in their own pixels.
    QSize ImageSize() const { return m_imageSize; }
    QSize TextLayerSize() const { return m_textLayerSize; }

    // The page's own paper size in hundredths of a millimetre: the document's
    // when the orientations agree, else turned.
    qint32 Width() const;
    qint32 Height() const;

    TGmOrientation Orientation() const { return m_orientation; }
    // Stores the orientation; outside BeginUpdate/EndUpdate the document lays out again.
    void SetOrientation(TGmOrientation orientation);
    // Sets the orientation without telling anyone (turning the whole document).
    void setOrientationQuietly(TGmOrientation orientation) { m_orientation = orientation; }

    // Records the page into its pictures at resolution r for paper of
    // `heightInches` x `widthInches`; nothing when NeedsRender is false.
    // Returns whether the page was recorded.
    bool RenderPage(int resolution, long double heightInches, long double widthInches);
    // Draws the page's content on `canvas` (header and footer in pixels at
    // `resolution`) and records the text layer.
    void DrawPage(QPainter *canvas, int resolution, long double heightInches, long double widthInches);

    bool NeedsRender = true;
    int PageNum = 1;
    bool ShowHeader = true;
    bool ShowFooter = true;
    quint32 RenderTime = 0;
    std::function<void(TGmPage *page)> OnPageChanged;

private:
    TGmPageList *m_owner;
    TGmOrientation m_orientation = gmPortrait;
    QPicture m_image;
    QPicture m_textLayer;
    QSize m_imageSize;
    QSize m_textLayerSize;
};

// The document: its pages in order (numbered from 1), the current page, the
// paper size shared by all pages and the document orientation. Header,
// footer, margins and printer belong to the preview; the list only refers
// to them.
class TGmPageList
{
public:
    TGmPageList(TGmMargins *margins, TGmHeader *header, TGmFooter *footer, TGmPrinter *printer);
    ~TGmPageList();
    TGmPageList(const TGmPageList &) = delete;
    TGmPageList &operator=(const TGmPageList &) = delete;

    // Paper size table row (portrait width and height in hundredths of a mm).
    static QSize PaperSizeOf(TGmPaperSize size);

    TGmPage *AddPage();
    // Frees every page; the list stays empty until ResetPages.
    void Clear();
    // One empty page, current page 1, then OnPagesChanged.
    void ResetPages();
    void FreePages();
    void SetPageSize(qint32 width, qint32 height);
    // Ignores indices outside the table (Custom included).
    void SetPaperSize(int index);
    TGmPaperSize PaperSize() const { return m_paperSize; }
    void MarkAllChanged();
    // The page numbered n, or null outside 1..Count().
    TGmPage *GetPage(int n) const;
    // Ignored for the current number and numbers outside 1..Count().
    void SetCurrentPage(int n);
    // Sets the current number without notifying (used inside an update).
    void setCurrentPageQuietly(int n) { m_currentPage = n; }
    int CurrentPage() const { return m_currentPage; }
    TGmPage *CurrentPageObject() const { return GetPage(m_currentPage); }
    int Count() const { return int(m_pages.size()); }
    TGmOrientation Orientation() const { return m_orientation; }
    void SetOrientation(TGmOrientation orientation);

    // Width and height of the paper in the document orientation. Assigning
    // either directly makes the paper size Custom.
    TGmValue PageWidth;
    TGmValue PageHeight;

    // The flowed text per page; null until the text flow installs one.
    TGmPageTextStore *TextStore() const { return m_textStore.get(); }
    void SetTextStore(std::unique_ptr<TGmPageTextStore> store);

    TGmMargins *Margins() const { return m_margins; }
    TGmHeader *Header() const { return m_header; }
    TGmFooter *Footer() const { return m_footer; }
    TGmPrinter *Printer() const { return m_printer; }

    // How many times a page of this list was recorded into its pictures.
    int RenderCount() const { return m_renderCount; }
    void countRender() { ++m_renderCount; }

    // Pages or the current page changed.
    std::function<void(TGmPageList *list)> OnPagesChanged;
    // The paper size or a page's orientation changed.
    std::function<void(TGmPageList *list)> OnLayoutChanged;
    // Whether the owner is inside BeginUpdate/EndUpdate.
    std::function<bool()> IsUpdating;
    // The paper size became Custom through a direct assignment of a size.
    std::function<void()> OnSizeEdited;

private:
    void SizeEdited();
    void pagesChanged();
    void detachSizes();
    void attachSizes();

    std::vector<std::unique_ptr<TGmPage>> m_pages;
    int m_currentPage = 1;
    TGmMargins *m_margins;
    TGmHeader *m_header;
    TGmFooter *m_footer;
    TGmPrinter *m_printer;
    TGmOrientation m_orientation = gmPortrait;
    TGmPaperSize m_paperSize = A4;
    std::unique_ptr<TGmPageTextStore> m_textStore;
    int m_renderCount = 0;
};

#include "preview/GmPage.h"

#include "preview/GmHeaderFooter.h"
#include "preview/GmMargins.h"
#include "preview/GmPageTextStore.h"

#include <QPainter>

#include <chrono>

namespace {

const QSize paperTable[] = {
    {29700, 42000}, // A3
    {21000, 29700}, // A4
    {14850, 21000}, // A5
    {10500, 14850}, // A6
    {17600, 25000}, // B5
    {22900, 16300}, // C5, stored wider than high
    {21590, 35560}, // Legal
    {21590, 27940}, // Letter
};

quint32 tickCount()
{
    using namespace std::chrono;
    return quint32(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

// ---- TGmPage -------------------------------------------------------------------

TGmPage::TGmPage(TGmPageList *owner)
    : m_owner(owner)
{
}

TGmPage::~TGmPage()
{
    OnPageChanged = nullptr;
}

void TGmPage::MarkChanged()
{
    NeedsRender = true;
    if (OnPageChanged)
        OnPageChanged(this);
}

qint32 TGmPage::Width() const
{
    return m_orientation == m_owner->Orientation() ? m_owner->PageWidth.Raw() : m_owner->PageHeight.Raw();
}

qint32 TGmPage::Height() const
{
    return m_orientation == m_owner->Orientation() ? m_owner->PageHeight.Raw() : m_owner->PageWidth.Raw();
}

void TGmPage::SetOrientation(TGmOrientation orientation)
{
    m_orientation = orientation;
    const bool updating = m_owner->IsUpdating && m_owner->IsUpdating();
    if (!updating && m_owner->OnLayoutChanged)
        m_owner->OnLayoutChanged(m_owner);
}

bool TGmPage::RenderPage(int resolution, long double heightInches, long double widthInches)
{
    if (!NeedsRender)
        return false;
    m_image = QPicture();
    m_textLayer = QPicture();
    m_textLayerSize = QSize();
    m_imageSize = QSize(gmNearest(widthInches * resolution), gmNearest(heightInches * resolution));
    {
        QPainter painter(&m_image);
        DrawPage(&painter, resolution, heightInches, widthInches);
    }
    m_image.setBoundingRect(QRect(QPoint(0, 0), m_imageSize));
    NeedsRender = false;
    m_owner->countRender();
    return true;
}

void TGmPage::DrawPage(QPainter *canvas, int resolution, long double heightInches, long double widthInches)
{
    TGmPrinter *printer = m_owner->Printer();
    const int p = printer ? printer->PixelsPerInchX() : 360;
    TGmPageTextStore *store = m_owner->TextStore();
    if (store && store->HasPage(PageNum)) {
        m_textLayer = QPicture();
        m_textLayerSize = QSize(gmNearest(widthInches * p), gmNearest(heightInches * p));
        {
            QPainter text(&m_textLayer);
            store->RenderPage(&text, PageNum);
        }
        m_textLayer.setBoundingRect(QRect(QPoint(0, 0), m_textLayerSize));
    }

    const int r = resolution;
    const int pageRight = gmNearest(widthInches * r);
    const int pageBottom = gmNearest(heightInches * r);
    TGmMargins *margins = m_owner->Margins();
    const int left = margins->Left.AsPixels(r);
    const int right = pageRight - margins->Right.AsPixels(r);

    TGmHeader *header = m_owner->Header();
    if (header && header->Visible() && ShowHeader) {
        const int top = margins->Top.AsPixels(r);
        const int bottom = top + header->Height()->AsPixels(r);
        header->Draw(canvas, r, PageNum, m_owner->Count(), QRect(QPoint(left, top), QSize(right - left, bottom - top)));
    }
    TGmFooter *footer = m_owner->Footer();
    if (footer && footer->Visible() && ShowFooter) {
        const int bottom = pageBottom - margins->Bottom.AsPixels(r);
        const int top = bottom - footer->Height()->AsPixels(r);
        footer->Draw(canvas, r, PageNum, m_owner->Count(), QRect(QPoint(left, top), QSize(right - left, bottom - top)));
    }
    RenderTime = tickCount();
}

// ---- TGmPageList ---------------------------------------------------------------

TGmPageList::TGmPageList(TGmMargins *margins, TGmHeader *header, TGmFooter *footer, TGmPrinter *printer)
    : m_margins(margins)
    , m_header(header)
    , m_footer(footer)
    , m_printer(printer)
{
    PageHeight.SetRaw(16838);
    PageWidth.SetRaw(11906);
    attachSizes();
    m_orientation = gmPortrait;
    AddPage();
    m_currentPage = 1;
    SetPaperSize(A4);
}

TGmPageList::~TGmPageList()
{
    FreePages();
}

QSize TGmPageList::PaperSizeOf(TGmPaperSize size)
{
    return size >= A3 && size < Custom ? paperTable[size] : QSize();
}

void TGmPageList::attachSizes()
{
    PageWidth.OnChange = [this](TGmValue *) { SizeEdited(); };
    PageHeight.OnChange = [this](TGmValue *) { SizeEdited(); };
}

void TGmPageList::detachSizes()
{
    PageWidth.OnChange = nullptr;
    PageHeight.OnChange = nullptr;
}

void TGmPageList::pagesChanged()
{
    if (OnPagesChanged)
        OnPagesChanged(this);
}

TGmPage *TGmPageList::AddPage()
{
    auto page = std::make_unique<TGmPage>(this);
    page->PageNum = Count() + 1;
    page->OnPageChanged = [this](TGmPage *) { pagesChanged(); };
    page->NeedsRender = true;
    TGmPage *added = page.get();
    m_pages.push_back(std::move(page));
    added->SetOrientation(m_orientation);
    MarkAllChanged();
    return added;
}

void TGmPageList::Clear()
{
    FreePages();
}

void TGmPageList::ResetPages()
{
    Clear();
    m_currentPage = 1;
    AddPage();
    pagesChanged();
}

void TGmPageList::FreePages()
{
    while (!m_pages.empty())
        m_pages.pop_back();
}

void TGmPageList::SetPageSize(qint32 width, qint32 height)
{
    detachSizes();
    PageWidth.SetRaw(width);
    PageHeight.SetRaw(height);
    attachSizes();
    if (OnLayoutChanged)
        OnLayoutChanged(this);
}

void TGmPageList::SetPaperSize(int index)
{
    if (index < A3 || index >= Custom)
        return;
    m_paperSize = TGmPaperSize(index);
    const QSize row = paperTable[index];
    const TGmPage *current = CurrentPageObject();
    if (current && current->Orientation() == gmLandscape)
        SetPageSize(row.height(), row.width());
    else
        SetPageSize(row.width(), row.height());
}

void TGmPageList::SizeEdited()
{
    m_paperSize = Custom;
    if (OnSizeEdited)
        OnSizeEdited();
    pagesChanged();
}

void TGmPageList::MarkAllChanged()
{
    for (auto &page : m_pages)
        page->NeedsRender = true;
}

TGmPage *TGmPageList::GetPage(int n) const
{
    if (n < 1 || n > Count())
        return nullptr;
    return m_pages[n - 1].get();
}

void TGmPageList::SetCurrentPage(int n)
{
    if (n == m_currentPage || n < 1 || n > Count())
        return;
    m_currentPage = n;
    pagesChanged();
}

void TGmPageList::SetOrientation(TGmOrientation orientation)
{
    if (orientation == m_orientation)
        return;
    // The sides are compared in twips, as the paper is turned, but the
    // lengths themselves are swapped unchanged: a round trip through twips
    // would turn 210 mm into 210.01 mm.
    const qint32 width = PageWidth.Raw();
    const qint32 height = PageHeight.Raw();
    const bool widthIsLonger = PageWidth.AsTwips() > PageHeight.AsTwips();
    const qint32 longer = widthIsLonger ? width : height;
    const qint32 shorter = widthIsLonger ? height : width;
    detachSizes();
    if (orientation == gmLandscape) {
        PageHeight.SetRaw(shorter);
        PageWidth.SetRaw(longer);
    } else {
        PageHeight.SetRaw(longer);
        PageWidth.SetRaw(shorter);
    }
    attachSizes();
    pagesChanged();
    for (auto &page : m_pages)
        page->setOrientationQuietly(orientation);
    m_orientation = orientation;
}

void TGmPageList::SetTextStore(std::unique_ptr<TGmPageTextStore> store)
{
    m_textStore = std::move(store);
    if (m_textStore)
        m_textStore->OnChange = [this]() { MarkAllChanged(); };
    MarkAllChanged();
}

#include "preview/GmMargins.h"

#include "preview/GmPage.h"
#include "preview/GmPreview.h"

namespace {

QPen defaultMarginPen()
{
    QPen pen(QColor(192, 192, 192));
    pen.setStyle(Qt::DotLine);
    pen.setWidth(0);
    return pen;
}

} // namespace

TGmMargins::TGmMargins(TGmPreview *preview)
    : m_preview(preview)
    , m_pen(defaultMarginPen())
    , m_printerMarginPen(m_pen)
{
    auto notify = [this](TGmValue *) {
        if (!m_assigning)
            Changed();
    };
    for (TGmValue *v : {&Left, &Top, &Right, &Bottom}) {
        v->SetRaw(1905);
        v->OnChange = notify;
    }
}

void TGmMargins::SetPen(const QPen &pen)
{
    gmAssign(m_pen, pen, [this] { Changed(); });
}

void TGmMargins::SetShowPrinterMargins(bool show)
{
    gmAssign(m_showPrinterMargins, show, [this] { Changed(); });
}

void TGmMargins::SetVisible(bool visible)
{
    if (visible == m_visible)
        return;
    m_visible = visible;
    if (m_preview)
        m_preview->RepaintPage();
}

void TGmMargins::Assign(const TGmMargins *source)
{
    if (!source)
        return;
    TGmValueRect::Assign(source);
    m_visible = source->m_visible;
    m_showPrinterMargins = source->m_showPrinterMargins;
    m_pen = source->m_pen;
    m_printerMarginPen = source->m_printerMarginPen;
    Changed();
}

void TGmMargins::Changed()
{
    if (OnChange)
        OnChange();
    if (m_preview) {
        if (TGmPage *page = m_preview->Pages() ? m_preview->Pages()->CurrentPageObject() : nullptr)
            page->MarkChanged();
        m_preview->NotifyLinkedControls(TGmPreview::NotifyMarginsChanged, 0, 0);
    }
}

#pragma once

#include "preview/GmValue.h"

#include <QPen>

#include <functional>

class TGmPreview;

// The four page margins of a preview (0.75 inch each at creation), the pens
// of the margin lines, and whether the lines are drawn. A change of a margin
// or of Pen counts as a change of the margins (see Changed); Visible only
// repaints, as the lines are drawn over the rendered page.
class TGmMargins : public TGmValueRect
{
public:
    // `preview` may be null (a stand-alone margins object).
    explicit TGmMargins(TGmPreview *preview = nullptr);
    TGmMargins(const TGmMargins &) = delete;
    TGmMargins &operator=(const TGmMargins &) = delete;

    QPen Pen() const { return m_pen; }
    void SetPen(const QPen &pen);
    QPen PrinterMarginPen() const { return m_printerMarginPen; }
    void SetPrinterMarginPen(const QPen &pen) { m_printerMarginPen = pen; }
    bool ShowPrinterMargins() const { return m_showPrinterMargins; }
    void SetShowPrinterMargins(bool show);
    bool Visible() const { return m_visible; }
    void SetVisible(bool visible);

    // Copies all settings, then notifies once.
    void Assign(const TGmMargins *source);

    // Runs the owner callback, marks the preview's current page for rendering
    // and tells the preview's linked controls (7043).
    void Changed();

    // Set by the preview to its page refresh.
    std::function<void()> OnChange;

private:
    TGmPreview *m_preview;
    QPen m_pen;
    QPen m_printerMarginPen;
    bool m_showPrinterMargins = false;
    bool m_visible = false;
    bool m_assigning = false;
};

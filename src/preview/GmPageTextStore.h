#pragma once

#include <functional>

class QPainter;

// The flowed text of a document, page by page, as the page list needs it:
// whether a page has text, and drawing that text on a canvas in printer
// pixels (the paper's top-left corner at the origin). The text flow provides
// the implementation and installs it with TGmPageList::SetTextStore; the page
// list sets OnChange so that any change marks every page for rendering.
class TGmPageTextStore
{
public:
    virtual ~TGmPageTextStore() = default;

    virtual bool HasPage(int pageNum) const = 0;
    virtual void RenderPage(QPainter *canvas, int pageNum) = 0;
    // Forgets all text (fires OnChange).
    virtual void Clear() = 0;

    std::function<void()> OnChange;
};

#pragma once

#include "preview/GmFont.h"
#include "preview/GmPreview.h"
#include "preview/GmValue.h"

#include <QObject>
#include <QPointer>
#include <QRect>

#include <functional>

class QPainter;
class QPlainTextEdit;
class TGmRichEdit;
class TGmRtfInformation;

// A text area in device pixels from the paper's top-left corner.
struct TGmTextArea
{
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    // Each side as nearest(side x 1440 / dpi).
    QRect toTwips(int dpi) const;
    bool operator==(const TGmTextArea &other) const;
};

// The area text is measured in when it is flowed: side margins truncated to
// whole pixels at `dpi`, top and bottom (inches) and the paper rounded.
TGmTextArea MeasureTextArea(const TGmPreview *preview, int dpi, long double topInches, long double bottomInches);
// The area a page's text is drawn in: every side rounded to the nearest pixel.
TGmTextArea RenderTextArea(const TGmPreview *preview, int dpi, long double topInches, long double bottomInches);

// Draws the text from `start` to `end` (-1: to the end) into the page's text
// area on `canvas`, in pixels of the preview's printer (its vertical
// resolution), then lets pending events run.
void RenderTextRange(QPainter *canvas, TGmRichEdit *richEdit, TGmPreview *preview, int start, int end,
                     long double topInches, long double bottomInches);

// Flows plain text in one font onto the pages of a preview, measured at the
// printer's resolution so that the preview breaks pages where the printer
// does. Each page's character range goes into the preview's text store (a
// TGmRtfInformation, installed when the preview is linked). The side margins
// come from the preview, top and bottom from this component.
class TGmRtfPreview : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TGmRtfPreview)

public:
    // Fired around each page advance with the component's own margins, which
    // a handler may change for the pages that follow.
    using NewPageEvent = std::function<void(TGmRtfPreview *sender, TGmValue &topMargin, TGmValue &bottomMargin)>;

    explicit TGmRtfPreview(QObject *parent = nullptr);
    ~TGmRtfPreview() override;

    TGmPreview *Preview() const { return m_preview; }
    // Leaves the old preview's linked components and joins the new one's.
    void SetPreview(TGmPreview *preview);

    const TGmFont &TextFileFont() const { return m_font; }
    void SetTextFileFont(const TGmFont &font) { m_font = font; }
    TGmValue &TopMargin() { return m_topMargin; }
    TGmValue &BottomMargin() { return m_bottomMargin; }

    // Flows the memo's whole text into the preview from its current page on;
    // the preview shows that page again afterwards.
    void LoadFromMemo(const QPlainTextEdit *memo);
    void LoadFromText(const QString &text);

    // The preview's text store, installed when it has none yet.
    static TGmRtfInformation *textStoreOf(TGmPreview *preview);

    NewPageEvent BeforeNewPage;
    NewPageEvent OnNewPage;

private:
    void NewPage();

    QPointer<TGmPreview> m_preview;
    TGmFont m_font;
    TGmValue m_topMargin;
    TGmValue m_bottomMargin;
};

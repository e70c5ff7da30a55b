#pragma once

#include "preview/GmFont.h"
#include "preview/GmPageTextStore.h"

#include <QRect>
#include <QString>

#include <memory>
#include <vector>

class QPainter;
class QTextLayout;
class TGmPreview;

// Plain text in one font, broken into lines for a resolution and a width.
// It measures how much text from a position fits into a rectangle and draws a
// range of it, the way the old rich-edit control formatted ranges for a
// printer. Positions count characters of the text; a line break is one
// character and belongs to the line it ends.
class TGmRichEdit
{
public:
    TGmRichEdit() = default;
    TGmRichEdit(const TGmRichEdit &) = delete;
    TGmRichEdit &operator=(const TGmRichEdit &) = delete;

    // Paragraph and line separators become plain line breaks (one character
    // each, so positions do not move).
    void SetText(const QString &text);
    const QString &Text() const { return m_text; }
    int TextLength() const { return int(m_text.size()); }
    void SetFont(const TGmFont &font);
    const TGmFont &Font() const { return m_font; }
    // Forgets the cached line breaks.
    void DiscardLayout();

    // With `canvas` null, measures the text from `start` (up to `end`, -1 for
    // the end of the text) into `twips`, a rectangle in twips from the
    // paper's top-left corner, laid out at `dpi`, and returns the position of
    // the first character that does not fit. At least one line is always
    // taken, so the result is beyond `start` while text remains.
    // With a canvas, draws every line of the range into the rectangle, in
    // device pixels at `dpi`, starting at its top, and returns the position
    // after the last character drawn. Lines are never dropped at the bottom:
    // a page's text is always drawn whole.
    // Returns -1 for a resolution of 0 or below or an empty rectangle.
    int FormatRange(QPainter *canvas, int dpi, const QRect &twips, int start, int end);

private:
    struct Line
    {
        int start;  // first character
        int next;   // position after the line, its line break included
        qreal height;
    };
    struct Paragraph
    {
        int start;
        int length; // without the line break
    };

    void splitParagraphs();
    // The lines for `dpi` and a width of `width` device pixels, cached.
    const std::vector<Line> &lines(int dpi, qreal width);
    void layoutParagraph(QTextLayout &layout, const Paragraph &paragraph, int dpi, qreal width) const;
    int lineIndexAt(const std::vector<Line> &lines, int position) const;
    int paragraphIndexAt(int position) const;

    QString m_text;
    TGmFont m_font;
    std::vector<Paragraph> m_paragraphs;
    std::vector<Line> m_lines;
    int m_linesDpi = 0;
    qreal m_linesWidth = -1;
};

// One page's share of the flowed text.
struct TGmRtfOffset
{
    int PageNum = 0;
    int StartChar = 0;
    int EndChar = 0;        // after the range's last character; -1 up to the end
    long double TopMargin = 0;    // inches
    long double BottomMargin = 0; // inches
};

// The flowed text of a preview's document: one record per page in the order
// they were added, and the text they index. Owned by the preview's page list;
// every change fires OnChange so that the pages render again.
class TGmRtfInformation : public TGmPageTextStore
{
public:
    // `preview` supplies paper, margins and printer when a page is drawn.
    explicit TGmRtfInformation(TGmPreview *preview);
    ~TGmRtfInformation() override;
    TGmRtfInformation(const TGmRtfInformation &) = delete;
    TGmRtfInformation &operator=(const TGmRtfInformation &) = delete;

    int Count() const { return int(m_records.size()); }
    const TGmRtfOffset &Items(int index) const { return m_records.at(std::size_t(index)); }
    void Add(int pageNum, long double topMargin, long double bottomMargin, int start, int end);
    // The last record for `pageNum`, or null.
    const TGmRtfOffset *FindPage(int pageNum) const;

    // The text of the last flow; null before the first.
    TGmRichEdit *RichEdit() const { return m_richEdit.get(); }
    // Frees the old text and starts a new, empty one.
    TGmRichEdit *NewRichEdit();

    // TGmPageTextStore
    bool HasPage(int pageNum) const override { return FindPage(pageNum) != nullptr; }
    void RenderPage(QPainter *canvas, int pageNum) override;
    void Clear() override;

private:
    TGmPreview *m_preview;
    std::vector<TGmRtfOffset> m_records;
    std::unique_ptr<TGmRichEdit> m_richEdit;
};

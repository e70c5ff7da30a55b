#pragma once

#include "preview/GmFont.h"
#include "preview/GmValue.h"

#include <QPen>
#include <QRect>
#include <QString>

#include <functional>

class QPainter;

// Replaces every "{DATE}" (dd-MMM-yyyy, the locale's short month name),
// "{TIME}" (HH:mm), "{PAGE}" and "{NUMPAGES}" in `text`; tokens are matched
// case-sensitively.
QString GmExpandTokens(const QString &text, int pageNum, int numPages);

// One caption of a header or footer: text (tokens allowed) and font.
class TGmHeaderFooterCaption
{
public:
    TGmHeaderFooterCaption() = default;
    TGmHeaderFooterCaption(const TGmHeaderFooterCaption &) = delete;
    TGmHeaderFooterCaption &operator=(const TGmHeaderFooterCaption &) = delete;

    QString Caption() const { return m_caption; }
    // Notifies only when the text differs.
    void SetCaption(const QString &caption);
    const TGmFont &Font() const { return m_font; }
    // Always notifies.
    void SetFont(const TGmFont &font);
    // Copies caption and font without notifying.
    void Assign(const TGmHeaderFooterCaption *source);

    std::function<void()> OnChange;

private:
    QString m_caption;
    TGmFont m_font;
};

// Base of the header and the footer: three captions, an optional rule line.
// An invisible header or footer takes no space (Height 0) and is not drawn.
class TGmHeaderFooter
{
public:
    TGmHeaderFooter();
    virtual ~TGmHeaderFooter() = default;
    TGmHeaderFooter(const TGmHeaderFooter &) = delete;
    TGmHeaderFooter &operator=(const TGmHeaderFooter &) = delete;

    TGmHeaderFooterCaption *CaptionLeft() { return &m_left; }
    TGmHeaderFooterCaption *CaptionCenter() { return &m_center; }
    TGmHeaderFooterCaption *CaptionRight() { return &m_right; }
    const TGmHeaderFooterCaption *CaptionLeft() const { return &m_left; }
    const TGmHeaderFooterCaption *CaptionCenter() const { return &m_center; }
    const TGmHeaderFooterCaption *CaptionRight() const { return &m_right; }

    QPen Pen() const { return m_pen; }
    void SetPen(const QPen &pen);
    bool ShowLine() const { return m_showLine; }
    void SetShowLine(bool show);
    bool Visible() const { return m_visible; }
    void SetVisible(bool visible);

    // The largest of the three caption fonts; equal sizes keep the earlier one.
    const TGmFont &LargestFont() const;
    // The cell height of LargestFont at 96 pixels per inch, as a length; 0
    // when invisible. The returned value is owned and refreshed on each call.
    TGmValue *Height();

    // Copies line, visibility, captions and pen without notifying.
    void Assign(const TGmHeaderFooter *source);
    void Changed();

    // Draws the captions and the rule line into `rect` (device pixels at
    // `resolution`), with the tokens expanded for page `pageNum` of `numPages`.
    virtual void Draw(QPainter *canvas, int resolution, int pageNum, int numPages, const QRect &rect) = 0;

    std::function<void()> OnChange;

protected:
    // Draws one caption with its cell hanging from `y` (hanging) or standing
    // on it; x by `align` within [left, right].
    void drawCaption(QPainter *canvas, const TGmHeaderFooterCaption &caption, int resolution, int pageNum,
                     int numPages, int left, int right, Qt::Alignment align, bool hanging, int y);
    void beginDraw(QPainter *canvas);
    // Draws the three captions between the rectangle's sides, hanging from
    // `y` or standing on it, and the rule line along `y`.
    void drawAlong(QPainter *canvas, int resolution, int pageNum, int numPages, const QRect &rect, bool hanging, int y);

private:
    TGmHeaderFooterCaption m_left;
    TGmHeaderFooterCaption m_center;
    TGmHeaderFooterCaption m_right;
    QPen m_pen;
    bool m_showLine = true;
    bool m_visible = false;
    TGmValue m_height;
};

// Captions standing on the bottom of their rectangle, the rule line under them.
class TGmHeader : public TGmHeaderFooter
{
public:
    void Draw(QPainter *canvas, int resolution, int pageNum, int numPages, const QRect &rect) override;
};

// Captions hanging from the top of their rectangle, the rule line above them.
class TGmFooter : public TGmHeaderFooter
{
public:
    void Draw(QPainter *canvas, int resolution, int pageNum, int numPages, const QRect &rect) override;
};

#pragma once

#include "preview/GmValue.h"

#include <QMargins>
#include <QPoint>
#include <QWidget>

class QPicture;
class TGmMargins;
class TGmPageList;
class TGmPreview;

// A blank sheet of paper: white with a black border and a drop shadow,
// inside a free space of Gutter pixels on every side.
class TGmBasePageCanvas : public QWidget
{
    Q_OBJECT

public:
    explicit TGmBasePageCanvas(TGmShadow *shadow, QWidget *parent = nullptr);

    // Draws the sheet with its top-left free space at (x, y).
    void DrawPaper(int x, int y, QPainter *canvas);

    int Gutter() const { return m_gutter; }
    TGmShadow *Shadow() const { return m_shadow; }
    QMargins Inset() const { return m_inset; }
    void SetInset(const QMargins &inset) { m_inset = inset; }

protected:
    void paintEvent(QPaintEvent *event) override;

    int m_gutter = 0;

private:
    TGmShadow *m_shadow;
    QMargins m_inset;
};

// The current page of a preview: sized from the paper and the zoom at 96
// pixels per inch, it replays the page's recorded pictures stretched into the
// sheet, draws the margin lines and maps mouse positions to hundredths of a
// millimetre on the paper.
class TGmPageCanvas : public TGmBasePageCanvas
{
    Q_OBJECT

public:
    TGmPageCanvas(TGmPreview *preview, TGmPageList *pages, TGmMargins *margins, TGmShadow *shadow,
                  QWidget *parent = nullptr);

    // Width and height of the paper in twips at zoom factor `factor`.
    void SetZoomSize(int widthTwips, int heightTwips, long double factor);
    // Ignored when negative; otherwise re-sizes for the current page.
    void SetGutter(int gutter);
    long double ZoomFactor() const { return m_zoomFactor; }
    bool IsOnPaper(int x, int y) const;
    // The sheet's rectangle inside the gutter and the shadow.
    QRect PageRect() const;

    const QPicture *PageImage = nullptr;
    QPoint LastPress;
    TGmValue X;
    TGmValue Y;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // Sets X and Y from a position in pixels of this control.
    void mapToPaper(long double x, long double y);

    TGmPreview *m_preview;
    TGmPageList *m_pages;
    TGmMargins *m_margins;
    long double m_zoomFactor = 1.0L;
};

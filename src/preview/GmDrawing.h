#pragma once

#include <QPoint>
#include <QRect>
#include <QString>

class QBrush;
class QFont;
class QObject;
class QPainter;
struct TGmFont;

// Drawing routines shared by the header and footer, the preview and printing.
// A scale of exactly 0 means "no scaling": the input is passed through.
QPoint ScalePoint(const QPoint &p, long double scale);
QRect ScaleRect(const QRect &r, long double scale);
// Subtracts p.x from left and right and p.y from top and bottom, in place.
void ShiftRect(QRect &r, const QPoint &p);

// Assigns `font` (when given) to the canvas and returns the canvas font's cell
// height (ascent plus descent) in device units.
int FontHeight(const QFont *font, QPainter *canvas);

// Writes one line of text with its cell's top-left corner at (x, y), in `font`
// at `dpi` (a font given in points is sized for that resolution). A brush with
// a style other than NoBrush first fills the glyph outlines in the brush
// colour. With colourAsPath a coloured font is written as filled glyph
// outlines in the font colour and a black one as plain text; a system colour
// (negative value) in `font` is changed to black first. Without a font the
// canvas's current font and pen are used.
void PrintTextOut(QPainter *canvas, int x, int y, const QString &text, TGmFont *font, const QBrush *brush,
                  bool colourAsPath, int dpi);

// Information box reading "<class name> Error...", two line breaks, then the
// message. The class name of the application object is "TApplication".
void ShowEngineError(const QObject *component, const QString &message);
void ShowEngineError(const QString &className, const QString &message);
// The message alone in the same kind of box.
void ShowEngineMessage(const QString &message);

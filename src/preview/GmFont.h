#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QtGlobal>

// A font as the engine stores it: name, size in points, style and colour as
// the old integer colour value (red in the low byte, then green, then blue; a
// negative value is a system colour). toQFont gives a font with a pixel size
// for one resolution, so that text measured on the printer, recorded into a
// picture and replayed keeps its size.
struct TGmFont
{
    QString Name = QStringLiteral("Arial");
    int Size = 12; // points
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    qint32 Color = 0;

    // The font for a device of `dpi` pixels per inch (pixel size = points x dpi / 72).
    QFont toQFont(int dpi) const;
    // The colour; a system colour (negative value) reads as black.
    QColor qColor() const;

    bool operator==(const TGmFont &other) const;
    bool operator!=(const TGmFont &other) const { return !(*this == other); }
};

// The old integer colour value of a colour, and back.
qint32 gmColorValue(const QColor &color);
QColor gmColorFromValue(qint32 value);

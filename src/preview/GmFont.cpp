#include "preview/GmFont.h"

#include "preview/GmValue.h"

#include <QGuiApplication>

QFont TGmFont::toQFont(int dpi) const
{
    // A font without a name (an empty FontName setting) takes the default
    // family: a nameless font cannot be recorded into a page picture.
    QString family = Name;
    if (family.trimmed().isEmpty())
        family = QGuiApplication::font().family();
    if (family.trimmed().isEmpty())
        family = QStringLiteral("Sans Serif");
    QFont font(family);
    font.setPixelSize(qMax(1, gmNearest(static_cast<long double>(Size) * dpi / 72)));
    font.setBold(Bold);
    font.setItalic(Italic);
    font.setUnderline(Underline);
    font.setStrikeOut(StrikeOut);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

QColor TGmFont::qColor() const
{
    return gmColorFromValue(Color < 0 ? 0 : Color);
}

bool TGmFont::operator==(const TGmFont &other) const
{
    return Name == other.Name && Size == other.Size && Bold == other.Bold && Italic == other.Italic
        && Underline == other.Underline && StrikeOut == other.StrikeOut && Color == other.Color;
}

qint32 gmColorValue(const QColor &color)
{
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}

QColor gmColorFromValue(qint32 value)
{
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

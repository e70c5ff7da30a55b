#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QWidget>

// Colours and fonts shared by the program's windows and dialogs.
namespace RecipeStyle {

// Colours are exchanged as the old integer value: red in the low byte, then
// green, then blue. $800000 is navy, $EFEFEF light grey.
inline constexpr int Navy = 0x800000;
inline constexpr int LightGrey = 0xEFEFEF;

inline QColor colorFromValue(int value)
{
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

inline int valueFromColor(const QColor &color)
{
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}

// "MS Sans Serif" (or the system's nearest font) at a pixel height.
inline QFont sansSerif(int pixelSize)
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(pixelSize);
    return font;
}

// Sets `role` for enabled controls only (in active and inactive windows): a
// disabled control keeps the style's disabled colour and looks disabled.
inline void setEnabledColor(QPalette &palette, QPalette::ColorRole role, const QColor &color)
{
    palette.setColor(QPalette::Active, role, color);
    palette.setColor(QPalette::Inactive, role, color);
}

inline void setTextColor(QWidget *widget, int value)
{
    QPalette palette = widget->palette();
    const QColor color = colorFromValue(value);
    setEnabledColor(palette, QPalette::WindowText, color);
    setEnabledColor(palette, QPalette::Text, color);
    setEnabledColor(palette, QPalette::ButtonText, color);
    widget->setPalette(palette);
}

// Navy text in "MS Sans Serif" at `pixelSize`.
inline void setNavyText(QWidget *widget, int pixelSize = 13)
{
    widget->setFont(sansSerif(pixelSize));
    setTextColor(widget, Navy);
}

} // namespace RecipeStyle

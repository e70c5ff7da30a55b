#pragma once

#include <QColor>
#include <QtGlobal>

#include <functional>

// Sets `field` to `value` and calls `changed` when that changed it.
template <typename T, typename Changed>
void gmAssign(T &field, const T &value, Changed &&changed)
{
    if (field == value)
        return;
    field = value;
    changed();
}

// Rounding used throughout the engine: to the nearest integer with halves
// going to the even neighbour (2.5 -> 2, 3.5 -> 4). Results outside the 32-bit
// range are clamped instead of overflowing.
qint32 gmNearest(long double x);
// Drops the fraction towards zero, clamped like gmNearest.
qint32 gmTruncate(long double x);

// The units understood by ConvertValue.
enum TGmUnit {
    gmUnitHundredthMm = 0, // the stored unit
    gmUnitPixels = 1,      // screen pixels at the primary screen's pixels per inch
    gmUnitMm = 2,
    gmUnitCm = 3,
    gmUnitInches = 4,
    gmUnitTwips = 5 // 1/1440 inch
};

// Converts x from the unit code `from` to the unit code `to` through
// hundredths of a millimetre. An unknown `from` takes x as hundredths, an
// unknown `to` returns the hundredths. Nothing is rounded.
long double ConvertValue(long double x, int from, int to);

// Pixels per inch of the primary screen (96 without a screen).
int gmScreenPixelsPerInch();

// A length: a signed 32-bit amount of hundredths of a millimetre. Every setter
// fires OnChange after storing, even when the amount stays the same; readers
// and Assign fire nothing. Owned by another engine object, never copied.
class TGmValue
{
public:
    using Notify = std::function<void(TGmValue *sender)>;

    TGmValue() = default;
    TGmValue(qint32 amount, Notify onChange);
    TGmValue(const TGmValue &) = delete;
    TGmValue &operator=(const TGmValue &) = delete;

    // Copies the amount of `source`; a null source changes nothing.
    void Assign(const TGmValue *source);

    void SetRaw(qint32 amount);
    void SetAsMillimetres(long double mm);
    void SetAsInches(long double inches);
    void SetAsTwips(long double twips);
    // amount = nearest(pixels x 2540 / dpi). A resolution of 0 or below has no
    // meaning and stores 0.
    void SetAsPixels(int dpi, int pixels);

    qint32 Raw() const { return m_amount; }
    long double AsMillimetres() const { return m_amount / 100.0L; }
    long double AsInches() const { return m_amount / 100.0L / 25.4L; }
    qint32 AsTwips() const;
    qint32 AsPixels(int dpi) const;

    Notify OnChange;

private:
    void changed();

    qint32 m_amount = 0;
};

// Four lengths, Left, Top, Right, Bottom, sharing one change notification.
class TGmValueRect
{
public:
    TGmValueRect() = default;
    // Each side takes the given amount (hundredths of a mm) and the notification.
    TGmValueRect(qint32 left, qint32 top, qint32 right, qint32 bottom, const TGmValue::Notify &onChange);
    TGmValueRect(const TGmValueRect &) = delete;
    TGmValueRect &operator=(const TGmValueRect &) = delete;

    // Copies all four amounts without notifying.
    void Assign(const TGmValueRect *source);

    TGmValue Left;
    TGmValue Top;
    TGmValue Right;
    TGmValue Bottom;
};

// The drop shadow drawn beside the paper in the preview. Each setter fires
// OnChange only when the value differs from the old one.
class TGmShadow
{
public:
    using Notify = std::function<void(TGmShadow *sender)>;

    TGmShadow() = default;
    TGmShadow(const TGmShadow &) = delete;
    TGmShadow &operator=(const TGmShadow &) = delete;

    void Assign(const TGmShadow *source);

    QColor Color() const { return m_color; }
    void SetColor(const QColor &color);
    // Width in screen pixels.
    int Width() const { return m_width; }
    void SetWidth(int width);
    bool Visible() const { return m_visible; }
    void SetVisible(bool visible);

    Notify OnChange;

private:
    void changed();

    QColor m_color = Qt::black;
    int m_width = 3;
    bool m_visible = true;
};

#include "preview/GmValue.h"

#include <QGuiApplication>
#include <QScreen>

#include <cfenv>
#include <cmath>
#include <limits>

namespace {

qint32 clampToInt(long double x)
{
    if (std::isnan(x))
        return 0;
    constexpr long double lo = std::numeric_limits<qint32>::min();
    constexpr long double hi = std::numeric_limits<qint32>::max();
    if (x <= lo)
        return std::numeric_limits<qint32>::min();
    if (x >= hi)
        return std::numeric_limits<qint32>::max();
    return static_cast<qint32>(x);
}

} // namespace

qint32 gmNearest(long double x)
{
    // nearbyint rounds halves to even in the default rounding mode; the mode is
    // set here so that a library that changed it cannot change our results.
    const int saved = std::fegetround();
    if (saved != FE_TONEAREST)
        std::fesetround(FE_TONEAREST);
    const long double r = std::nearbyintl(x);
    if (saved != FE_TONEAREST)
        std::fesetround(saved);
    return clampToInt(r);
}

qint32 gmTruncate(long double x)
{
    return clampToInt(std::truncl(x));
}

int gmScreenPixelsPerInch()
{
    if (qGuiApp) {
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            return qRound(screen->logicalDotsPerInchX());
    }
    return 96;
}

long double ConvertValue(long double x, int from, int to)
{
    const long double dpi = gmScreenPixelsPerInch();
    long double h = x;
    switch (from) {
    case gmUnitHundredthMm:
        break;
    case gmUnitPixels:
        h = x * 100 * 25.4L / dpi;
        break;
    case gmUnitMm:
        h = x * 100;
        break;
    case gmUnitCm:
        h = x * 1000;
        break;
    case gmUnitInches:
        h = x * 100 * 25.4L;
        break;
    case gmUnitTwips:
        h = x / 1440 * 25.4L * 100;
        break;
    default:
        break;
    }
    switch (to) {
    case gmUnitPixels:
        return h / 100 / 25.4L * dpi;
    case gmUnitMm:
        return h / 100;
    case gmUnitCm:
        return h / 1000;
    case gmUnitInches:
        return h / 100 / 25.4L;
    case gmUnitTwips:
        return h / 100 / 25.4L * 1440;
    default:
        return h;
    }
}

// ---- TGmValue ---------------------------------------------------------------

TGmValue::TGmValue(qint32 amount, Notify onChange)
    : OnChange(std::move(onChange))
    , m_amount(amount)
{
}

void TGmValue::Assign(const TGmValue *source)
{
    if (source)
        m_amount = source->m_amount;
}

void TGmValue::SetRaw(qint32 amount)
{
    m_amount = amount;
    changed();
}

void TGmValue::SetAsMillimetres(long double mm)
{
    m_amount = gmNearest(mm * 100);
    changed();
}

void TGmValue::SetAsInches(long double inches)
{
    m_amount = gmNearest(inches * 100 * 25.4L);
    changed();
}

void TGmValue::SetAsTwips(long double twips)
{
    m_amount = gmNearest(twips / 1440 * 25.4L * 100);
    changed();
}

void TGmValue::SetAsPixels(int dpi, int pixels)
{
    // The product is taken in 64 bits so that large pixel counts cannot wrap.
    m_amount = dpi > 0 ? gmNearest(static_cast<long double>(static_cast<qint64>(pixels) * 2540) / dpi) : 0;
    changed();
}

qint32 TGmValue::AsTwips() const
{
    return gmNearest(m_amount / 100.0L / 25.4L * 1440);
}

qint32 TGmValue::AsPixels(int dpi) const
{
    return gmNearest(m_amount / 2540.0L * dpi);
}

void TGmValue::changed()
{
    if (OnChange)
        OnChange(this);
}

// ---- TGmValueRect -----------------------------------------------------------

TGmValueRect::TGmValueRect(qint32 left, qint32 top, qint32 right, qint32 bottom, const TGmValue::Notify &onChange)
    : Left(left, onChange)
    , Top(top, onChange)
    , Right(right, onChange)
    , Bottom(bottom, onChange)
{
}

void TGmValueRect::Assign(const TGmValueRect *source)
{
    if (!source)
        return;
    Left.Assign(&source->Left);
    Top.Assign(&source->Top);
    Right.Assign(&source->Right);
    Bottom.Assign(&source->Bottom);
}

// ---- TGmShadow --------------------------------------------------------------

void TGmShadow::Assign(const TGmShadow *source)
{
    if (!source)
        return;
    SetColor(source->m_color);
    SetWidth(source->m_width);
    SetVisible(source->m_visible);
}

void TGmShadow::SetColor(const QColor &color)
{
    gmAssign(m_color, color, [this] { changed(); });
}

void TGmShadow::SetWidth(int width)
{
    gmAssign(m_width, width, [this] { changed(); });
}

void TGmShadow::SetVisible(bool visible)
{
    gmAssign(m_visible, visible, [this] { changed(); });
}

void TGmShadow::changed()
{
    if (OnChange)
        OnChange(this);
}

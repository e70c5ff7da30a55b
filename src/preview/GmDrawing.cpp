#include "preview/GmDrawing.h"

#include "preview/GmFont.h"
#include "preview/GmMessages.h"
#include "preview/GmValue.h"

#include <QBrush>
#include <QFont>
#include <QFontMetrics>
#include <QMetaObject>
#include <QObject>
#include <QPainter>
#include <QPainterPath>

QPoint ScalePoint(const QPoint &p, long double scale)
{
    if (scale == 0)
        return p;
    return QPoint(gmNearest(p.x() * scale), gmNearest(p.y() * scale));
}

QRect ScaleRect(const QRect &r, long double scale)
{
    if (scale == 0)
        return r;
    // Corners as left/top and right/bottom sides, not QRect's inclusive ones.
    const QPoint topLeft = ScalePoint(QPoint(r.left(), r.top()), scale);
    const QPoint bottomRight = ScalePoint(QPoint(r.left() + r.width(), r.top() + r.height()), scale);
    return QRect(topLeft, QSize(bottomRight.x() - topLeft.x(), bottomRight.y() - topLeft.y()));
}

void ShiftRect(QRect &r, const QPoint &p)
{
    r.translate(-p.x(), -p.y());
}

int FontHeight(const QFont *font, QPainter *canvas)
{
    if (font)
        canvas->setFont(*font);
    const QFontMetrics metrics = canvas->fontMetrics();
    return metrics.ascent() + metrics.descent();
}

void PrintTextOut(QPainter *canvas, int x, int y, const QString &text, TGmFont *font, const QBrush *brush,
                  bool colourAsPath, int dpi)
{
    if (font)
        canvas->setFont(font->toQFont(dpi));
    const QFont qfont = canvas->font();
    const QPointF baseline(x, y + canvas->fontMetrics().ascent());
    auto textPath = [&]() {
        QPainterPath path;
        path.addText(baseline, qfont, text);
        return path;
    };
    auto plain = [&]() {
        if (brush)
            canvas->setBrush(*brush);
        canvas->save();
        if (font)
            canvas->setPen(font->qColor());
        canvas->drawText(baseline, text);
        canvas->restore();
    };

    if (brush && brush->style() != Qt::NoBrush)
        canvas->fillPath(textPath(), brush->color());

    if (!colourAsPath || !font) {
        plain();
        return;
    }
    if (font->Color < 0)
        font->Color = 0;
    if (font->Color != 0) {
        canvas->save();
        canvas->setBackgroundMode(Qt::TransparentMode);
        canvas->setPen(Qt::NoPen);
        canvas->fillPath(textPath(), font->qColor());
        canvas->restore();
    } else {
        plain();
    }
}

void ShowEngineError(const QString &className, const QString &message)
{
    GmMessages::show(className + QStringLiteral(" Error...\n\n") + message);
}

void ShowEngineError(const QObject *component, const QString &message)
{
    ShowEngineError(component ? QString::fromLatin1(component->metaObject()->className()) : QString(), message);
}

void ShowEngineMessage(const QString &message)
{
    GmMessages::show(message);
}

#include "platform/URLLabel.h"

#include <QDesktopServices>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPalette>
#include <QUrl>

namespace {

ShellOpen::Opener &installedOpener()
{
    static ShellOpen::Opener opener;
    return opener;
}

} // namespace

namespace ShellOpen {

void open(const QString &address)
{
    if (installedOpener()) {
        installedOpener()(address);
        return;
    }
    QDesktopServices::openUrl(QUrl(address, QUrl::TolerantMode));
}

void setOpener(Opener opener)
{
    installedOpener() = std::move(opener);
}

} // namespace ShellOpen

TLinkLabel::TLinkLabel(const QString &scheme, const QString &address, bool hoverWhenDisabled, QWidget *parent)
    : QLabel(parent), m_scheme(scheme), m_hoverWhenDisabled(hoverWhenDisabled)
{
    setCursor(Qt::PointingHandCursor);
    setFontColor(m_colorOut);
    setAddress(address);
}

void TLinkLabel::setAddress(const QString &address)
{
    m_address = address;
    setText(address);
}

void TLinkLabel::setFontColorOut(const QColor &color)
{
    m_colorOut = color;
    setFontColor(color);
}

void TLinkLabel::setParentfont(bool parentFont)
{
    if (parentFont)
        setFont(QFont()); // resets the explicit font, the parent's is used again
    else
        setFont(font());
}

QColor TLinkLabel::fontColor() const
{
    return palette().color(QPalette::Active, QPalette::WindowText);
}

void TLinkLabel::setFontColor(const QColor &color)
{
    // The disabled group keeps the style's grey text, as a disabled label has.
    QPalette p = palette();
    p.setColor(QPalette::Active, QPalette::WindowText, color);
    p.setColor(QPalette::Inactive, QPalette::WindowText, color);
    setPalette(p);
}

QString TLinkLabel::clickAddress() const
{
    const QString caption = text();
    if (caption.startsWith(m_scheme, Qt::CaseInsensitive))
        return caption;
    if (m_scheme == QLatin1String("http://") && caption.startsWith(QLatin1String("https://"), Qt::CaseInsensitive))
        return caption;
    return m_scheme + caption;
}

void TLinkLabel::Click()
{
    ShellOpen::open(clickAddress());
    m_colorOut = m_colorAfter;
}

void TLinkLabel::MouseEnter()
{
    m_mouseOver = true;
    emit OnMouseOver(this);
    if (m_hoverWhenDisabled) {
        setFontColor(m_colorIn);
        if (isEnabled())
            setUnderlineStyle(m_underline);
    } else if (isEnabled()) {
        setFontColor(m_colorIn);
        setUnderlineStyle(m_underline);
    }
}

void TLinkLabel::MouseLeave()
{
    m_mouseOver = false;
    emit OnMouseOut(this);
    setFontColor(m_colorOut);
    setUnderlineStyle(false);
}

void TLinkLabel::enterEvent(QEnterEvent *event)
{
    QLabel::enterEvent(event);
    MouseEnter();
}

void TLinkLabel::leaveEvent(QEvent *event)
{
    QLabel::leaveEvent(event);
    MouseLeave();
}

void TLinkLabel::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    QLabel::mouseReleaseEvent(event);
    if (click)
        Click();
}

void TLinkLabel::setUnderlineStyle(bool underline)
{
    QFont f = font();
    f.setBold(false);
    f.setItalic(false);
    f.setStrikeOut(false);
    f.setUnderline(underline);
    setFont(f);
}

QString TURLLabel::defaultURL()
{
    return QStringLiteral("www.example.org");
}

TURLLabel::TURLLabel(QWidget *parent) : TLinkLabel(QStringLiteral("http://"), defaultURL(), true, parent) { }

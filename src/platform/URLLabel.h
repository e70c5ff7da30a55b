#pragma once

#include <QColor>
#include <QLabel>
#include <QString>
#include <QStringList>

#include <functional>

// The shell's "open" of a web or mail address. The program opens addresses
// only through here, so that tests can watch what would be opened instead of
// starting a browser or a mail program.
namespace ShellOpen {

// Receives the full address text ("http://..." or "mailto:...").
using Opener = std::function<void(const QString &address)>;

// Opens `address` with the desktop's default handler (QDesktopServices), or
// hands it to the opener installed by a test. The answer is not reported.
void open(const QString &address);

// Replaces the real opener; an empty function restores it.
void setOpener(Opener opener);

} // namespace ShellOpen

// A text label that works as a hyperlink: a click opens the scheme + its text.
// While the pointer is over it the text takes the "in" colour and, when
// `Underline` is set, an underline; leaving restores the "out" colour with no
// style. After a click the "out" colour becomes the "after" colour for good.
//
// Style changes replace the whole font style, so bold or italic set on the
// label are lost at the first hover or leave.
class TLinkLabel : public QLabel
{
    Q_OBJECT
    Q_PROPERTY(QColor FontColorin READ FontColorin WRITE setFontColorin)
    Q_PROPERTY(QColor FontColorOut READ FontColorOut WRITE setFontColorOut)
    Q_PROPERTY(QColor FontColorAfter READ FontColorAfter WRITE setFontColorAfter)
    Q_PROPERTY(bool Underline READ Underline WRITE setUnderline)
    Q_PROPERTY(bool Parentfont READ Parentfont WRITE setParentfont)

public:
    QColor FontColorin() const { return m_colorIn; }
    void setFontColorin(const QColor &color) { m_colorIn = color; }
    QColor FontColorOut() const { return m_colorOut; }
    // Also gives the text this colour at once.
    void setFontColorOut(const QColor &color);
    QColor FontColorAfter() const { return m_colorAfter; }
    void setFontColorAfter(const QColor &color) { m_colorAfter = color; }
    bool Underline() const { return m_underline; }
    void setUnderline(bool underline) { m_underline = underline; }
    // Whether the label takes the font of its parent.
    bool Parentfont() const { return !testAttribute(Qt::WA_SetFont); }
    void setParentfont(bool parentFont);

    // The colour the text is drawn in while the label is enabled.
    QColor fontColor() const;
    void setFontColor(const QColor &color);

    // Whether the pointer is over the label.
    bool isMouseOver() const { return m_mouseOver; }

    // The address without its scheme; setting it makes it the caption too.
    QString address() const { return m_address; }
    void setAddress(const QString &address);

    // The address a click opens: the scheme + the caption. A caption that
    // already starts with the scheme is opened as it is, never with the
    // scheme twice.
    QString clickAddress() const;

signals:
    void OnMouseOver(QObject *sender);
    void OnMouseOut(QObject *sender);

public slots:
    // Opens the address and makes the "after" colour the "out" colour (the
    // text keeps its colour until the pointer leaves).
    void Click();
    // The pointer enters and leaves; the widget's enter and leave events run them.
    void MouseEnter();
    void MouseLeave();

protected:
    // A label showing `address` until another is set.
    TLinkLabel(const QString &scheme, const QString &address, bool hoverWhenDisabled, QWidget *parent);

    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

    // Replaces the font style by underline alone, or by no style.
    void setUnderlineStyle(bool underline);

private:
    QString m_scheme;
    QString m_address;
    // A disabled web label still changes colour on hover; a mail label does not.
    bool m_hoverWhenDisabled;
    QColor m_colorIn {0, 0, 255};
    QColor m_colorOut {0, 0, 0};
    QColor m_colorAfter {128, 0, 0};
    bool m_underline = true;
    bool m_mouseOver = false;
    bool m_pressed = false;
};

// A label that opens "http://" + its text in the web browser.
class TURLLabel : public TLinkLabel
{
    Q_OBJECT
    Q_PROPERTY(QString URL READ address WRITE setAddress)

public:
    // The address a new label shows until one is assigned.
    static QString defaultURL();

    explicit TURLLabel(QWidget *parent = nullptr);

    void setURL(const QString &url) { setAddress(url); }
};

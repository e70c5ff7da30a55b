#include "settings/FormAbout.h"

#include "platform/DialogParts.h"
#include "platform/EMailLabel.h"
#include "platform/URLLabel.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#ifndef MEALDECK_HOME_PAGE
#define MEALDECK_HOME_PAGE "mealdeck.example.org"
#endif
#ifndef MEALDECK_CONTACT_ADDRESS
#define MEALDECK_CONTACT_ADDRESS "saffrona@example.org"
#endif

namespace {

// The links keep this colour in and out; only the underline shows the hover.
const QColor linkBlue(0, 0, 160);

QLabel *centredLabel(QWidget *parent, const char *name, const QString &text, int pixelSize, bool bold,
                     const QRect &geometry)
{
    QLabel *label = DialogParts::centredLabel(parent, name, geometry, text);
    QFont f = label->font();
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    label->setFont(f);
    return label;
}

template<typename Link> void styleLink(Link *link, const QRect &geometry)
{
    link->setFontColorin(linkBlue);
    link->setFontColorOut(linkBlue);
    link->setFontColorAfter(linkBlue);
    QFont f = link->font();
    f.setUnderline(true);
    link->setFont(f);
    link->move(geometry.topLeft());
    link->setMinimumHeight(geometry.height());
    link->adjustSize();
}

} // namespace

TFormAbout::TFormAbout(QWidget *parent) : SmallDialog(parent)
{
    DialogParts::setUp(this, "FormAbout", QStringLiteral("Saffrona's Mealdeck   -   About"), 13);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    resize(432, 280);

    DialogParts::setNavy(this, {QPalette::WindowText, QPalette::ButtonText});
    setAutoFillBackground(true);

    Bevel1 = DialogParts::bevel(this, QRect(8, 8, 416, 212));

    ImageAbout = new QLabel(this);
    ImageAbout->setObjectName(QStringLiteral("ImageAbout"));
    ImageAbout->setGeometry(24, 24, 180, 180);
    ImageAbout->setScaledContents(true);
    ImageAbout->setPixmap(QPixmap(QStringLiteral(":/pictures/dialogs/about.jpg")));

    Label1 = centredLabel(this, "Label1", QStringLiteral("Saffrona's"), 19, true, QRect(212, 32, 204, 26));
    Label7 = centredLabel(this, "Label7", QStringLiteral("Mealdeck"), 19, true, QRect(212, 58, 204, 26));
    Label2 = centredLabel(this, "Label2", QStringLiteral("Version 1.1.0.14"), 13, false, QRect(212, 96, 204, 20));

    Label5 = DialogParts::label(this, "Label5", QStringLiteral("Email:"), QRect(216, 148, 44, 20));
    EMailLabel1 = new TEMailLabel(this);
    EMailLabel1->setObjectName(QStringLiteral("EMailLabel1"));
    EMailLabel1->setEMailAddress(contactAddress());
    styleLink(EMailLabel1, QRect(262, 148, 150, 20));

    Label6 = DialogParts::label(this, "Label6", QStringLiteral("Www:"), QRect(216, 174, 44, 20));
    URLLabel1 = new TURLLabel(this);
    URLLabel1->setObjectName(QStringLiteral("URLLabel1"));
    URLLabel1->setURL(homePage());
    styleLink(URLLabel1, QRect(262, 174, 150, 20));

    BitBtnAbout
        = DialogParts::bitButton(this, "BitBtnAbout", QStringLiteral("     &OK"), QStringLiteral("ok"),
                                 QRect(170, 236, 92, 28), DialogParts::Enter::Default, [this] { BitBtnAboutClick(); });
}

QString TFormAbout::homePage()
{
    return QStringLiteral(MEALDECK_HOME_PAGE);
}

QString TFormAbout::contactAddress()
{
    return QStringLiteral(MEALDECK_CONTACT_ADDRESS);
}

void TFormAbout::BitBtnAboutClick()
{
    done(QDialog::Accepted);
}

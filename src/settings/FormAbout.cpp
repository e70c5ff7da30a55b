#include "settings/FormAbout.h"

#include "platform/EMailLabel.h"
#include "platform/URLLabel.h"
#include "recipe/RecipeStyle.h"

#include <QFrame>
#include <QIcon>
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

const QColor navy(0, 0, 128);
// The links keep this colour in and out; only the underline shows the hover.
const QColor linkBlue(0, 0, 160);

QLabel *centredLabel(QWidget *parent, const char *name, const QString &text, int pixelSize, bool bold,
                     const QRect &geometry)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    QFont f = label->font();
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    label->setFont(f);
    label->setGeometry(geometry);
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

TFormAbout::TFormAbout(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormAbout"));
    setWindowTitle(QStringLiteral("Saffrona's Mealdeck   -   About"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    resize(432, 280);

    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPixelSize(13);
    setFont(f);
    QPalette p = palette();
    RecipeStyle::setEnabledColor(p, QPalette::WindowText, navy);
    RecipeStyle::setEnabledColor(p, QPalette::ButtonText, navy);
    setPalette(p);
    setAutoFillBackground(true);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::Box);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(8, 8, 416, 212);

    ImageAbout = new QLabel(this);
    ImageAbout->setObjectName(QStringLiteral("ImageAbout"));
    ImageAbout->setGeometry(24, 24, 180, 180);
    ImageAbout->setScaledContents(true);
    ImageAbout->setPixmap(QPixmap(QStringLiteral(":/pictures/dialogs/about.jpg")));

    Label1 = centredLabel(this, "Label1", QStringLiteral("Saffrona's"), 19, true, QRect(212, 32, 204, 26));
    Label7 = centredLabel(this, "Label7", QStringLiteral("Mealdeck"), 19, true, QRect(212, 58, 204, 26));
    Label2 = centredLabel(this, "Label2", QStringLiteral("Version 1.1.0.14"), 13, false, QRect(212, 96, 204, 20));

    Label5 = new QLabel(QStringLiteral("Email:"), this);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->setGeometry(216, 148, 44, 20);
    EMailLabel1 = new TEMailLabel(this);
    EMailLabel1->setObjectName(QStringLiteral("EMailLabel1"));
    EMailLabel1->setEMailAddress(contactAddress());
    styleLink(EMailLabel1, QRect(262, 148, 150, 20));

    Label6 = new QLabel(QStringLiteral("Www:"), this);
    Label6->setObjectName(QStringLiteral("Label6"));
    Label6->setGeometry(216, 174, 44, 20);
    URLLabel1 = new TURLLabel(this);
    URLLabel1->setObjectName(QStringLiteral("URLLabel1"));
    URLLabel1->setURL(homePage());
    styleLink(URLLabel1, QRect(262, 174, 150, 20));

    BitBtnAbout = new QPushButton(QIcon(QStringLiteral(":/pictures/dialogs/ok.svg")), QStringLiteral("     &OK"), this);
    BitBtnAbout->setObjectName(QStringLiteral("BitBtnAbout"));
    BitBtnAbout->setGeometry(170, 236, 92, 28);
    BitBtnAbout->setDefault(true);

    connect(BitBtnAbout, &QPushButton::clicked, this, &TFormAbout::BitBtnAboutClick);
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

void TFormAbout::reject()
{
    done(QDialog::Accepted);
}

#include "platform/EMailLabel.h"

QString TEMailLabel::defaultEMailAddress()
{
    return QStringLiteral("mail@example.org");
}

TEMailLabel::TEMailLabel(QWidget *parent) : TLinkLabel(QStringLiteral("mailto:"), false, parent)
{
    setEMailAddress(defaultEMailAddress());
}

void TEMailLabel::setEMailAddress(const QString &address)
{
    m_address = address;
    setText(address);
}

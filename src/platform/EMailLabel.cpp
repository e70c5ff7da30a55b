#include "platform/EMailLabel.h"

QString TEMailLabel::defaultEMailAddress()
{
    return QStringLiteral("mail@example.org");
}

TEMailLabel::TEMailLabel(QWidget *parent) : TLinkLabel(QStringLiteral("mailto:"), defaultEMailAddress(), false, parent)
{
}

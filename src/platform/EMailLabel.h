#pragma once

#include "platform/URLLabel.h"

// A label that opens a new mail message to "mailto:" + its text in the mail
// program. Unlike the web label it does not react to hovering while disabled.
class TEMailLabel : public TLinkLabel
{
    Q_OBJECT
    Q_PROPERTY(QString EMailAddress READ address WRITE setAddress)

public:
    // The address a new label shows until one is assigned.
    static QString defaultEMailAddress();

    explicit TEMailLabel(QWidget *parent = nullptr);

    void setEMailAddress(const QString &address) { setAddress(address); }
};

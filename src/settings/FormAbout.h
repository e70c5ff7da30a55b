#pragma once

#include "platform/DialogParts.h"

class TEMailLabel;
class TURLLabel;

// The about window: the program's picture, name, version, the maker's mail
// address and home page as links. Created at start and kept for the whole
// run; closes with the Accepted result.
class TFormAbout : public SmallDialog
{
    Q_OBJECT

public:
    explicit TFormAbout(QWidget *parent = nullptr);

    // The maker's home page and contact address, as the build configured them
    // (MEALDECK_HOME_PAGE, MEALDECK_CONTACT_ADDRESS).
    static QString homePage();
    static QString contactAddress();

    QLabel *ImageAbout = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label7 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label5 = nullptr;
    TEMailLabel *EMailLabel1 = nullptr;
    QLabel *Label6 = nullptr;
    TURLLabel *URLLabel1 = nullptr;
    QFrame *Bevel1 = nullptr;
    QPushButton *BitBtnAbout = nullptr;

public slots:
    void BitBtnAboutClick();
};

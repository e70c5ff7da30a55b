#include "settings/FormPoistu.h"

#include "platform/Dialogs.h"
#include "recipe/RecipeStyle.h"
#include "settings/SettingsStore.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

TFormPoistu::TFormPoistu(ExitSteps *steps, QWidget *parent) : QDialog(parent), m_steps(steps)
{
    setObjectName(QStringLiteral("FormPoistu"));
    setWindowTitle(QStringLiteral("Exit Saffrona's Mealdeck"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(272, 153);

    const QColor navy(0, 0, 128);
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPixelSize(11);
    setFont(f);
    QPalette p = palette();
    RecipeStyle::setEnabledColor(p, QPalette::WindowText, navy);
    RecipeStyle::setEnabledColor(p, QPalette::ButtonText, navy);
    setPalette(p);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::Box);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(8, 8, 256, 96);

    Label1 = new QLabel(QStringLiteral("Exit Saffrona's Mealdeck?"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    QFont big = f;
    big.setPixelSize(13);
    Label1->setFont(big);
    Label1->setGeometry(16, 28, 240, 20);

    CheckBox = new QCheckBox(this);
    CheckBox->setObjectName(QStringLiteral("CheckBox"));
    CheckBox->setGeometry(40, 72, 16, 16);

    Label2 = new QLabel(QStringLiteral("Don't show this question again."), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(60, 71, 190, 18);
    Label2->setBuddy(CheckBox);

    BitBtnOK = new QPushButton(QIcon(QStringLiteral(":/pictures/dialogs/ok.svg")), QStringLiteral("  &Yes"), this);
    BitBtnOK->setObjectName(QStringLiteral("BitBtnOK"));
    BitBtnOK->setGeometry(40, 116, 88, 28);
    BitBtnOK->setDefault(true);
    BitBtnOK->setAutoDefault(true);

    BitBtnCancel = new QPushButton(QIcon(QStringLiteral(":/pictures/dialogs/no.svg")), QStringLiteral("  &No"), this);
    BitBtnCancel->setObjectName(QStringLiteral("BitBtnCancel"));
    BitBtnCancel->setGeometry(144, 116, 88, 28);
    BitBtnCancel->setAutoDefault(false);

    connect(CheckBox, &QCheckBox::clicked, this, &TFormPoistu::CheckBoxClick);
    connect(BitBtnOK, &QPushButton::clicked, this, &TFormPoistu::BitBtnOKClick);
    connect(BitBtnCancel, &QPushButton::clicked, this, &TFormPoistu::BitBtnCancelClick);
}

void TFormPoistu::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        FormActivate();
        BitBtnOK->setFocus();
    }
}

void TFormPoistu::FormActivate()
{
    m_exitChosen = false;
    CheckBox->setChecked(false);
}

void TFormPoistu::CheckBoxClick()
{
    // Ticking or unticking alike switches the question off.
    Dialogs::guard([] {
        SettingsKey key;
        if (key.open())
            key.writeBool(QString::fromLatin1(SettingNames::KysLop), true);
    });
}

void TFormPoistu::BitBtnOKClick()
{
    Dialogs::guard([&] {
        if (m_steps)
            m_steps->postModifiedRecipeMemos();
        m_exitChosen = true;
        if (m_steps)
            m_steps->endProgram();
        else
            QCoreApplication::quit();
    });
    done(QDialog::Accepted);
}

void TFormPoistu::BitBtnCancelClick()
{
    done(QDialog::Accepted);
}

void TFormPoistu::reject()
{
    BitBtnCancelClick();
}

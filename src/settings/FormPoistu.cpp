#include "settings/FormPoistu.h"

#include "platform/DialogParts.h"
#include "platform/Dialogs.h"
#include "platform/RecipeStyle.h"
#include "settings/SettingsStore.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

TFormPoistu::TFormPoistu(ExitSteps *steps, QWidget *parent) : QDialog(parent), m_steps(steps)
{
    DialogParts::setUp(this, "FormPoistu", QStringLiteral("Exit Saffrona's Mealdeck"), 11);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(272, 153);
    DialogParts::setNavy(this, {QPalette::WindowText, QPalette::ButtonText});

    Bevel1 = DialogParts::bevel(this, QRect(8, 8, 256, 96));

    Label1 = DialogParts::centredLabel(this, "Label1", QRect(16, 28, 240, 20),
                                       QStringLiteral("Exit Saffrona's Mealdeck?"));
    Label1->setFont(RecipeStyle::sansSerif(13));

    CheckBox = DialogParts::checkBox(this, "CheckBox", QRect(40, 72, 16, 16));
    Label2
        = DialogParts::label(this, "Label2", QStringLiteral("Don't show this question again."), QRect(60, 71, 190, 18));
    Label2->setBuddy(CheckBox);

    BitBtnOK = DialogParts::bitButton(this, "BitBtnOK", QStringLiteral("  &Yes"), QStringLiteral("ok"),
                                      QRect(40, 116, 88, 28), DialogParts::Enter::Default);
    BitBtnCancel = DialogParts::bitButton(this, "BitBtnCancel", QStringLiteral("  &No"), QStringLiteral("no"),
                                          QRect(144, 116, 88, 28), DialogParts::Enter::Never);

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

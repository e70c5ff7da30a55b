#include "settings/FormPoistu.h"

#include "platform/DialogParts.h"
#include "platform/Dialogs.h"
#include "platform/RecipeStyle.h"
#include "settings/SettingsStore.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>

TFormPoistu::TFormPoistu(ExitSteps *steps, QWidget *parent) : AnswerDialog(parent), m_steps(steps)
{
    DialogParts::setUp(this, "FormPoistu", QStringLiteral("Exit Saffrona's Mealdeck"), 11);
    DialogParts::setFixedFrame(this, QSize(272, 153), true);
    DialogParts::setNavy(this, {QPalette::WindowText, QPalette::ButtonText});

    Bevel1 = DialogParts::bevel(this, QRect(8, 8, 256, 96));

    Label1 = DialogParts::centredLabel(this, "Label1", QRect(16, 28, 240, 20),
                                       QStringLiteral("Exit Saffrona's Mealdeck?"));
    Label1->setFont(RecipeStyle::sansSerif(13));

    CheckBox = DialogParts::checkBox(this, "CheckBox", QRect(40, 72, 16, 16));
    Label2
        = DialogParts::label(this, "Label2", QStringLiteral("Don't show this question again."), QRect(60, 71, 190, 18));
    Label2->setBuddy(CheckBox);

    addAnswers({QStringLiteral("  &Yes"), QStringLiteral("ok"), QRect(40, 116, 88, 28), DialogParts::Enter::Default},
               {QStringLiteral("  &No"), QStringLiteral("no"), QRect(144, 116, 88, 28), DialogParts::Enter::Never});
    setFocusOnShow(BitBtnOK);

    connect(CheckBox, &QCheckBox::clicked, this, &TFormPoistu::CheckBoxClick);
}

void TFormPoistu::FormActivate()
{
    m_exitChosen = false;
    CheckBox->setChecked(false);
}

void TFormPoistu::CheckBoxClick()
{
    // Ticking or unticking alike switches the question off.
    Dialogs::guard([] { SettingsStore::stopAsking(SettingNames::KysLop); });
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

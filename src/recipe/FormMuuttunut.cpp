#include "recipe/FormMuuttunut.h"

#include "platform/DialogParts.h"
#include "platform/Dialogs.h"
#include "recipe/RecipeFlags.h"
#include "platform/RecipeStyle.h"
#include "recipe/SharedState.h"
#include "settings/SettingsStore.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

TFormMuuttunut::TFormMuuttunut(SharedState &state, RecipeFlags *flags, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_state(state),
      m_flags(flags)
{
    DialogParts::setUp(this, "FormMuuttunut", QStringLiteral("Saffrona's Mealdeck"), 13);
    setFixedSize(562, 193);

    DialogParts::bevel(this, QRect(4, 8, 554, 140));

    auto makeLine = [this](const char *name, int top) {
        QLabel *label = DialogParts::centredLabel(this, name, QRect(5, top, 552, 20), QString(), Qt::AlignTop);
        DialogParts::setNavy(label, {QPalette::WindowText, QPalette::Text, QPalette::ButtonText});
        return label;
    };
    m_label1 = makeLine("Label1", 28);
    m_label2 = makeLine("Label2", 59);
    m_label3 = makeLine("Label3", 91);

    auto makeBox = [this](const char *name, void (TFormMuuttunut::*handler)()) {
        QCheckBox *box = DialogParts::checkBox(this, name, QRect(16, 118, 20, 20));
        box->hide();
        connect(box, &QCheckBox::clicked, this, [this, handler] { Dialogs::guard([&] { (this->*handler)(); }); });
        return box;
    };
    m_checkBoxKuva = makeBox("CheckBoxKuva", &TFormMuuttunut::CheckBoxKuvaClick);
    m_checkBoxKuvaus = makeBox("CheckBoxKuvaus", &TFormMuuttunut::CheckBoxKuvausClick);
    m_checkBoxMuutos = makeBox("CheckBoxMuutos", &TFormMuuttunut::CheckBoxMuutosClick);
    m_checkBoxAnnos = makeBox("CheckBoxAnnos", &TFormMuuttunut::CheckBoxAnnosClick);

    m_label4 = DialogParts::label(this, "Label4", QStringLiteral("Don't show this question again."),
                                  QRect(38, 118, 300, 20));
    m_label4->setFont(RecipeStyle::sansSerif(11));

    m_bitBtn1 = DialogParts::bitButton(this, "BitBtn1", QStringLiteral("&Yes"), QString(), QRect(182, 158, 89, 27),
                                       DialogParts::Enter::WhenFocused, [this] { BitBtn1Click(); });
    m_bitBtn2 = DialogParts::bitButton(this, "BitBtn2", QStringLiteral("&No"), QString(), QRect(290, 158, 89, 27),
                                       DialogParts::Enter::WhenFocused, [this] { BitBtn2Click(); });
}

void TFormMuuttunut::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void TFormMuuttunut::setCase(const QString &caption, const QString &line1, const QString &line2, const QString &line3,
                             QCheckBox *box)
{
    setWindowTitle(caption);
    m_label1->setText(line1);
    m_label2->setText(line2);
    m_label3->setText(line3);
    for (QCheckBox *each : {m_checkBoxKuva, m_checkBoxKuvaus, m_checkBoxMuutos, m_checkBoxAnnos})
        each->setVisible(each == box);
}

void TFormMuuttunut::FormActivate()
{
    for (QCheckBox *box : {m_checkBoxKuva, m_checkBoxKuvaus, m_checkBoxMuutos, m_checkBoxAnnos}) {
        box->hide();
        box->setChecked(false);
    }
    const QString name = QLatin1Char('"') + m_state.CurrentRecipe + QLatin1Char('"');
    const bool ingredients = m_flags && m_flags->IngredientsModified;
    const bool directions = m_flags && m_flags->DirectionsModified;
    const QString saveChanges = QStringLiteral("Save changes?");
    if (ingredients && !directions)
        setCase(QStringLiteral("Ingredients list changed"), name,
                QStringLiteral("recipe\u00b4s ingredients list has changed."), saveChanges, m_checkBoxMuutos);
    if (directions && !ingredients)
        setCase(QStringLiteral("Directions changed"), name, QStringLiteral("recipe\u00b4s directions has changed."),
                saveChanges, m_checkBoxMuutos);
    if (ingredients && directions)
        setCase(QStringLiteral("Ingredients list changed"), name, QStringLiteral("recipe has changed."), saveChanges,
                m_checkBoxMuutos);
    if (m_state.DeletePictureConfirmed)
        setCase(QStringLiteral("Delete picture"), QStringLiteral("Delete picture of the recipe"),
                name + QStringLiteral(" ?"), QString(), m_checkBoxKuva);
    if (m_state.DescriptionModified)
        setCase(QStringLiteral("Description changed"), QStringLiteral("Recipe\u00b4s"), name,
                QStringLiteral("description has changed, save changes?"), m_checkBoxKuvaus);
    if (m_flags && m_flags->ChangePortionMode)
        setCase(QStringLiteral("Portion count changed"), QString(), QStringLiteral("Save the new portion count?"),
                QString(), m_checkBoxAnnos);
}

void TFormMuuttunut::BitBtn1Click()
{
    m_state.SaveDescription = m_state.DescriptionModified;
    done(QDialog::Accepted);
}

void TFormMuuttunut::BitBtn2Click()
{
    if (m_flags) {
        m_flags->SaveRecipeEdits = false;
        m_flags->ChangePortionMode = false;
    }
    m_state.DeletePictureConfirmed = false;
    m_state.DescriptionModified = false;
    done(QDialog::Accepted);
}

void TFormMuuttunut::writeSwitch(const char *name)
{
    SettingsKey key;
    if (key.open())
        key.writeBool(QLatin1String(name), true);
}

void TFormMuuttunut::CheckBoxKuvaClick()
{
    writeSwitch(SettingNames::KysKuvPoi);
}

void TFormMuuttunut::CheckBoxKuvausClick()
{
    writeSwitch(SettingNames::KuvMuu);
}

void TFormMuuttunut::CheckBoxMuutosClick()
{
    writeSwitch(SettingNames::KysOhMuu);
}

void TFormMuuttunut::CheckBoxAnnosClick()
{
    writeSwitch(SettingNames::AnnosMuuttunut);
}

void TFormMuuttunut::reject()
{
    m_state.DeletePictureConfirmed = false;
    done(QDialog::Rejected);
}

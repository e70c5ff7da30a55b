#include "app/FormRyhmaPois.h"

#include "platform/DialogParts.h"
#include "platform/Dialogs.h"
#include "settings/SettingsStore.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

namespace {

QLabel *centredLine(QWidget *parent, const char *name, int y, int width)
{
    QLabel *label = DialogParts::centredLabel(parent, name, QRect((552 - width) / 2, y, width, 18));
    QFont f = label->font();
    f.setPixelSize(13);
    label->setFont(f);
    return label;
}

} // namespace

TFormRyhmaPois::TFormRyhmaPois(SharedState &state, DeleteCommandsHost *host, QWidget *parent)
    : AnswerDialog(parent), m_state(state), m_host(host)
{
    DialogParts::setUp(this, "FormRyhmaPois", QStringLiteral("Saffrona's Mealdeck"), 11);
    DialogParts::setFixedFrame(this, QSize(552, 193), false);
    DialogParts::setNavy(this, {QPalette::WindowText, QPalette::ButtonText});

    Bevel1 = DialogParts::bevel(this, QRect(8, 8, 536, 104));

    Label1 = centredLine(this, "Label1", 24, 301);
    Label2 = centredLine(this, "Label2", 48, 530);
    Label3 = centredLine(this, "Label3", 72, 300);

    // The two boxes lie at the same place; only one is visible at a time.
    CheckBoxRyh = DialogParts::checkBox(this, "CheckBoxRyh", QRect(180, 122, 16, 16));
    CheckBoxRes = DialogParts::checkBox(this, "CheckBoxRes", QRect(180, 122, 16, 16));

    Label4 = DialogParts::label(this, "Label4", QStringLiteral("Don't show this question again."),
                                QRect(200, 122, 200, 16));
    QFont small = Label4->font();
    small.setPixelSize(9);
    Label4->setFont(small);

    // Enter and Escape both choose Cancel: a deletion needs a deliberate Yes.
    addAnswers(
        {QStringLiteral("  &Yes"), QStringLiteral("ok"), QRect(176, 152, 92, 28), DialogParts::Enter::Never},
        {QStringLiteral("  &Cancel"), QStringLiteral("cancel"), QRect(284, 152, 92, 28), DialogParts::Enter::Default});
    setFocusOnShow(BitBtnCancel);
}

void TFormRyhmaPois::applyCase(const QString &caption, const QString &line1, const QString &line2, const QString &line3,
                               QCheckBox *box)
{
    setWindowTitle(caption);
    Label1->setText(line1);
    Label2->setText(line2);
    if (!line3.isNull())
        Label3->setText(line3);
    box->setVisible(true);
}

void TFormRyhmaPois::FormActivate()
{
    Dialogs::guard([&] {
        CheckBoxRyh->setVisible(false);
        CheckBoxRyh->setChecked(false);
        CheckBoxRes->setVisible(false);
        CheckBoxRes->setChecked(false);
        const SharedState &s = m_state;
        // The first case that holds decides; a null third line keeps its text.
        if (s.DeletingRecipe) {
            applyCase(QStringLiteral("Saffrona´s Mealdeck  -  Delete Recipe"), QStringLiteral("Delete the recipe?"),
                      DialogParts::quoted(s.CurrentRecipe), QString(), CheckBoxRes);
        } else if (s.DeletingSubgroup && s.HasRecipes) {
            applyCase(QStringLiteral("Saffrona´s Mealdeck  -  Delete Subgroup"), QStringLiteral("Delete the subgroup"),
                      DialogParts::quoted(s.CurrentSubgroup), QStringLiteral("and the recipes in it?"), CheckBoxRyh);
        } else if (s.MainGroupMode && s.HasSubgroups && s.HasRecipes) {
            applyCase(QStringLiteral("Saffrona´s Mealdeck  -  Delete Main Group"),
                      QStringLiteral("Delete the main group"), DialogParts::quoted(s.CurrentMainGroup),
                      QStringLiteral("and it´s subgroups and recipes?"), CheckBoxRyh);
        } else if (s.HasSubgroups && s.MainGroupMode && !s.HasRecipes) {
            applyCase(QStringLiteral("Saffrona´s Mealdeck  -  Delete Main Group"),
                      QStringLiteral("Delete the main group"), DialogParts::quoted(s.CurrentMainGroup),
                      QStringLiteral("and it´s subgroups?"), CheckBoxRyh);
        } else if (s.HasSubgroups && !s.MainGroupMode && !s.HasRecipes) {
            applyCase(QStringLiteral("Saffrona´s Mealdeck  -  Delete Subgroup"), QStringLiteral("Delete the subgroup?"),
                      DialogParts::quoted(s.CurrentSubgroup), QString(), CheckBoxRyh);
        } else if (!s.HasSubgroups && s.MainGroupMode) {
            applyCase(QStringLiteral("Saffrona´s Mealdeck  -  Delete Main Group"),
                      QStringLiteral("Delete the main group?"), DialogParts::quoted(s.CurrentMainGroup), QString(),
                      CheckBoxRyh);
        }
    });
}

void TFormRyhmaPois::BitBtnOKClick()
{
    Dialogs::guard([&] {
        SettingsKey key;
        if (key.open()) {
            if (CheckBoxRyh->isChecked())
                key.writeBool(QString::fromLatin1(SettingNames::KysRyh), true);
            if (CheckBoxRes->isChecked())
                key.writeBool(QString::fromLatin1(SettingNames::KysResPoi), true);
        }
        m_state.DeleteConfirmed = true;
        done(QDialog::Accepted);
    });
}

void TFormRyhmaPois::BitBtnCancelClick()
{
    Dialogs::guard([&] {
        m_state.DeleteConfirmed = false;
        if (!m_state.DeletingSubgroup && m_host)
            m_host->restoreMainGroupCommands();
    });
    done(QDialog::Accepted);
}

void TFormRyhmaPois::reject()
{
    // Leaving without a button never deletes anything.
    BitBtnCancelClick();
}

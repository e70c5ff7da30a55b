#include "app/FormRyhmaPois.h"

#include "platform/Dialogs.h"
#include "recipe/RecipeStyle.h"
#include "settings/SettingsStore.h"
#include "store/PackTable.h"

#include <QCheckBox>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

namespace {

const QColor navy(0, 0, 128);

QString quoted(const QString &name)
{
    return QLatin1Char('"') + name + QLatin1Char('"');
}

QLabel *centredLine(QWidget *parent, const char *name, int y, int width)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    label->setGeometry((552 - width) / 2, y, width, 18);
    QFont f = label->font();
    f.setPixelSize(13);
    label->setFont(f);
    return label;
}

} // namespace

TFormRyhmaPois::TFormRyhmaPois(SharedState &state, TPackTable *mainGroups, TPackTable *recipes,
                               DeleteCommandsHost *host, QWidget *parent)
    : QDialog(parent), m_state(state), m_mainGroups(mainGroups), m_recipes(recipes), m_host(host)
{
    setObjectName(QStringLiteral("FormRyhmaPois"));
    setWindowTitle(QStringLiteral("Saffrona's Mealdeck"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(552, 193);

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
    Bevel1->setGeometry(8, 8, 536, 104);

    Label1 = centredLine(this, "Label1", 24, 301);
    Label2 = centredLine(this, "Label2", 48, 530);
    Label3 = centredLine(this, "Label3", 72, 300);

    // The two boxes lie at the same place; only one is visible at a time.
    CheckBoxRyh = new QCheckBox(this);
    CheckBoxRyh->setObjectName(QStringLiteral("CheckBoxRyh"));
    CheckBoxRyh->setGeometry(180, 122, 16, 16);
    CheckBoxRes = new QCheckBox(this);
    CheckBoxRes->setObjectName(QStringLiteral("CheckBoxRes"));
    CheckBoxRes->setGeometry(180, 122, 16, 16);

    Label4 = new QLabel(QStringLiteral("Don't show this question again."), this);
    Label4->setObjectName(QStringLiteral("Label4"));
    QFont small = Label4->font();
    small.setPixelSize(9);
    Label4->setFont(small);
    Label4->setGeometry(200, 122, 200, 16);

    BitBtnOK = new QPushButton(QIcon(QStringLiteral(":/pictures/dialogs/ok.svg")), QStringLiteral("  &Yes"), this);
    BitBtnOK->setObjectName(QStringLiteral("BitBtnOK"));
    BitBtnOK->setGeometry(176, 152, 92, 28);
    BitBtnOK->setAutoDefault(false);

    BitBtnCancel
        = new QPushButton(QIcon(QStringLiteral(":/pictures/dialogs/cancel.svg")), QStringLiteral("  &Cancel"), this);
    BitBtnCancel->setObjectName(QStringLiteral("BitBtnCancel"));
    BitBtnCancel->setGeometry(284, 152, 92, 28);
    // Enter and Escape both choose Cancel: a deletion needs a deliberate Yes.
    BitBtnCancel->setDefault(true);
    BitBtnCancel->setAutoDefault(true);

    connect(BitBtnOK, &QPushButton::clicked, this, &TFormRyhmaPois::BitBtnOKClick);
    connect(BitBtnCancel, &QPushButton::clicked, this, &TFormRyhmaPois::BitBtnCancelClick);
}

void TFormRyhmaPois::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        FormActivate();
        BitBtnCancel->setFocus();
    }
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
        if (m_mainGroups && m_mainGroups->Active())
            m_state.CurrentMainGroup = m_mainGroups->fieldText(QStringLiteral("Nimi"));

        const SharedState &s = m_state;
        // The first case that holds decides; a null third line keeps its text.
        if (s.DeletingRecipe) {
            applyCase(QStringLiteral("Saffrona´s Mealdeck  -  Delete Recipe"), QStringLiteral("Delete the recipe?"),
                      quoted(s.CurrentRecipe), QString(), CheckBoxRes);
        } else if (s.DeletingSubgroup && s.HasRecipes) {
            applyCase(QStringLiteral("Saffrona´s Mealdeck  -  Delete Subgroup"), QStringLiteral("Delete the subgroup"),
                      quoted(s.CurrentSubgroup), QStringLiteral("and the recipes in it?"), CheckBoxRyh);
        } else if (s.MainGroupMode && s.HasSubgroups && s.HasRecipes) {
            applyCase(QStringLiteral("Saffrona´s Mealdeck  -  Delete Main Group"),
                      QStringLiteral("Delete the main group"), quoted(s.CurrentMainGroup),
                      QStringLiteral("and it´s subgroups and recipes?"), CheckBoxRyh);
        } else if (s.HasSubgroups && s.MainGroupMode && !s.HasRecipes) {
            applyCase(QStringLiteral("Saffrona´s Mealdeck  -  Delete Main Group"),
                      QStringLiteral("Delete the main group"), quoted(s.CurrentMainGroup),
                      QStringLiteral("and it´s subgroups?"), CheckBoxRyh);
        } else if (s.HasSubgroups && !s.MainGroupMode && !s.HasRecipes) {
            applyCase(QStringLiteral("Saffrona´s Mealdeck  -  Delete Subgroup"), QStringLiteral("Delete the subgroup?"),
                      quoted(s.CurrentSubgroup), QString(), CheckBoxRyh);
        } else if (!s.HasSubgroups && s.MainGroupMode) {
            applyCase(QStringLiteral("Saffrona´s Mealdeck  -  Delete Main Group"),
                      QStringLiteral("Delete the main group?"), quoted(s.CurrentMainGroup), QString(), CheckBoxRyh);
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
        if (m_recipes && !m_recipes->Active())
            m_recipes->open();
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

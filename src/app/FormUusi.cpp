#include "app/FormUusi.h"

#include "platform/DialogParts.h"
#include "platform/Dialogs.h"
#include "store/book/Book.h"

#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

namespace {

QLabel *centredLine(QWidget *parent, const char *name, int x, int y, int width)
{
    return DialogParts::centredLabel(parent, name, QRect(x, y, width, 18));
}

} // namespace

TFormUusi::TFormUusi(SharedState &state, RecipeBook::Book *book, QWidget *parent)
    : AnswerDialog(parent), m_state(state), m_book(book)
{
    DialogParts::setUp(this, "FormUusi", QStringLiteral("Saffrona's Mealdeck"), 13);
    DialogParts::setFixedFrame(this, QSize(552, 183), false);
    DialogParts::setNavy(this, {QPalette::WindowText, QPalette::Text, QPalette::ButtonText});

    Bevel1 = DialogParts::bevel(this, QRect(8, 8, 536, 128));

    Label1 = centredLine(this, "Label1", 81, 16, 390);
    Label2 = centredLine(this, "Label2", 1, 36, 550);
    Label3 = centredLine(this, "Label3", 126, 58, 300);

    EditUusi = new QLineEdit(this);
    EditUusi->setObjectName(QStringLiteral("EditUusi"));
    EditUusi->setMaxLength(MaxFieldLength);
    EditUusi->setGeometry(21, 80, 510, 24);

    Label4 = centredLine(this, "Label4", 126, 110, 300);

    addAnswers(
        {QStringLiteral("   &OK"), QStringLiteral("ok"), QRect(176, 146, 92, 28), DialogParts::Enter::Default},
        {QStringLiteral("  &Cancel"), QStringLiteral("cancel"), QRect(284, 146, 92, 28), DialogParts::Enter::Never});

    connect(EditUusi, &QLineEdit::textChanged, this, &TFormUusi::EditUusiChange);
}

void TFormUusi::applyMode(const QString &caption, const QString &line1, const QString &line2, const QString &field)
{
    setWindowTitle(caption);
    Label1->setText(line1);
    Label2->setText(line2);
    Label3->setText(QStringLiteral("Enter the new name."));
    Label4->clear();
    if (!field.isNull())
        EditUusi->setText(field);
}

void TFormUusi::FormActivate()
{
    Dialogs::guard([&] {
        EditUusi->clear();
        EditUusi->setFocus();
        Label4->clear();
        const SharedState &s = m_state;
        // Every row whose condition holds is applied, in this order.
        if (s.SubgroupMode && !s.RenameMode)
            applyMode(QStringLiteral("Saffrona´s Mealdeck  -  New Subgroup"), QStringLiteral("Add a new subgroup into"),
                      DialogParts::quoted(s.CurrentMainGroup), QString());
        if (s.MainGroupMode && !s.RenameMode)
            applyMode(QStringLiteral("Saffrona´s Mealdeck  -  New Main Group"), QString(),
                      QStringLiteral("Add a new main group."), QString());
        if (s.MainGroupMode && s.RenameMode)
            applyMode(QStringLiteral("Saffrona´s Mealdeck  -  Change Main Group"),
                      QStringLiteral("Change the name of the main group"), DialogParts::quoted(s.CurrentMainGroup),
                      s.CurrentMainGroup);
        if (s.SubgroupMode && s.RenameMode)
            applyMode(QStringLiteral("Saffrona´s Mealdeck  -  Change Subgroup"),
                      QStringLiteral("Change the name of the subgroup"), DialogParts::quoted(s.CurrentSubgroup),
                      s.CurrentSubgroup);
        if (s.RecipeMode && !s.RenameMode)
            applyMode(QStringLiteral("Saffrona´s Mealdeck  -  New Recipe"), QStringLiteral("Add a new recipe into"),
                      DialogParts::quoted(s.CurrentSubgroup), QString());
        if (s.RecipeMode && s.RenameMode)
            applyMode(QStringLiteral("Saffrona´s Mealdeck  -  Change Recipe"),
                      QStringLiteral("Change the name of the recipe"), DialogParts::quoted(s.CurrentRecipe),
                      s.CurrentRecipe);
    });
}

void TFormUusi::EditUusiChange()
{
    if (m_adjustingText)
        return;
    const QString text = EditUusi->text();
    if (text.length() == 1) {
        const QString upper = QLocale().toUpper(text);
        if (upper != text) {
            m_adjustingText = true;
            EditUusi->setText(upper.left(MaxFieldLength));
            EditUusi->setCursorPosition(EditUusi->text().length());
            m_adjustingText = false;
        }
    }
    const int length = EditUusi->text().length();
    if (m_state.MainGroupMode && length > MaxMainGroupName)
        Dialogs::information(QStringLiteral("The name may include not more than 28 characters."));
    if (m_state.SubgroupMode && length > MaxSubgroupName)
        Dialogs::information(QStringLiteral("The name may include not more than 36 characters."));
    if (m_state.RecipeMode && length > MaxRecipeName)
        Dialogs::information(QStringLiteral("The name may include not more than 74 characters."));
}

void TFormUusi::BitBtnOKClick()
{
    Dialogs::guard([&] {
        if (EditUusi->text().isEmpty())
            return;
        m_state.NameRejected = false;
        if (m_state.RecipeMode) {
            m_state.NameAccepted = true;
            CheckRecipeName();
        } else {
            CheckGroupName();
        }
        m_state.MainGroupMode = false;
        m_state.SubgroupMode = false;
        m_state.CurrentRecipe = EditUusi->text();
        done(QDialog::Accepted);
    });
}

void TFormUusi::BitBtnCancelClick()
{
    m_state.RenameMode = false;
    m_state.NameRejected = false;
    m_state.NameAccepted = false;
    m_state.RecipeMode = false;
    m_state.MainGroupMode = false;
    m_state.SubgroupMode = false;
    m_state.NameCancelled = true;
    done(QDialog::Accepted);
}

void TFormUusi::reject()
{
    // Leaving without a button must never take the field text unchecked.
    BitBtnCancelClick();
}

void TFormUusi::CheckGroupName()
{
    if (m_book && m_book->groupNameTaken(EditUusi->text())) {
        Dialogs::information(QStringLiteral("A group of that name already exists."));
        m_state.NameRejected = true;
    }
}

void TFormUusi::CheckRecipeName()
{
    if (m_book && m_book->recipeNameTaken(EditUusi->text())) {
        Dialogs::information(QStringLiteral("A recipe of that name already exists."));
        m_state.NameRejected = true;
    }
}

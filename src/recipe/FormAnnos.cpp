#include "recipe/FormAnnos.h"

#include "platform/DialogParts.h"
#include "platform/Dialogs.h"
#include "recipe/FormMuuttunut.h"
#include "recipe/RecipeFlags.h"
#include "platform/RecipeStyle.h"
#include "recipe/SharedState.h"
#include "settings/SettingsStore.h"
#include "store/book/Book.h"
#include "store/table/ProgramError.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// The widths of the recipe table's Aste and Aika fields, as the main window's
// edits take them.
constexpr int AsteLength = 20;
constexpr int AikaLength = 18;

} // namespace

TFormAnnos::TFormAnnos(PortionDialogContext *context, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_context(context)
{
    DialogParts::setUp(this, "FormAnnos", QStringLiteral("Portion count"), 13);
    setModal(true);
    setFixedSize(292, 208);
    DialogParts::setNavy(this, {QPalette::WindowText, QPalette::Text, QPalette::ButtonText});

    m_bevel1 = DialogParts::bevel(this, QRect(8, 8, 276, 107));

    auto makeLabel = [this](const char *name, const QString &text, int top) {
        return DialogParts::label(this, name, text, QRect(24, top, 120, 20));
    };
    auto makeEdit = [this](const char *name, int top, int width, int maxLength) {
        auto *edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(name));
        edit->setGeometry(150, top, width, 22);
        edit->setMaxLength(maxLength);
        return edit;
    };
    m_label1 = makeLabel("Label1", QString(), 12);
    m_label1->hide();
    m_label2 = makeLabel("Label2", QStringLiteral("Portion number:"), 40);
    m_editAnnos = makeEdit("EditAnnos", 38, 41, 2);
    m_label3 = makeLabel("Label3", QStringLiteral("Difficulty :"), 80);
    m_editAste = makeEdit("EditAste", 78, 121, AsteLength);
    m_label4 = makeLabel("Label4", QStringLiteral("Preparation time :"), 120);
    m_editAika = makeEdit("EditAika", 118, 121, AikaLength);
    m_editAnnos->installEventFilter(this);

    // The buttons are placed on opening, below the fields in use.
    m_bitBtnOK = DialogParts::bitButton(this, "BitBtnOK", QStringLiteral("  &OK"), QString(), QRect(),
                                        DialogParts::Enter::Default, [this] { BitBtnOKClick(); });
    m_bitBtnCancel = DialogParts::bitButton(this, "BitBtnCancel", QStringLiteral("  &Cancel"), QString(), QRect(),
                                            DialogParts::Enter::Never, [this] { BitBtnCancelClick(); });
}

void TFormAnnos::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void TFormAnnos::FormActivate()
{
    m_editAnnos->clear();
    m_editAste->clear();
    m_editAika->clear();
    m_editAnnos->setFocus();
    if (!m_context)
        return;
    RecipeFlags &flags = m_context->recipeFlags();
    const SharedState &state = m_context->sharedState();
    if (RecipeBook::Book *book = m_context->book()) {
        const std::optional<RecipeBook::Book::Recipe> recipe = book->recipe(m_context->portionRecipeId());
        if (!recipe || recipe->portions.isEmpty())
            flags.AddPortionMode = true;
    }

    auto countOnly = [this](const QString &caption) {
        setWindowTitle(caption);
        m_label2->show();
        m_editAnnos->show();
        for (QWidget *w : std::initializer_list<QWidget *> {m_label3, m_label4, m_editAste, m_editAika})
            w->hide();
    };
    if (flags.ChangePortionMode)
        countOnly(QStringLiteral("Change portion number"));
    if (flags.CalculateMode)
        countOnly(QStringLiteral("Calculate new portion number"));
    if (flags.AddPortionMode)
        countOnly(QStringLiteral("Add portion number"));
    if (state.RecipeMode) {
        setWindowTitle(QStringLiteral("Add New Recipe"));
        for (QWidget *w :
             std::initializer_list<QWidget *> {m_label2, m_label3, m_label4, m_editAnnos, m_editAste, m_editAika})
            w->show();
    }

    // The dialog ends a bevel's margin below its buttons.
    const int buttonTop = state.RecipeMode ? 180 : 124;
    const int buttonHeight = 27;
    setFixedSize(292, buttonTop + buttonHeight + m_bevel1->x());
    m_bevel1->setFixedHeight(state.RecipeMode ? 163 : 107);
    m_bitBtnOK->setGeometry(48, buttonTop, 89, buttonHeight);
    m_bitBtnCancel->setGeometry(156, buttonTop, 89, buttonHeight);
    Dialogs::centreOnDesktop(this);
}

int TFormAnnos::readCount(const QString &text)
{
    bool ok = !text.isEmpty();
    for (const QChar c : text)
        ok = ok && c >= u'0' && c <= u'9';
    if (!ok)
        throw ConversionError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return text.toInt();
}

void TFormAnnos::okSteps()
{
    if (m_editAnnos->text().isEmpty()) {
        m_editAnnos->setFocus();
        return;
    }
    if (!m_context)
        return;
    SharedState &state = m_context->sharedState();
    RecipeFlags &flags = m_context->recipeFlags();
    RecipeBook::Book *book = m_context->book();
    const qint64 id = m_context->portionRecipeId();

    if (flags.CalculateMode)
        m_context->ScaleIngredients(m_editAnnos->text());

    if (flags.ChangePortionMode) {
        SettingsKey key;
        bool dontAsk = false;
        if (key.open() && key.valueExists(QLatin1String(SettingNames::AnnosMuuttunut)))
            dontAsk = key.readBool(QLatin1String(SettingNames::AnnosMuuttunut));
        if (!dontAsk) {
            // The question over this dialog does not re-run this dialog's
            // opening steps, which would empty the count being stored.
            TFormMuuttunut question(state, &flags, this);
            // Left unanswered (Escape, the frame), OK is cancelled: the
            // dialog stays open with the count typed, nothing stored.
            if (Dialogs::exec(&question) == QDialog::Rejected)
                return;
        }
    }

    if (!book)
        throw ProgramError(QStringLiteral("The recipe table is missing"));
    if (!m_editAste->text().isEmpty() || !m_editAika->text().isEmpty())
        book->setDifficultyAndTime(id, m_editAste->text(), m_editAika->text());

    if (flags.ChangePortionMode || state.RecipeMode || flags.AddPortionMode)
        book->setPortions(id, readCount(m_editAnnos->text()));

    m_context->SaveDifficultyAndTime();
    m_context->portionCountStored();

    flags.ChangePortionMode = false;
    flags.AddPortionMode = false;
    state.RecipeMode = false;
    m_editAste->clear();
    m_editAika->clear();
    done(QDialog::Accepted);
}

void TFormAnnos::BitBtnOKClick()
{
    Dialogs::guard([this] { okSteps(); });
}

void TFormAnnos::BitBtnCancelClick()
{
    done(QDialog::Accepted);
}

void TFormAnnos::reject()
{
    BitBtnCancelClick();
}

bool TFormAnnos::EditAnnosKeyPress(QKeyEvent *event)
{
    const int key = event->key();
    if (key == Qt::Key_Escape) {
        BitBtnCancelClick();
        return true;
    }
    // Tab and Shift+Tab move to the next field; Enter presses OK.
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Backspace || key == Qt::Key_Delete
        || key == Qt::Key_Tab || key == Qt::Key_Backtab)
        return false;
    const QString text = event->text();
    if (text.isEmpty())
        return false;
    if (text.size() == 1 && (text[0] == u'\b' || (text[0] >= u'0' && text[0] <= u'9')))
        return false;
    return true;
}

bool TFormAnnos::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_editAnnos && event->type() == QEvent::KeyPress)
        return EditAnnosKeyPress(static_cast<QKeyEvent *>(event));
    return QDialog::eventFilter(watched, event);
}

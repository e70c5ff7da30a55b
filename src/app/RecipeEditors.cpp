#include "app/RecipeEditors.h"

#include "app/DataBoundList.h"
#include "app/FormPaa.h"
#include "app/MainWindowPanes.h"
#include "app/TableListModel.h"
#include "app/Windows.h"
#include "recipe/DBMemo.h"
#include "recipe/FormMuuttunut.h"
#include "recipe/FormResepti.h"
#include "settings/SettingsStore.h"
#include "store/book/Book.h"

#include <QLineEdit>
#include <QPlainTextEdit>

#include <optional>

RecipeEditors::RecipeEditors(TFormPaa &window, SharedState &state, MainWindowPanes &panes)
    : m_w(window), m_state(state), m_panes(panes)
{
}

RecipeBook::Book &RecipeEditors::book() const
{
    return *m_w.book();
}

void RecipeEditors::watchTyping()
{
    QPlainTextEdit *memo = m_panes.memoKuvaus;
    QObject::connect(memo, &QPlainTextEdit::textChanged, memo, [this, memo] {
        // Only the user's edits count as a modification. Text put in by the
        // program (also by the recipe window) replaces the document and
        // leaves nothing to undo; an edit by the user does.
        if (!m_loading && memo->document()->isUndoAvailable())
            m_state.DescriptionModified = true;
    });
    QObject::connect(m_panes.editAste, &QLineEdit::textEdited, memo, [this] { m_asteModified = true; });
    QObject::connect(m_panes.editAika, &QLineEdit::textEdited, memo, [this] { m_aikaModified = true; });
}

void RecipeEditors::setMemoText(const QString &text)
{
    m_loading = true;
    m_panes.memoKuvaus->setPlainText(text);
    m_loading = false;
}

void RecipeEditors::show(qint64 id, const QString &description)
{
    if (m_shownId != id)
        m_asteModified = m_aikaModified = false;
    m_shownId = id;
    setMemoText(description);
    m_panes.memoKuvaus->show();
    if (!m_hold)
        m_asteModified = m_aikaModified = false;
    bindEdits();
}

void RecipeEditors::bindEdits()
{
    // The edits show the shown recipe's values, wherever the table's cursor is.
    if (m_asteModified && m_aikaModified)
        return;
    std::optional<RecipeBook::Book::Recipe> recipe;
    if (m_shownId && m_w.book()) {
        try {
            recipe = book().recipe(m_shownId);
        } catch (const ProgramError &) {
            // Shown empty; the next command that uses the book reports it.
        }
    }
    m_loading = true;
    if (!m_asteModified)
        m_panes.editAste->setText(recipe ? recipe->difficulty : QString());
    if (!m_aikaModified)
        m_panes.editAika->setText(recipe ? recipe->time : QString());
    m_loading = false;
}

void RecipeEditors::forget()
{
    m_shownId = 0;
    m_state.DescriptionModified = false;
    m_asteModified = m_aikaModified = false;
    bindEdits();
}

void RecipeEditors::saveDifficultyAndTime()
{
    if (m_hold || (!m_asteModified && !m_aikaModified))
        return;
    const QString aste = m_panes.editAste->text();
    const QString aika = m_panes.editAika->text();
    if (m_shownId)
        book().setDifficultyAndTime(m_shownId, aste, aika);
    m_asteModified = m_aikaModified = false;
}

void RecipeEditors::settleDescription()
{
    if (m_state.DescriptionModified) {
        saveDescriptionChange(false);
        m_state.DescriptionModified = false;
    }
}

bool RecipeEditors::saveDescriptionChange(bool mayCancel)
{
    if (!m_panes.listResepti->isBound())
        return true;
    bool asked = false;
    SettingsKey key;
    if (key.open()) {
        if (!key.valueExists(SettingNames::KuvMuu))
            key.writeBool(SettingNames::KuvMuu, false);
        if (key.readBool(SettingNames::KuvMuu)) {
            m_state.SaveDescription = true;
        } else {
            TFormMuuttunut dialog(m_state, nullptr, &m_w);
            asked = true;
            if (Dialogs::exec(&dialog) == QDialog::Rejected) {
                // Escape or the frame never throw the typing away: the
                // command that asked stops with the edit still in the memo,
                // or, when it cannot stop, the edit is stored.
                if (mayCancel)
                    return false;
                m_state.SaveDescription = true;
            }
        }
    }
    if (m_state.SaveDescription && m_shownId) {
        storeDescription(m_shownId);
    } else {
        book().discardPending();
    }
    m_state.SaveDescription = false;
    // The recipe list is read again; the recipe stays selected.
    m_panes.listResepti->markDirty();
    m_state.DescriptionModified = false;
    // The activation after the question runs once the edit is settled, so
    // that its recipe selection does not meet the same edit again.
    if (asked)
        m_w.runActivation();
    return true;
}

void RecipeEditors::storeDescription(qint64 id)
{
    const QString text = TDBMemo::plainText(m_panes.memoKuvaus->document());
    book().setDescription(id, isPlaceholder(text) ? QString() : text);
}

void RecipeEditors::storeUnasked()
{
    if (TFormResepti *recipe = windows().FormResepti)
        recipe->storeModifiedMemos();
    if (m_state.DescriptionModified && m_shownId) {
        const QString text = m_panes.memoKuvaus->toPlainText();
        book().setDescription(m_shownId, isPlaceholder(text) ? QString() : text);
    }
    m_state.DescriptionModified = false;
    saveDifficultyAndTime();
}

bool RecipeEditors::leave()
{
    m_w.runGuarded([this] {
        if (m_state.DescriptionModified)
            saveDescriptionChange(false);
        saveDifficultyAndTime();
    });
    return !m_hold;
}

bool RecipeEditors::settleUnlisted()
{
    if (!m_shownId || m_hold)
        return false;
    if (m_panes.listResepti->isBound() && m_panes.listResepti->listModel()->rowOf(m_shownId) >= 0)
        return false;
    // Typing belongs to its recipe, listed or not. When it cannot be stored
    // it stays on screen, for the next try.
    try {
        if (m_state.DescriptionModified) {
            storeDescription(m_shownId);
            m_state.DescriptionModified = false;
        }
        saveDifficultyAndTime();
    } catch (const ProgramError &) {
        return false;
    }
    return true;
}

void RecipeEditors::dropTyping()
{
    m_asteModified = m_aikaModified = false;
}

void RecipeEditors::holdTyping()
{
    // The recipe stays selected with the typing, which is stored (over the
    // other change) only when the user leaves the recipe again.
    m_hold = m_asteModified || m_aikaModified;
    if (m_hold)
        QMetaObject::invokeMethod(m_panes.memoKuvaus, [this] { m_hold = false; }, Qt::QueuedConnection);
}

void RecipeEditors::showPlaceholderIfEmpty()
{
    const std::optional<RecipeBook::Book::Recipe> recipe = book().recipe(m_panes.listResepti->currentId());
    if (recipe && recipe->description.isEmpty())
        setMemoText(placeholder());
}

void RecipeEditors::emptyPlaceholderIfShown()
{
    if (isPlaceholder(m_panes.memoKuvaus->toPlainText())) {
        m_loading = true;
        m_panes.memoKuvaus->clear();
        m_loading = false;
    }
}

QString RecipeEditors::placeholder()
{
    return QStringLiteral("Write here a short description of the recipe.");
}

bool RecipeEditors::isPlaceholder(const QString &text)
{
    // The recipe window puts its own wording into the memo when it returns.
    return text == placeholder() || text == QLatin1String("Write here a description of the recipe.");
}

#pragma once

#include <QString>

#include <QtGlobal>

struct MainWindowPanes;
class TFormPaa;
struct SharedState;

namespace RecipeBook {
class Book;
}

// The shown recipe's description, difficulty and time editors on the main
// window. Typing there belongs to the recipe shown when it was typed, by its
// stored id: it is stored into that recipe, whatever was clicked or reloaded
// meanwhile, after the save-changes question for the description.
class RecipeEditors
{
public:
    RecipeEditors(TFormPaa &window, SharedState &state, MainWindowPanes &panes);

    // Follows the user's typing in the editors (after the panes are built).
    void watchTyping();

    // The stored id of the recipe the editors show; 0 when none.
    qint64 shownId() const { return m_shownId; }
    // Shows the recipe `id` with its stored description; typing kept for it
    // (difficulty, time) stays.
    void show(qint64 id, const QString &description);
    // Puts the shown recipe's stored difficulty and time into their editors,
    // except what is being typed there.
    void bindEdits();
    // Drops the shown recipe and any typing on it.
    void forget();

    void saveDifficultyAndTime();
    // Stores or drops an edited description after the question; see
    // TFormPaa::SaveDescriptionChange.
    bool saveDescriptionChange(bool mayCancel);
    void settleDescription();
    // Stores the memo's text as the description of the recipe `id` (the
    // placeholder as none).
    void storeDescription(qint64 id);
    // Stores the typing as Yes to every question would.
    void storeUnasked();
    // Stores what was typed on the recipe left; false when it must stay
    // selected (typing that could not be stored is held).
    bool leave();
    // When the recipe list no longer lists the shown recipe, stores its
    // typing; true when its editors are to go (false while typing that could
    // not be stored is held on screen).
    bool settleUnlisted();
    // Drops the typing on difficulty and time.
    void dropTyping();
    // After a change the store refused: the typing left stays on screen,
    // held until the user leaves the recipe again.
    void holdTyping();

    void showPlaceholderIfEmpty();
    void emptyPlaceholderIfShown();
    static QString placeholder();
    static bool isPlaceholder(const QString &text);

private:
    RecipeBook::Book &book() const;
    void setMemoText(const QString &text);

    TFormPaa &m_w;
    SharedState &m_state;
    MainWindowPanes &m_panes;
    qint64 m_shownId = 0;
    bool m_loading = false;
    bool m_asteModified = false;
    bool m_aikaModified = false;
    // Typing that could not be stored stays in the edits for the next try.
    bool m_hold = false;
};

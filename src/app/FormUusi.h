#pragma once

#include "app/SharedState.h"
#include "platform/DialogParts.h"

namespace RecipeBook {
class Book;
}
class QLineEdit;

// The name entry dialog: a new main group, subgroup or recipe, or a new name
// for an existing one. The calling operation sets the mode flags of the shared
// state before showing it and reads the outcome back from NameCancelled,
// NameRejected and NameAccepted; the name itself is the text of EditUusi.
//
// The dialog makes the first letter upper case, warns about names longer than
// the level allows (without shortening them) and rejects a name that any group
// (for groups) or any recipe (for recipes) of the whole book already has. It
// always closes with the Accepted result; closing it by its frame or with
// Escape is Cancel.
class TFormUusi : public AnswerDialog
{
    Q_OBJECT

public:
    // The names are checked against the book `book` (none when null).
    TFormUusi(SharedState &state, RecipeBook::Book *book, QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QLineEdit *EditUusi = nullptr;

    // Longest names the three levels are meant to have; longer ones are
    // warned about but accepted.
    static constexpr int MaxMainGroupName = 28;
    static constexpr int MaxSubgroupName = 36;
    static constexpr int MaxRecipeName = 74;
    // What the field takes at most.
    static constexpr int MaxFieldLength = 75;

public slots:
    // Sets caption, lines and field for the mode; runs each time the dialog is shown.
    void FormActivate() override;
    void EditUusiChange();
    void BitBtnOKClick() override;
    void BitBtnCancelClick() override;
    // The field text against every main group and every subgroup name.
    void CheckGroupName();
    // The field text against every recipe name of the book.
    void CheckRecipeName();

    // Escape and the frame's close box.
    void reject() override;

private:
    void applyMode(const QString &caption, const QString &line1, const QString &line2, const QString &field);

    SharedState &m_state;
    RecipeBook::Book *m_book;
    bool m_adjustingText = false;
};

#pragma once

#include "platform/DialogParts.h"

// What the exit confirmation's Yes does outside the dialog. The main window
// and the recipe window implement it (each window that offers Exit passes
// itself); the steps run in this order.
class ExitSteps
{
public:
    virtual ~ExitSteps() = default;
    // The recipe window's edits: for its ingredients memo (Aineet) and then its
    // directions memo (Ohje), when that memo reports a user modification, put
    // the current recipe row into edit, write the memo's text into its field
    // and post the edit into the recipe table's pending changes (no apply).
    // Nothing when the recipe window does not exist or neither memo was edited.
    virtual void postModifiedRecipeMemos() = 0;
    // Ends the program once the running handler has finished: leave the event
    // loop with QCoreApplication::quit(), never exit(), so that the steps after
    // the question in the same handler still run.
    virtual void endProgram() = 0;
};

// The exit confirmation. Its box, ticking or unticking, stops the question for
// good (the setting KysLop) at once. Yes runs the exit steps; No, Escape and
// the frame's close box go back to the program. It always closes with the
// Accepted result; exitChosen() tells which answer was given.
class TFormPoistu : public AnswerDialog
{
    Q_OBJECT

public:
    explicit TFormPoistu(ExitSteps *steps, QWidget *parent = nullptr);

    // True once Yes was chosen in this showing.
    bool exitChosen() const { return m_exitChosen; }

    QLabel *Label1 = nullptr;
    QCheckBox *CheckBox = nullptr;
    QLabel *Label2 = nullptr;

public slots:
    void FormActivate() override;
    void CheckBoxClick();
    void BitBtnOKClick() override;
    void BitBtnCancelClick() override;

private:
    ExitSteps *m_steps;
    bool m_exitChosen = false;
};

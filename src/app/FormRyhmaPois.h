#pragma once

#include "app/SharedState.h"
#include "platform/DialogParts.h"

// What the delete confirmation needs of the main window.
class DeleteCommandsHost
{
public:
    virtual ~DeleteCommandsHost() = default;
    // Cancel of a main group or recipe deletion: run DisableCommands, then
    // enable the menu items MenuLisaaPaa, MenuPoistaPaa and MenuMuutaPaa
    // (the menu items only, not their tool buttons). The calling operation
    // sets the final command state afterwards.
    virtual void restoreMainGroupCommands() = 0;
};

// The delete confirmation of a main group, a subgroup or a recipe. It names
// what goes with the deletion and offers to stop asking. The caller presets
// DeleteConfirmed to true; Yes leaves it true, Cancel (also Enter, Escape and
// the frame's close box) makes it false. A ticked box is written to the
// settings (KysRyh for groups, KysResPoi for recipes) only on Yes. The dialog
// always closes with the Accepted result.
class TFormRyhmaPois : public AnswerDialog
{
    Q_OBJECT

public:
    TFormRyhmaPois(SharedState &state, DeleteCommandsHost *host, QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QCheckBox *CheckBoxRyh = nullptr;
    QCheckBox *CheckBoxRes = nullptr;

public slots:
    // Sets caption, lines and box for the case; runs when the dialog is shown.
    void FormActivate() override;
    void BitBtnOKClick() override;
    void BitBtnCancelClick() override;

    // Escape and the frame's close box.
    void reject() override;

private:
    void applyCase(const QString &caption, const QString &line1, const QString &line2, const QString &line3,
                   QCheckBox *box);

    SharedState &m_state;
    DeleteCommandsHost *m_host;
};

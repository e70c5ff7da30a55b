#pragma once

#include <QObject>

class QMenu;
class TFormPaa;

// The main window's side of the trash: the "&Trash..." command of the menu
// "&Book", Ctrl+Z of the window that restores the last deletion, settling
// what a crash left in the trash once the book is open, and showing in the
// window what came back.
class TrashController : public QObject
{
public:
    // Adds a separator and the command to `menu`, and Ctrl+Z to `window`;
    // the controller lives as long as `window`.
    TrashController(TFormPaa *window, QMenu *menu);

private:
    void showTrash();
    void undoLastDeletion();

    TFormPaa *m_window;
};

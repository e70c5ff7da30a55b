#pragma once

#include <QObject>

class QMenu;
class TFormPaa;

// The "&Import Recipes...", "Import Recipe from &Web Page..." and "&Export
// Recipes..." commands of the main window's "&Book" menu, and recipes dropped
// on the window, with their dialogs: the files to import, the main group and
// text encoding, progress with Cancel, the summary window (which can save its
// list as a text file), and for export what to export, the format and the
// file. It works on the window's book and shows the window's selection.
class ImportExportController : public QObject
{
public:
    // Adds the commands to `menu`; the controller lives as long as `window`.
    ImportExportController(TFormPaa *window, QMenu *menu);

    // An import or export under way (from its first dialog to its summary).
    // The end of the session cancels it, all or nothing as its Cancel button
    // does, and waits until it has let go of the book before storing the typing.
    static bool running();
    static void cancel();
};

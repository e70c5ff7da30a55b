#pragma once

#include <QStringList>

#include <functional>

class QMenu;
class QWidget;
class TFormPaa;

// The "&Import Recipes..." and "&Export Recipes..." commands of the main
// window's "&Book" menu, with their dialogs: the files to import, the main
// group and text encoding, progress with Cancel, the summary window (which
// can save its list as a text file), and for export what to export, the
// format and the file.
void addImportExportCommands(TFormPaa *form, QMenu *menu);

// An import or export under way (from its first dialog to its summary). The
// end of the session cancels it, all or nothing as its Cancel button does,
// and waits until it has let go of the book before storing the typing.
bool importExportRunning();
void cancelImportExport();

// The file dialogs of these commands: files to open (`save` false, several at
// once) or the one file to write; empty when cancelled. Tests replace it.
using ImportExportFileChooser =
    std::function<QStringList(QWidget *parent, bool save, const QString &caption, const QString &filter)>;
void setImportExportFileChooser(ImportExportFileChooser chooser);

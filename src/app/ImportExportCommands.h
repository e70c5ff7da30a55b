#pragma once

class QMenu;
class TFormPaa;

// The "&Import Recipes..." and "&Export Recipes..." commands of the main
// window's "&Book" menu, with their dialogs: the files to import, the main
// group and text encoding, progress with Cancel, the summary window (which
// can save its list as a text file), and for export what to export, the
// format and the file.
void addImportExportCommands(TFormPaa *form, QMenu *menu);

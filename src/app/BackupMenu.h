#pragma once

#include <QString>

#include <functional>

class QMenu;
class TFormPaa;

// The main window's backup commands in the "&Book" menu: "&Back Up Book...",
// "&Restore Book..." and the check item "&Automatic Daily Backups", and the
// automatic backup when the program ends.
namespace BackupMenu {

// Adds a separator and the three commands to `menu`.
void addCommands(TFormPaa *window, QMenu *menu);

// At program end, once the windows are gone: a backup into the Backups folder
// beside `dataFolder` when automatic backups are on and none was made today.
// Failures are written to stderr; nothing is shown.
void backUpAtProgramEnd(const QString &dataFolder);

// The file dialogs of the commands: `save` for Back Up, with the folder or
// file to start from. Returns the chosen file or an empty text. Tests replace it.
using FileChooser = std::function<QString(bool save, const QString &start)>;
void setFileChooser(FileChooser chooser);

// Setting names: automatic backups on or off (a flag, on when missing), and
// the folder of the last backup file chosen (a text).
inline constexpr const char *AutoVarmuus = "AutoVarmuus";
inline constexpr const char *VarmuusKansio = "VarmuusKansio";

} // namespace BackupMenu

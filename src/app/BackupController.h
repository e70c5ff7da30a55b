#pragma once

#include "platform/BookLock.h"

#include <QObject>
#include <QString>

class QMenu;
class TFormPaa;

// The main window's backup commands in the "&Book" menu: "&Back Up Book...",
// "&Restore Book..." and the check item "&Automatic Daily Backups", and the
// automatic backup when the program ends.
class BackupController : public QObject
{
public:
    // Adds a separator and the three commands to `menu`; the controller lives
    // as long as `window`.
    BackupController(TFormPaa *window, QMenu *menu);

    // At program end, once the windows are gone and the typing is stored: when
    // automatic backups are on and the book changed since the newest backup, a
    // process of its own (`backupProgram` with BackupOption) is started to make
    // the daily backup, so that the program ends at once. That process waits for
    // the program to let go of the book, then holds the book's lock while it
    // backs up; a start meanwhile waits for it. Without `backupProgram`, or when
    // the process cannot be started, the backup is made here.
    static void backUpAtProgramEnd(const QString &dataFolder, const QString &backupProgram = QString());

    // The backup process: `program --back-up-book DATAFOLDER`.
    static constexpr const char *BackupOption = BookLock::BackupProcessOption;
    // Its work: takes the book's lock (waiting up to `waitMs` for the program to
    // end), makes the daily backup when still due and lets go. A failure is
    // kept in the book's folder for failedBackupAtEnd(). Returns the exit code.
    static int runBackupAtEnd(const QString &dataFolder, int waitMs = 60000);
    // Why the last backup at program end failed, or an empty text; the note is
    // removed, so that it is told once.
    static QString failedBackupAtEnd(const QString &dataFolder);

    // Setting names: automatic backups on or off (a flag, on when missing), and
    // the folder of the last backup file chosen (a text).
    static constexpr const char *AutoVarmuus = "AutoVarmuus";
    static constexpr const char *VarmuusKansio = "VarmuusKansio";
};

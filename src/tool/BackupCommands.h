#pragma once

#include <QStringList>

// The backup and restore commands of mealdeck-data. `arguments` are the
// command's own (after "backup" or "restore"). They return the exit code: 0
// done, 1 done with something reported (or nothing done at the user's
// answer), 2 error.
namespace BackupCommands {

// backup DIR [OUT]: writes a backup of DIR/Data to OUT (a file, or a folder
// for "Mealdeck-<date>.zip"; the current folder when left out).
int backup(const QStringList &arguments);

// restore DIR FILE [--yes]: checks FILE, shows what it holds, asks (unless
// --yes) and replaces DIR/Data with it. Refused while the program has the
// book open.
int restore(const QStringList &arguments);

} // namespace BackupCommands

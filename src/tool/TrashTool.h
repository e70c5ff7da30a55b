#pragma once

#include <QStringList>

// mealdeck-data trash DIR [--restore NAME | --empty]: lists the trash of the
// book in DIR/Data, newest first, or restores the newest deletion of NAME, or
// empties the trash. `arguments` are those after "trash". Returns the exit
// code: 0 done, 1 nothing in the trash (or no deletion of NAME), 2 error.
int trashCommand(const QStringList &arguments);

// The usage lines of the command.
QString trashUsage();

#pragma once

#include <QStringList>

// mealdeck-data shopping DIR "RECIPE=PORTIONS"... [--menu]: the combined
// shopping list of the named recipes at those portions (and, with --menu, of
// the saved menu), one item a line: the amount, unit and ingredient, a tab,
// and the recipes it comes from separated by ", ". `arguments` starts after
// "shopping". Returns the exit code: 0, or 2 on an error (after `usage` for
// bad arguments).
int shoppingCommand(const QStringList &arguments, const QString &usage);

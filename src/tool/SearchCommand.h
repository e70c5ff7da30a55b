#pragma once

#include <QStringList>

// mealdeck-data search DIR WORDS... [--limit N]: the recipes of the book in
// DIR/Data that match WORDS, best first, one a line: name, subgroup and main
// group separated by tabs. Builds the search index first when it is missing
// or out of date (saying so on stderr). Returns the exit code: 0 with hits,
// 1 with none, 2 on an error (bad arguments included, after `usage`).
int searchCommand(const QStringList &arguments, const QString &usage);

#pragma once

#include <QStringList>

// mealdeck-data cookbook DIR OUT.pdf|OUT.html [--main-group NAME | --subgroup
// NAME] [--title TEXT] [--no-pictures] [--paper A4|A5|Letter]: the book in
// DIR/Data, or one of its groups, as a printed cookbook or one web page.
// `arguments` starts after "cookbook". Needs a QGuiApplication. Returns the
// exit code: 0, or 2 on an error (after `usage` for bad arguments).
int cookbookCommand(const QStringList &arguments, const QString &usage);

#pragma once

#include <QStringList>

// mealdeck-data import DIR FILE... [--main-group NAME] [--keep-main-groups] [--encoding NAME]
// mealdeck-data export DIR OUT [--format mealmaster|jsonld] [--main-group NAME | --subgroup NAME | --recipe NAME]
// `arguments` are those after the command name. Exit 0 when all was done, 1
// when something was skipped or nothing found, 2 on an error.
int importCommand(const QStringList &arguments);
int exportCommand(const QStringList &arguments);

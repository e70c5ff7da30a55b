#pragma once

#include <QString>
#include <QStringList>

// A name given in bytes that are not UTF-8 does not survive the trip through
// a QString: the commands would look for another file. Such a folder, or a
// file with a plain name in such a folder, is reached through an open
// descriptor of the folder, whose /proc path is plain ASCII and stays valid
// while the command runs. Other such names cannot be used: false with `error`
// saying so. The arguments from `first` on are looked at.
bool reachNamesThatAreNotUtf8(int argc, char *argv[], int first, int last, QStringList *arguments, QString *error);

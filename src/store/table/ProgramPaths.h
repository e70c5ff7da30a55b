#pragma once

#include <QString>

// Where the program keeps its files. The program's folder is the executable's
// folder unless `--home DIR` names another one.
namespace ProgramPaths {

// Sets the program's folder (no trailing separator needed).
void setProgramFolder(const QString &folder);

// The program's folder, with a trailing '/'.
QString programFolder();

// The program's folder + "Data": where the three table files live.
QString dataFolder();

// The program's folder + "Data/Pics/", with the trailing '/'.
QString picsFolder();

// Reads `--home DIR` from the arguments and sets the program's folder: DIR
// when given, else `applicationDir`. Throws ProgramError when `--home` has no
// folder after it.
void configureFromArguments(const QStringList &arguments, const QString &applicationDir);

// The user's folders of configuration (XDG_CONFIG_HOME, else ~/.config) and
// of data (XDG_DATA_HOME, else ~/.local/share); a relative setting is
// ignored, as the XDG base directory rules say.
QString userConfigHome();
QString userDataHome();

// Creates a folder of the user's configuration and its missing parents as the
// XDG base directory rules ask: every folder made is private to the user
// (mode 0700); folders that exist keep their mode. True when it exists.
bool makeUserFolder(const QString &path);

} // namespace ProgramPaths
